// The thing table: for each thing type that shows a sprite, which sprite and frame, how it is
// lit and placed, and its height. It is the data file data/things.tsv, compiled in.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wad/map_records.h"

namespace brindle {

struct ThingKind {
    int32_t type = 0;
    char sprite[5] = {};  // four characters and a NUL
    char frame = 'A';
    bool bright = false;   // a light source or a glowing artifact: colour map 0
    bool ceiling = false;  // hangs from its sector's ceiling
    bool shadow = false;   // drawn as a darkening of what lies behind it
    int32_t height = 0;    // map units
};

// The lines of a table in the file's form: a header line, then one line per type of five
// tab-separated columns (type, sprite, frame, flags, height). A line that does not fit is
// named in the error; the table is then empty.
std::vector<ThingKind> parseThingTable(std::string_view text, std::string& error);

// The compiled-in table, and the line of a type in it (null when the type has none).
const std::vector<ThingKind>& thingKinds();
const ThingKind* thingKindOf(int32_t type);

constexpr int defaultSkill = 3;

// Whether a thing is placed at a skill (1 to 5) in a single-player game.
bool thingShownAtSkill(const Thing& thing, int skill);

// Types that mark places rather than show anything (starts, teleport landings, the boss
// shooter's spots) and the dead lost soul, which leaves nothing behind: not counted among the
// types a map uses that the table lacks.
bool thingTypeShowsNothing(int32_t type);

// What the things of a map come to at a skill: those passed by the filter that have a line in
// the table, and the distinct types without a line (leaving out those that show nothing).
struct ThingCount {
    int32_t shown = 0;
    int32_t unknownTypes = 0;
};
ThingCount countThings(const std::vector<Thing>& things, int skill);

}  // namespace brindle
