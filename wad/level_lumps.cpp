// Which lumps make up a level, which format they are in, and which readers turn them into
// records. A binary level is its marker and the run of level lumps after it (Hexen-format
// when a BEHAVIOR lump is among them); a text level is its marker, TEXTMAP, and the lumps up
// to ENDMAP.
#include <algorithm>
#include <iterator>
#include <string_view>

#include "wad/formats/binary_maps.h"
#include "wad/formats/node_formats.h"
#include "wad/formats/udmf_level.h"
#include "wad/lump_names.h"
#include "wad/wad_archive.h"

namespace brindle {

namespace {

// The lumps a binary level may have, in archive order. The marker is followed by a run of
// these, at most one of each that counts: the first.
enum BinaryLump {
    thingsLump,
    linedefsLump,
    sidedefsLump,
    vertexesLump,
    segsLump,
    ssectorsLump,
    nodesLump,
    sectorsLump,
    rejectLump,
    blockmapLump,
    behaviorLump,
    scriptsLump,
    binaryLumpCount
};
constexpr std::string_view binaryLumpNames[binaryLumpCount] = {
    "THINGS", "LINEDEFS", "SIDEDEFS", "VERTEXES", "SEGS",     "SSECTORS",
    "NODES",  "SECTORS",  "REJECT",   "BLOCKMAP", "BEHAVIOR", "SCRIPTS",
};

int binaryLumpKind(const std::string& name) {
    const auto* at = std::find(std::begin(binaryLumpNames), std::end(binaryLumpNames), name);
    return at == std::end(binaryLumpNames) ? -1
                                           : static_cast<int>(at - std::begin(binaryLumpNames));
}

const std::string noNodes = " has no nodes: build them with a node builder such as zdbsp or glbsp";

// The checks a node lump of the newer formats must pass before its records are used.
// A lump built for other vertices is named for that first: its reader stops at the count.
std::string checkTree(const NodeRecords& tree, size_t mapVertices, size_t statedVertices) {
    if (statedVertices != mapVertices) {
        return ": the nodes do not belong to the map (built for " + std::to_string(statedVertices) +
               " vertices, the map has " + std::to_string(mapVertices) + ")";
    }
    if (tree.subsectors.empty() || (tree.nodes.empty() && tree.subsectors.size() > 1)) {
        return noNodes;
    }
    return {};
}

LevelProblem checkedTree(const std::string& where, std::string problem, const MapRecords& map,
                         const NodeRecords& tree) {
    if (!problem.empty()) {
        return {resultBadLevel, where + problem};
    }
    problem = checkTree(tree, map.vertices.size(), tree.statedVertices);
    if (!problem.empty()) {
        return {problem == noNodes ? resultUnsupportedLevel : resultBadLevel, where + problem};
    }
    return {};
}

}  // namespace

LevelProblem WadArchive::readLevelRecords(const std::string& mapName, LumpRef marker,
                                          MapRecords& map, NodeRecords& tree) {
    const WadFile& wad = wadFiles[static_cast<size_t>(marker.file)];
    const std::string where = mapName + " in " + wad.path;
    const size_t first = static_cast<size_t>(marker.entry) + 1;
    auto readEntry = [&](size_t index, LevelLump& lump) {
        const LumpEntry& entry = wad.directory[index];
        lump.name = lumpName(entry.name);
        if (!wad.holds(entry)) {
            return;  // reaches past the end of the file: as good as missing
        }
        lump.present = true;
        lump.bytes = readLump({marker.file, static_cast<int32_t>(index)}, SIZE_MAX);
    };
    auto unreadable = [&](const LevelLump& lump, size_t expected) {
        return lump.present && lump.size() != expected;
    };

    if (first < wad.directory.size() && lumpName(wad.directory[first].name) == "TEXTMAP") {
        levelFormat = LevelFormat::udmf;
        LevelLump textmap;
        LevelLump znodes;
        readEntry(first, textmap);
        for (size_t i = first + 1; i < wad.directory.size(); ++i) {
            const std::string name = lumpName(wad.directory[i].name);
            if (name == "ENDMAP") {
                break;
            }
            if (name == "ZNODES" && !znodes.present) {
                readEntry(i, znodes);
            }
        }
        const int32_t textmapSize = wad.directory[first].size;
        if (!textmap.present || unreadable(textmap, static_cast<size_t>(textmapSize))) {
            return {resultCannotRead,
                    "cannot read TEXTMAP of map " + mapName + " in '" + wad.path + "'"};
        }
        if (std::string problem = readTextMap(textmap, map); !problem.empty()) {
            return {resultBadLevel, where + problem};
        }
        if (!znodes.present || znodes.size() == 0) {
            return {resultUnsupportedLevel, where + noNodes};
        }
        const NodeFormat format = nodeFormatOf(znodes);
        if (!isGlNodeFormat(format)) {
            return {resultUnsupportedLevel,
                    where + " uses nodes of an unknown format (" + signatureText(znodes) + ")"};
        }
        return readTree(where, format, znodes, map, tree);
    }

    // The ten entries after the marker, and an eleventh for the BEHAVIOR lump of a Hexen-format
    // level; in each, the first entry of a name counts.
    LevelLump lumps[binaryLumpCount];
    const size_t end = std::min(wad.directory.size(), first + size_t{11});
    for (size_t i = first; i < end; ++i) {
        const std::string name = lumpName(wad.directory[i].name);
        const int kind = binaryLumpKind(name);
        if (kind < 0 || (i == first + 10 && kind != behaviorLump)) {
            continue;
        }
        if (kind == behaviorLump) {
            lumps[kind].present = true;  // only its presence matters: it marks the format
        } else if (!lumps[kind].present && kind != scriptsLump && kind != rejectLump &&
                   kind != blockmapLump) {
            readEntry(i, lumps[kind]);
            if (unreadable(lumps[kind], static_cast<size_t>(wad.directory[i].size))) {
                return {resultCannotRead,
                        "cannot read " + name + " of map " + mapName + " in '" + wad.path + "'"};
            }
        }
    }
    levelFormat = lumps[behaviorLump].present ? LevelFormat::hexen : LevelFormat::doom;

    // Where the tree is: an extended or GL-style lump in NODES, or a GL-style one in SSECTORS
    // when NODES is empty; otherwise the classic lumps.
    const LevelLump* treeLump = nullptr;
    NodeFormat format = NodeFormat::classic;
    if (lumps[nodesLump].size() >= 4 && nodeFormatOf(lumps[nodesLump]) != NodeFormat::classic) {
        treeLump = &lumps[nodesLump];
    } else if (lumps[nodesLump].size() == 0 && lumps[ssectorsLump].size() >= 4 &&
               isGlNodeFormat(nodeFormatOf(lumps[ssectorsLump]))) {
        treeLump = &lumps[ssectorsLump];
    }
    if (treeLump != nullptr) {
        format = nodeFormatOf(*treeLump);
    } else if (wadFiles.size() > 1) {
        // Once files are layered a level without a tree is named for what it lacks.
        const bool severalSubsectors = lumps[ssectorsLump].size() / 4 > 1;
        if (lumps[segsLump].size() == 0 || lumps[ssectorsLump].size() == 0 ||
            (lumps[nodesLump].size() == 0 && severalSubsectors)) {
            return {resultUnsupportedLevel, where + noNodes};
        }
    }
    for (int kind : {linedefsLump, sidedefsLump, vertexesLump, segsLump, ssectorsLump, nodesLump,
                     sectorsLump}) {
        const bool needed =
            treeLump == nullptr || (kind != segsLump && kind != ssectorsLump && kind != nodesLump);
        if (needed && !lumps[kind].present) {
            return {resultBadLevel, std::string(binaryLumpNames[kind]) + " lump missing"};
        }
    }
    readBinaryMap({&lumps[thingsLump], &lumps[linedefsLump], &lumps[sidedefsLump],
                   &lumps[vertexesLump], &lumps[sectorsLump]},
                  levelFormat, map);
    if (treeLump == nullptr) {
        readClassicNodes(lumps[segsLump], lumps[ssectorsLump], lumps[nodesLump], tree);
        return {};
    }
    if (format == NodeFormat::deepbsp) {
        tree = NodeRecords{};
        tree.format = format;
        std::string problem =
            readDeepBspNodes(lumps[segsLump], lumps[ssectorsLump], lumps[nodesLump], map, tree);
        return checkedTree(where, std::move(problem), map, tree);
    }
    return readTree(where, format, *treeLump, map, tree);
}

LevelProblem WadArchive::readTree(const std::string& where, NodeFormat format,
                                  const LevelLump& lump, const MapRecords& map, NodeRecords& tree) {
    return checkedTree(where, readNodeLump(format, lump, map, tree), map, tree);
}

}  // namespace brindle
