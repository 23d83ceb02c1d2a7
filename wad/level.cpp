// Loading a level: its marker's file is read again, the level's lumps are handed to the readers
// of its format (level_lumps.cpp), and the records are checked before anything uses them.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "wad/formats/level_lumps.h"
#include "wad/lump_names.h"
#include "wad/wad_archive.h"

namespace brindle {

int32_t WadArchive::loadLevel(int32_t episode, int32_t mission) {
    char mapName[32];
    std::snprintf(mapName, sizeof mapName, "E%1dM%1d", episode, mission);
    return loadLevel(mapName);
}

int32_t WadArchive::loadLevel(const char* mapName) {
    if (loaded == 0) {
        lastError = "no archive is open";
        return resultCannotRead;
    }
    lastError.clear();
    freeLevel();
    const int16_t previousX = startX;
    const int16_t previousY = startY;
    const int16_t previousAngle = startAngle;
    // Every failure from here on leaves no level arrays, the start as it was, and a reason.
    auto refuse = [&](int32_t result, std::string text) {
        streams.clear();
        freeLevel();
        startX = previousX;
        startY = previousY;
        startAngle = previousAngle;
        lastError = std::move(text);
        return result;
    };

    const std::string name = mapName != nullptr ? mapName : "";
    const LumpRef marker = name.size() <= 8 ? resolve(name) : LumpRef{};
    if (!marker.found()) {
        std::string places = "'" + wadFiles.front().path + "'";
        for (size_t f = 1; f < wadFiles.size(); ++f) {
            places += (f + 1 == wadFiles.size() ? " or '" : ", '") + wadFiles[f].path + "'";
        }
        return refuse(resultCannotRead, "map " + name + " not found in " + places);
    }
    // The level comes whole from the file that has the marker, which is read again and must
    // still say what it said when it was opened.
    const WadFile& wad = wadFiles[static_cast<size_t>(marker.file)];
    const std::string quoted = "'" + wad.path + "'";
    streams.clear();
    streams.resize(wadFiles.size());
    FileStream& in = streams[static_cast<size_t>(marker.file)];
    in = openLumpStream(wad.path, true);
    if (!in) {
        return refuse(resultCannotRead, "cannot open " + quoted + ": " + std::strerror(errno));
    }
    WadHeader header{};
    if (std::fread(&header, sizeof header, 1, in.get()) != 1) {
        return refuse(resultCannotRead,
                      "cannot read the header of " + quoted + ": file is too short");
    }
    const std::string kind(header.identification, 4);
    if (marker.file == 0 && kind != "IWAD") {
        return refuse(resultNotIwad, quoted + " is not an IWAD archive");
    }
    if (marker.file > 0 && kind != "IWAD" && kind != "PWAD") {
        return refuse(resultNotWad, wad.path + " is not a WAD archive");
    }

    MapRecords map;
    NodeRecords tree;
    if (const LevelProblem problem = readLevelRecords(name, marker, map, tree); problem.failed()) {
        return refuse(problem.result, problem.text);
    }
    things = std::move(map.things);
    linedefs = std::move(map.linedefs);
    sidedefs = std::move(map.sidedefs);
    vertices = std::move(map.vertices);
    sectors = std::move(map.sectors);
    vertices.insert(vertices.end(), tree.extraVertices.begin(), tree.extraVertices.end());
    segs = std::move(tree.segs);
    subsectors = std::move(tree.subsectors);
    nodes = std::move(tree.nodes);
    nodeFormat = tree.format;
    vertexCount = static_cast<int32_t>(vertices.size());
    rootNode = static_cast<int32_t>(nodes.size()) - 1;
    // The player-one start is the last thing of type 1; without one the start keeps its value.
    for (const Thing& thing : things) {
        if (thing.type == 1) {
            startX = thing.x;
            startY = thing.y;
            startAngle = thing.angle;
        }
    }

    if (std::string problem = checkLevel(); !problem.empty()) {
        return refuse(resultBadLevel, std::move(problem));
    }
    if (std::string problem = checkSubsectorSectors(); !problem.empty()) {
        return refuse(resultBadLevel, name + " in " + wad.path + ": " + problem);
    }
    readLevelFlats();
    streams.clear();
    levelName = name;
    ++levelSerial;
    composeLevelTextures();
    return resultOk;
}

// Releases the level arrays; the counts derived from them go with them.
int32_t WadArchive::freeLevel() {
    things = {};
    vertices = {};
    linedefs = {};
    segs = {};
    sectors = {};
    subsectors = {};
    sidedefs = {};
    nodes = {};
    levelFlats = {};
    levelName.clear();
    ++levelSerial;
    levelFormat = LevelFormat::doom;
    nodeFormat = NodeFormat::none;
    vertexCount = 0;
    rootNode = -1;
    return resultOk;
}

void WadArchive::getPlayerStart(int16_t* xOut, int16_t* yOut, int16_t* angleOut) const {
    *xOut = startX;
    *yOut = startY;
    *angleOut = startAngle;
}

int32_t WadArchive::firstLinedefSeg(int32_t subsector) const {
    if (subsector < 0 || static_cast<size_t>(subsector) >= subsectors.size()) {
        return noRecord;
    }
    const Subsector& sub = subsectors[static_cast<size_t>(subsector)];
    for (int64_t i = sub.firstSeg; i < int64_t{sub.firstSeg} + sub.segCount; ++i) {
        if (i < 0 || static_cast<size_t>(i) >= segs.size()) {
            return noRecord;
        }
        if (segs[static_cast<size_t>(i)].linedef >= 0) {
            return static_cast<int32_t>(i);
        }
    }
    return noRecord;
}

}  // namespace brindle
