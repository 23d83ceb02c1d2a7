// Loading a level: the lumps that follow its marker, each read in bulk into its record array.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "wad/lump_names.h"
#include "wad/wad_archive.h"

namespace brindle {

namespace {

// A level is its marker and the ten entries after it; eight of them are read.
constexpr int32_t levelLumpsAfterMarker = 10;

using LevelReader = int32_t (WadArchive::*)(int32_t, int32_t);

struct LevelLump {
    const char* name;
    LevelReader reader;
    int32_t recordSize;
    bool required;
};

constexpr LevelLump levelLumps[] = {
    {"THINGS", &WadArchive::readThings, sizeof(Thing), false},
    {"LINEDEFS", &WadArchive::readLinedefs, sizeof(Linedef), true},
    {"SIDEDEFS", &WadArchive::readSidedefs, sizeof(Sidedef), true},
    {"VERTEXES", &WadArchive::readVertices, sizeof(Vertex), true},
    {"SEGS", &WadArchive::readSegs, sizeof(Seg), true},
    {"SSECTORS", &WadArchive::readSubsectors, sizeof(Subsector), true},
    {"NODES", &WadArchive::readNodes, sizeof(Node), true},
    {"SECTORS", &WadArchive::readSectors, sizeof(Sector), true},
};

// One seek and one read straight into the final array.
template <typename Record>
int32_t readRecords(std::FILE* file, std::vector<Record>& records, int32_t filePos, int32_t count) {
    records.clear();
    if (file == nullptr || filePos < 0 || count < 0) {
        return resultCannotRead;
    }
    records.resize(static_cast<size_t>(count));
    if (count == 0) {
        return resultOk;
    }
    if (std::fseek(file, filePos, SEEK_SET) != 0 ||
        std::fread(records.data(), sizeof(Record), records.size(), file) != records.size()) {
        records.clear();
        return resultCannotRead;
    }
    return resultOk;
}

}  // namespace

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
        levelFile = -1;
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
    in.reset(std::fopen(wad.path.c_str(), "rb"));
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
    // Once files are layered, levels in formats Brindle cannot draw are named for what they are.
    if (wadFiles.size() > 1) {
        if (std::string problem = unsupportedLevel(name, marker); !problem.empty()) {
            return refuse(resultUnsupportedLevel, std::move(problem));
        }
    }

    levelFile = marker.file;
    const size_t first = static_cast<size_t>(marker.entry) + 1;
    const size_t end = std::min(wad.directory.size(), first + size_t{levelLumpsAfterMarker});
    bool present[std::size(levelLumps)] = {};
    for (size_t i = first; i < end; ++i) {
        const LumpEntry& entry = wad.directory[i];
        if (!wad.holds(entry)) {
            continue;  // reaches past the end of the file: as good as missing
        }
        const std::string entryName = lumpName(entry.name);
        for (size_t kind = 0; kind < std::size(levelLumps); ++kind) {
            const LevelLump& lump = levelLumps[kind];
            if (entryName != lump.name) {
                continue;
            }
            if ((this->*lump.reader)(entry.filePos, entry.size / lump.recordSize) != resultOk) {
                return refuse(resultCannotRead,
                              "cannot read " + entryName + " of map " + name + " in " + quoted);
            }
            present[kind] = true;
        }
    }
    levelFile = -1;

    for (size_t kind = 0; kind < std::size(levelLumps); ++kind) {
        if (levelLumps[kind].required && !present[kind]) {
            return refuse(resultBadLevel, std::string(levelLumps[kind].name) + " lump missing");
        }
    }
    if (std::string problem = checkLevel(); !problem.empty()) {
        return refuse(resultBadLevel, std::move(problem));
    }
    readLevelFlats();
    streams.clear();
    levelName = name;
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
    vertexCount = 0;
    rootNode = -1;
    return resultOk;
}

void WadArchive::getPlayerStart(int16_t* xOut, int16_t* yOut, int16_t* angleOut) const {
    *xOut = startX;
    *yOut = startY;
    *angleOut = startAngle;
}

// The player-one start is the last thing of type 1; without one the start keeps its value.
int32_t WadArchive::readThings(int32_t filePos, int32_t count) {
    const int32_t result = readRecords(stream(levelFile), things, filePos, count);
    for (const Thing& thing : things) {
        if (thing.type == 1) {
            startX = thing.x;
            startY = thing.y;
            startAngle = thing.angle;
        }
    }
    return result;
}

int32_t WadArchive::readLinedefs(int32_t filePos, int32_t count) {
    return readRecords(stream(levelFile), linedefs, filePos, count);
}

int32_t WadArchive::readSidedefs(int32_t filePos, int32_t count) {
    return readRecords(stream(levelFile), sidedefs, filePos, count);
}

int32_t WadArchive::readVertices(int32_t filePos, int32_t count) {
    const int32_t result = readRecords(stream(levelFile), vertices, filePos, count);
    vertexCount = static_cast<int32_t>(vertices.size());
    return result;
}

int32_t WadArchive::readSegs(int32_t filePos, int32_t count) {
    return readRecords(stream(levelFile), segs, filePos, count);
}

int32_t WadArchive::readSubsectors(int32_t filePos, int32_t count) {
    return readRecords(stream(levelFile), subsectors, filePos, count);
}

// The root of the tree is the last node; a level without nodes has root -1.
int32_t WadArchive::readNodes(int32_t filePos, int32_t count) {
    const int32_t result = readRecords(stream(levelFile), nodes, filePos, count);
    rootNode = static_cast<int16_t>(static_cast<int32_t>(nodes.size()) - 1);
    return result;
}

int32_t WadArchive::readSectors(int32_t filePos, int32_t count) {
    return readRecords(stream(levelFile), sectors, filePos, count);
}

}  // namespace brindle
