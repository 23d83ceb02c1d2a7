// The game archive: lump directory, palettes, composite wall textures and the loaded level.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "wad/lump_bytes.h"
#include "wad/map_records.h"

namespace brindle {

// Result codes shared by the archive's operations.
enum : int32_t {
    resultOk = 1,
    resultNotFound = 0,
    resultCannotRead = -1,  // file cannot be opened or read, or the archive was never opened
    resultNotIwad = -2,     // the header does not say "IWAD"
    resultBadLevel = -3,    // the level is incomplete or its records contradict each other
};

struct WadHeader {
    char identification[4];
    int32_t lumpCount;
    int32_t directoryOffset;
};
static_assert(sizeof(WadHeader) == 12);

struct LumpEntry {
    int32_t filePos;
    int32_t size;
    char name[8];  // NUL-padded; an 8-character name has no terminator
};
static_assert(sizeof(LumpEntry) == 16);

struct PatchName {
    int32_t index;
    char name[8];
    char terminator;
};

// A composed wall texture. Pixels are column-major: texel (x, y) is pixels[x * height + y],
// so one texture column is `height` contiguous bytes.
struct TextureDef {
    char name[8] = {};
    char terminator = 0;
    int16_t width = 0;
    int16_t height = 0;
    std::vector<uint8_t> pixels;
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileStream = std::unique_ptr<std::FILE, FileCloser>;

class WadArchive {
  public:
    static constexpr int paletteCount = 14;
    static constexpr int paletteBytes = 768;
    static constexpr int colorMapCount = 34;
    static constexpr int colorMapBytes = 256;

    WadArchive();
    explicit WadArchive(const char* path);  // calls open; `loaded` tells whether it worked
    ~WadArchive();
    WadArchive(const WadArchive&) = delete;
    WadArchive& operator=(const WadArchive&) = delete;

    // 1 on success, -1 when the file cannot be opened or read, -2 when it is not an IWAD.
    int32_t open(const char* path);
    // 1 if a directory entry of that name exists (first in directory order among the entries
    // that lie inside the file), 0 if not. Answered from the directory read by open; while
    // the stream is open (inside open and loadLevel) it is also positioned at the lump's data,
    // or just behind the entry of a lump of size 0.
    int32_t findLump(const char* name, int32_t* sizeOut = nullptr);

    // Loads the level whose marker is "E<episode>M<mission>".
    int32_t loadLevel(int32_t episode, int32_t mission);
    // Loads the level with the given marker name ("E1M1", "MAP01", ...).
    // 1 on success, -1 (not opened, unreadable, marker missing), -2 (not an IWAD),
    // -3 (a level lump is missing or its records are inconsistent: see errorText).
    int32_t loadLevel(const char* mapName);
    int32_t freeLevel();
    void getPlayerStart(int16_t* xOut, int16_t* yOut, int16_t* angleOut) const;

    // Pixels of the first texture of that name (at most 8 characters, case-sensitive),
    // or null with 0 x 0 when there is none.
    const uint8_t* findTexture(const char* name, int16_t* widthOut, int16_t* heightOut) const;

    // 256 entries of blue, green, red, 0 built from palette 0; the caller owns it.
    std::unique_ptr<uint8_t[]> paletteColorTable() const;

    // Saves an 8-bit picture with palette 0 as a run-length PCX file.
    // 1 when written completely, -1 otherwise (the previous file is left intact).
    int32_t writePcx(const char* fileName, const uint8_t* pixels, int32_t width,
                     int32_t height) const;

    // A short description of the last failure of open or loadLevel, naming the file, the
    // lump and the record where it applies. Empty after a success.
    const std::string& errorText() const { return lastError; }

    // Every directory entry, in directory order (empty before a successful open).
    const std::vector<LumpEntry>& directory() const { return directoryEntries; }
    // The level markers (size-0 entries named ExMy or MAPxx), in directory order.
    std::vector<std::string> mapNames() const;

    // An archive for loading levels on another thread (level_worker.cpp). It copies only the
    // small state (directory and its index, palettes, colour maps, patch names) and holds its
    // own level arrays; the composed textures stay here, and its findTexture answers from this
    // archive, which must outlive it and must not be opened again while it exists. The worker
    // itself is only used to load levels, never opened. Empty (like a new archive) when this
    // archive is not open.
    std::unique_ptr<WadArchive> makeLevelWorker() const;

    // Readers called by open and loadLevel.
    int32_t readPalettes();
    int32_t readColorMaps();
    int32_t readPatchNames();
    int32_t readTextures();
    std::unique_ptr<uint8_t[]> readPatch(const char* name, int32_t* widthOut, int32_t* heightOut);
    int32_t readThings(int32_t filePos, int32_t count);
    int32_t readLinedefs(int32_t filePos, int32_t count);
    int32_t readSidedefs(int32_t filePos, int32_t count);
    int32_t readVertices(int32_t filePos, int32_t count);
    int32_t readSegs(int32_t filePos, int32_t count);
    int32_t readSubsectors(int32_t filePos, int32_t count);
    int32_t readNodes(int32_t filePos, int32_t count);
    int32_t readSectors(int32_t filePos, int32_t count);

    int32_t loaded = 0;
    std::array<char, 256> path{};
    FileStream file;
    int32_t directoryOffset = 0;
    int32_t lumpCount = 0;
    int16_t rootNode = 0;  // nodes.size() - 1; -1 for a level without nodes
    int32_t vertexCount = 0;
    int32_t textureCount = 0;
    std::array<std::array<uint8_t, paletteBytes>, paletteCount> palettes{};
    std::array<std::array<uint8_t, colorMapBytes>, colorMapCount> colorMaps{};
    std::vector<Thing> things;
    std::vector<Vertex> vertices;
    std::vector<Linedef> linedefs;
    std::vector<Seg> segs;
    std::vector<Sector> sectors;
    std::vector<Subsector> subsectors;
    std::vector<Sidedef> sidedefs;
    std::vector<Node> nodes;
    std::vector<PatchName> patchNames;
    std::vector<TextureDef> textures;
    int16_t startX = 0;
    int16_t startY = 0;
    int16_t startAngle = 0;

  private:
    void releaseAll();
    bool lumpFitsFile(const LumpEntry& entry) const;
    int32_t openFailure(int32_t result, std::string text);
    LumpBytes readFoundLump(size_t maxBytes);
    int32_t composeTextureLump(const LumpBytes& lump);
    void indexTextures();
    std::string checkLevel() const;  // level_check.cpp: empty when every reference holds
    void copyStateForLevels(const WadArchive& base);  // level_worker.cpp

    std::string lastError;
    std::vector<LumpEntry> directoryEntries;
    std::unordered_map<std::string, int32_t> lumpIndex;     // name -> first usable entry
    std::unordered_map<std::string, int32_t> textureIndex;  // name -> first texture
    int64_t fileSize = 0;
    int32_t foundLump = -1;  // entry of the last successful findLump

    // Set on a level worker: the archive whose composed textures findTexture answers from.
    const WadArchive* textureOwner = nullptr;

    // Composition state, alive only inside open: each patch lump is read once and drawn from
    // memory by every placement, and the memory and work spent are bounded by the file's size.
    std::unordered_map<int32_t, LumpBytes> patchLumps;  // directory entry -> bytes
    int64_t patchCacheBytes = 0;
    int64_t texelBudget = 0;  // texture bytes still allowed
    int64_t copyBudget = 0;   // patch texels still allowed to be copied or decoded
};

}  // namespace brindle
