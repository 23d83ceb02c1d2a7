#include "render/thing_table.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <set>

namespace brindle {

extern const std::string_view thingTableText;  // things_data.cpp, made from data/things.tsv

namespace {

std::vector<std::string_view> splitOn(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos) {
            return parts;
        }
        start = end + 1;
    }
}

bool parseNumber(std::string_view text, int32_t& value) {
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), value);
    return failure == std::errc{} && end == text.data() + text.size();
}

bool parseFlags(std::string_view text, ThingKind& kind) {
    if (text == "-") {
        return true;
    }
    for (std::string_view flag : splitOn(text, ',')) {
        if (flag == "bright") {
            kind.bright = true;
        } else if (flag == "ceiling") {
            kind.ceiling = true;
        } else if (flag == "shadow") {
            kind.shadow = true;
        } else {
            return false;
        }
    }
    return true;
}

// Types are small numbers; a flat array of them answers a lookup per thing per frame.
constexpr int32_t typeLimit = 4096;

struct CompiledTable {
    std::vector<ThingKind> kinds;
    std::array<int16_t, typeLimit> lineOfType{};
};

const CompiledTable& compiledTable() {
    static const CompiledTable table = [] {
        CompiledTable t;
        std::string error;
        t.kinds = parseThingTable(thingTableText, error);
        t.lineOfType.fill(-1);
        for (size_t i = 0; i < t.kinds.size(); ++i) {
            const int32_t type = t.kinds[i].type;
            if (type >= 0 && type < typeLimit) {
                t.lineOfType[static_cast<size_t>(type)] = static_cast<int16_t>(i);
            }
        }
        return t;
    }();
    return table;
}

}  // namespace

std::vector<ThingKind> parseThingTable(std::string_view text, std::string& error) {
    std::vector<ThingKind> kinds;
    const std::vector<std::string_view> lines = splitOn(text, '\n');
    for (size_t n = 1; n < lines.size(); ++n) {  // line 0 names the columns
        std::string_view line = lines[n];
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        const std::vector<std::string_view> columns = splitOn(line, '\t');
        ThingKind kind;
        const bool fits = columns.size() == 5 && parseNumber(columns[0], kind.type) &&
                          columns[1].size() == 4 && columns[2].size() == 1 &&
                          parseFlags(columns[3], kind) && parseNumber(columns[4], kind.height) &&
                          kind.type >= 0 && kind.type < typeLimit;
        if (!fits) {
            error = "line " + std::to_string(n + 1) + ": '" + std::string(line) + "'";
            return {};
        }
        std::copy(columns[1].begin(), columns[1].end(), kind.sprite);
        kind.frame = columns[2][0];
        kinds.push_back(kind);
    }
    return kinds;
}

const std::vector<ThingKind>& thingKinds() {
    return compiledTable().kinds;
}

const ThingKind* thingKindOf(int32_t type) {
    const CompiledTable& table = compiledTable();
    if (type < 0 || type >= typeLimit) {
        return nullptr;
    }
    const int16_t line = table.lineOfType[static_cast<size_t>(type)];
    return line < 0 ? nullptr : &table.kinds[static_cast<size_t>(line)];
}

// The Doom format's option bits: bit 0 skills 1 and 2, bit 1 skill 3, bit 2 skills 4 and 5;
// bit 4 marks a thing placed only in multiplayer games.
// The level readers keep five skill bits and the single-player bit in every format.
bool thingShownAtSkill(const Thing& thing, int skill) {
    return skill >= 1 && skill <= 5 && ((thing.skills >> (skill - 1)) & 1) != 0 &&
           thing.singlePlayer;
}

bool thingTypeShowsNothing(int32_t type) {
    return (type >= 1 && type <= 4) || type == 11 || type == 14 || type == 23 || type == 87 ||
           type == 89;
}

ThingCount countThings(const std::vector<Thing>& things, int skill) {
    ThingCount count;
    std::set<int32_t> unknown;
    for (const Thing& thing : things) {
        if (thingKindOf(thing.type) == nullptr) {
            if (!thingTypeShowsNothing(thing.type)) {
                unknown.insert(thing.type);
            }
        } else if (thingShownAtSkill(thing, skill)) {
            ++count.shown;
        }
    }
    count.unknownTypes = static_cast<int32_t>(unknown.size());
    return count;
}

}  // namespace brindle
