// Where brindle-render's shot, map, atlas and bench put the viewer: the player-one start of the
// loaded map, or a position given on the command line, then the ticks of --keys.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/archive_options.h"
#include "app/render_cli/key_sequence.h"
#include "app/viewer.h"

namespace brindle {

struct MapPosition {
    int16_t x = 0;
    int16_t y = 0;
    uint16_t angle = 0;  // 65536 to a turn
};

// Parses --pos "X,Y,ANGLE": three whole numbers, negative ones included. X and Y keep their
// low 16 bits as signed values, ANGLE is taken modulo 65536. On a malformed text returns false
// and `error` says what is wrong.
bool parsePosition(const std::string& text, MapPosition& position, std::string& error);

// Creates the renderer for `viewer`, whose archive must hold a loaded map, and places the view
// at `position`, or at the player-one start facing its angle converted from degrees.
void placeViewer(Viewer& viewer, const std::optional<MapPosition>& position);

// Key polling that reports the keys held during one tick of a --keys sequence.
KeyPoll heldKeysPoll(const HeldKeys& held);

// Plays the ticks of a --keys sequence (checked while the command line was parsed) on the
// placed viewer, as the window plays them.
void playKeys(Viewer& viewer, const std::string& keys);

// The view that shot and map draw: the archive, the map, --pos and --keys.
struct ViewArguments {
    ArchiveChoice archives;
    std::string position;  // X,Y,ANGLE; empty unless --pos is given
    std::string keys;
};

// Opens the archives and the map into `viewer` (the map loaded is viewer.mapName), places the view
// at --pos or the player-one start and plays the --keys ticks as the window does. --pos and --keys
// were checked while the command line was parsed. Returns 0, or 2 after printing the problem as
// openArchiveAndMap does.
int openPlacedViewer(Viewer& viewer, const ViewArguments& arguments);

}  // namespace brindle
