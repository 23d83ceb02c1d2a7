// Levels in formats Brindle does not read, told apart by their lumps so that the user learns
// what the map is rather than seeing a refusal of its records or a garbled frame.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "wad/lump_names.h"
#include "wad/wad_archive.h"

namespace brindle {

namespace {

// The names a level's lumps carry, in the binary formats: the marker is followed by a run of
// these.
constexpr std::string_view levelLumpNames[] = {
    "THINGS", "LINEDEFS", "SIDEDEFS", "VERTEXES", "SEGS",     "SSECTORS",
    "NODES",  "SECTORS",  "REJECT",   "BLOCKMAP", "BEHAVIOR", "SCRIPTS",
};

// Signatures of node formats that a node builder writes into NODES instead of the classic
// records.
constexpr std::string_view extendedNodeSignatures[] = {"XNOD", "ZNOD", "XGLN",
                                                       "ZGLN", "XGL2", "ZGL2"};

bool isLevelLumpName(const std::string& name) {
    return std::find(std::begin(levelLumpNames), std::end(levelLumpNames), name) !=
           std::end(levelLumpNames);
}

}  // namespace

// The first of these that applies, or empty: a text map, a Hexen-format map, extended nodes,
// no nodes. A level of one subsector needs no nodes.
std::string WadArchive::unsupportedLevel(const std::string& mapName, LumpRef marker) {
    const WadFile& wad = wadFiles[static_cast<size_t>(marker.file)];
    const std::string where = mapName + " in " + wad.path;
    const size_t first = static_cast<size_t>(marker.entry) + 1;
    if (first < wad.directory.size() && lumpName(wad.directory[first].name) == "TEXTMAP") {
        return where + " is a UDMF text map";
    }

    // The level's own lumps: the run of level-lump names after the marker, first of each name.
    LumpRef segs;
    LumpRef subsectors;
    LumpRef nodes;
    bool behavior = false;
    for (size_t i = first; i < wad.directory.size(); ++i) {
        const std::string name = lumpName(wad.directory[i].name);
        if (!isLevelLumpName(name)) {
            break;
        }
        const LumpRef here{marker.file, static_cast<int32_t>(i)};
        LumpRef* slot = name == "SEGS"       ? &segs
                        : name == "SSECTORS" ? &subsectors
                        : name == "NODES"    ? &nodes
                                             : nullptr;
        if (slot != nullptr && !slot->found() && wad.holds(wad.directory[i])) {
            *slot = here;
        }
        behavior = behavior || name == "BEHAVIOR";
    }
    if (behavior) {
        return where + " is a Hexen-format map";
    }

    auto sizeOf = [&](LumpRef lump) {
        return lump.found() ? wad.directory[static_cast<size_t>(lump.entry)].size : 0;
    };
    if (sizeOf(nodes) >= 4) {
        const LumpBytes head = readLump(nodes, 4);
        const std::string_view signature(reinterpret_cast<const char*>(head.data()), head.size());
        for (std::string_view extended : extendedNodeSignatures) {
            if (signature == extended) {
                return where + " uses extended nodes (" + std::string(extended) +
                       "), which Brindle cannot read";
            }
        }
    }
    const bool severalSubsectors = sizeOf(subsectors) / int32_t{sizeof(Subsector)} > 1;
    if (sizeOf(segs) <= 0 || sizeOf(subsectors) <= 0 || (sizeOf(nodes) <= 0 && severalSubsectors)) {
        return where + " has no nodes: build them with a node builder such as zdbsp or glbsp";
    }
    return {};
}

}  // namespace brindle
