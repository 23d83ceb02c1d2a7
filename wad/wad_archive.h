// The game archive: lump directory, palettes, composite wall textures and the loaded level.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "wad/composition_lock.h"
#include "wad/lump_bytes.h"
#include "wad/map_records.h"
#include "wad/name_index.h"
#include "wad/sprites.h"

namespace brindle {
struct LevelLump;
struct MapRecords;
struct NodeRecords;
}  // namespace brindle

namespace brindle {

// Result codes shared by the archive's operations.
enum : int32_t {
    resultOk = 1,
    resultNotFound = 0,
    resultCannotRead = -1,        // file cannot be opened or read, or the archive was never opened
    resultNotIwad = -2,           // the header does not say "IWAD"
    resultBadLevel = -3,          // the level is incomplete or its records contradict each other
    resultNotWad = -4,            // an added file says neither "IWAD" nor "PWAD"
    resultUnsupportedLevel = -5,  // a level in a format Brindle does not read (see errorText)
};

// Why a level could not be read: a result code and the text errorText gives.
struct LevelProblem {
    int32_t result = resultOk;
    std::string text;
    bool failed() const { return result != resultOk; }
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

// Opens a file of the load order to read lumps from (null when it cannot be opened). Without a
// buffer unless `buffered`: a lump is read whole into its own block after a seek, so a buffer
// only adds a copy and a read-ahead that the next seek throws away, except where many small
// lumps lie one after another, as a level's do.
FileStream openLumpStream(const std::string& path, bool buffered = false);

// Moves the stream to `position` unless it stands there already: a seek costs a system call
// even when it moves nothing, and lumps are mostly read in the order the file holds them.
bool seekTo(std::FILE* in, int64_t position);

// One file of the load order: the IWAD first, then each added file in the order given.
struct WadFile {
    std::string path;  // as given
    std::string kind;  // "IWAD" or "PWAD", as its header says
    int64_t size = 0;
    int32_t directoryOffset = 0;
    std::vector<LumpEntry> directory;

    // A lump of positive size is usable only when it lies wholly inside the file; markers
    // (size 0) carry no data, so their position does not matter.
    bool holds(const LumpEntry& entry) const;
    // This file's own level markers (size-0 entries named ExMy or MAPxx), in directory order.
    std::vector<std::string> mapNames() const;
};

// A directory entry of one of the files.
struct LumpRef {
    int32_t file = -1;
    int32_t entry = -1;
    bool found() const { return file >= 0; }
};

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
    // The IWAD with further archives layered over it, in load order. Each added file must say
    // "PWAD" or "IWAD" (-4 otherwise) and is checked as the IWAD is; a name looked up answers
    // from the last file that has an entry of that name, and inside it from the first such
    // entry. With no added files this is open(iwadPath).
    int32_t open(const char* iwadPath, const std::vector<std::string>& addedPaths);
    // 1 if a directory entry of that name exists (first in directory order among the entries
    // that lie inside the file), 0 if not. Answered from the directory read by open; while
    // the stream is open (inside open and loadLevel) it is also positioned at the lump's data,
    // or just behind the entry of a lump of size 0.
    int32_t findLump(const char* name, int32_t* sizeOut = nullptr);

    // Loads the level whose marker is "E<episode>M<mission>".
    int32_t loadLevel(int32_t episode, int32_t mission);
    // Loads the level with the given marker name ("E1M1", "MAP01", ...), whole, from the last
    // file that has its marker. 1 on success, -1 (not opened, unreadable, marker missing),
    // -2 (not an IWAD), -3 (a level lump is missing or its records are inconsistent),
    // -4 (an added file is not a WAD archive), -5 (no nodes, or nodes of an unknown format);
    // errorText says which. The level may be in the Doom, Hexen or UDMF format, with classic,
    // DeePBSP, extended or GL-style nodes.
    int32_t loadLevel(const char* mapName);
    int32_t freeLevel();
    void getPlayerStart(int16_t* xOut, int16_t* yOut, int16_t* angleOut) const;

    // Pixels of the first texture of that name (at most 8 characters, case-sensitive),
    // or null with 0 x 0 when there is none or it cannot be composed. Textures are composed
    // the first time they are needed: loadLevel composes those the level names, findTexture
    // any other (reading the files again). Safe to call from several threads at once.
    const uint8_t* findTexture(const char* name, int16_t* widthOut, int16_t* heightOut) const;
    // Composes every texture not composed yet, in one round; returns how many are composed.
    int32_t composeAllTextures() const;

    // The 64 x 64 flat of that name (4096 bytes, row-major), compared as findTexture compares
    // names, for the names the loaded level's sectors use; null when no file has an entry of
    // that name between flat markers (F_START/F_END, FF_START/FF_END), or when the entry it
    // resolves to is not 4096 bytes inside its file.
    const uint8_t* findFlat(const char* name) const;

    // Sprites (sprites.cpp): every name between sprite markers (S_START or SS_START to S_END or
    // SS_END) in any file, sorted by bytes; and the picture a name resolves to (the last file
    // that has the name between the markers, its first such entry), or null when that entry is
    // not a well-formed picture. Safe to call from several threads at once.
    const std::vector<std::string>& spriteNames() const;
    const SpritePicture* findSprite(const std::string& name) const;
    // While one of these lives, the sprite pictures read from a file share one stream of it,
    // closed when the last of them ends: the things of a frame ask for many pictures, and a
    // stream each costs an open and a close. Outside them no file is held open.
    class SpriteReading {
      public:
        explicit SpriteReading(const WadArchive& archive);
        ~SpriteReading();
        SpriteReading(const SpriteReading&) = delete;
        SpriteReading& operator=(const SpriteReading&) = delete;

      private:
        const WadArchive& owner;
    };
    // Names the sprites the archive holds now: it changes whenever they are indexed again (by
    // open), and no two archives share one, so that a cache of pictures can tell it is stale.
    uint64_t spriteGeneration() const;

    // 256 entries of blue, green, red, 0 built from palette 0; the caller owns it.
    std::unique_ptr<uint8_t[]> paletteColorTable() const;

    // Saves an 8-bit picture with palette 0 as a run-length PCX file.
    // 1 when written completely, -1 otherwise (the previous file is left intact).
    int32_t writePcx(const char* fileName, const uint8_t* pixels, int32_t width,
                     int32_t height) const;

    // A short description of the last failure of open or loadLevel, naming the file, the
    // lump and the record where it applies. Empty after a success.
    const std::string& errorText() const { return lastError; }

    // The IWAD's directory entries, in directory order (empty before a successful open).
    const std::vector<LumpEntry>& directory() const;
    // The files in load order: the IWAD, then the added ones (empty before a successful open).
    const std::vector<WadFile>& files() const { return wadFiles; }
    // Directory entries over all files.
    size_t totalLumps() const;
    // Every level marker name once, in order of first appearance over the files in load order.
    std::vector<std::string> mapNames() const;
    // The file that supplies a map (the last that has its marker), or -1 when none has it.
    int32_t mapFile(const std::string& mapName) const;
    // The first map of the last added file that has one; empty when no added file has a map.
    std::string firstAddedMap() const;
    // The entry a name resolves to by the layering rule; not found when no file has it.
    LumpRef resolve(const std::string& name) const;

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

    // The first seg of a subsector that lies on a linedef (minisegs lie on none): the seg that
    // tells the subsector's sector. noRecord when there is none.
    int32_t firstLinedefSeg(int32_t subsector) const;

    int32_t loaded = 0;
    std::array<char, 256> path{};  // the IWAD's
    int32_t directoryOffset = 0;   // the IWAD's directory
    int32_t lumpCount = 0;
    int32_t rootNode = 0;  // nodes.size() - 1; -1 for a level without nodes
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
    // Every texture of TEXTURE1 then TEXTURE2 by name and size; the pixels of one are filled
    // when it is first needed (see findTexture).
    mutable std::vector<TextureDef> textures;
    int16_t startX = 0;
    int16_t startY = 0;
    int16_t startAngle = 0;
    std::string levelName;  // the marker of the loaded level ("E1M1", "MAP07"); empty without one
    // Changes whenever the level arrays are replaced or released, so that what is derived from
    // them can tell it is out of date. Code that edits the arrays in place bumps it too.
    uint64_t levelSerial = 0;
    LevelFormat levelFormat = LevelFormat::doom;  // of the loaded level
    NodeFormat nodeFormat = NodeFormat::none;

  private:
    void releaseAll();
    int32_t openFailure(int32_t result, std::string text);
    int32_t openFile(const std::string& filePath, bool isIwad);
    std::FILE* stream(int32_t fileIndex) const;
    LumpBytes readLump(LumpRef lump, size_t maxBytes);
    LumpBytes readFoundLump(size_t maxBytes);
    // level_lumps.cpp: the level's lumps read into records by the readers of its format.
    LevelProblem readLevelRecords(const std::string& mapName, LumpRef marker, MapRecords& map,
                                  NodeRecords& tree);
    LevelProblem readTree(const std::string& where, NodeFormat format, const LevelLump& lump,
                          const MapRecords& map, NodeRecords& tree);
    class PatchSource;  // textures.cpp: patch lumps read for one round of composition
    int32_t addTextureLump(LumpBytes lump);
    void indexTextures();
    bool composeTexture(size_t index, PatchSource& patches) const;
    void composeTextures(const std::vector<int32_t>& indices) const;
    void composeLevelTextures();
    std::string checkLevel() const;             // level_check.cpp: empty when every reference holds
    std::string checkSubsectorSectors() const;  // every subsector has a seg on a linedef
    void indexFlats();                          // flats.cpp
    void readLevelFlats();
    void indexSprites();                              // sprites.cpp
    void copyStateForLevels(const WadArchive& base);  // level_worker.cpp

    std::string lastError;
    std::vector<WadFile> wadFiles;
    // One stream per file, open only inside open and loadLevel (which opens just the file
    // that holds the level).
    std::vector<FileStream> streams;
    NameIndex<LumpRef> lumpIndex;     // name -> the entry it resolves to
    NameIndex<int32_t> textureIndex;  // name -> first texture
    NameIndex<LumpRef> flatIndex;     // name -> entry between markers
    std::unordered_map<std::string, std::vector<uint8_t>> levelFlats;  // of the loaded level
    NameIndex<LumpRef> spriteIndex;  // name -> entry between markers
    std::vector<std::string> sortedSpriteNames;
    uint64_t spritesIndexed = 0;
    mutable std::unordered_map<std::string, std::unique_ptr<SpritePicture>> spritePictures;
    mutable CompositionLock spriteLock;             // guards spritePictures and the two below
    mutable std::vector<FileStream> spriteStreams;  // one per file, while sprites are read
    mutable int32_t spriteReadings = 0;             // SpriteReading objects alive
    int64_t fileSize = 0;                           // of all files together
    LumpRef foundLump;                              // of the last successful findLump

    // Set on a level worker: the archive whose composed textures findTexture answers from.
    const WadArchive* textureOwner = nullptr;

    // Composition. The texture lumps are kept, so that a texture can be composed whenever it
    // is first needed; the memory and work spent over the archive's life are bounded by the
    // files' size, however late they are spent.
    struct TextureSource {
        int32_t lump = 0;  // index into textureLumps
        size_t entry = 0;  // offset of the texture's definition in that lump
    };
    std::vector<LumpBytes> textureLumps;        // TEXTURE1 and TEXTURE2 as resolved
    std::vector<TextureSource> textureSources;  // one per texture
    enum : uint8_t { texturePending, textureComposed, textureAbsent };
    mutable std::unique_ptr<std::atomic<uint8_t>[]> textureStates;  // one per texture
    mutable CompositionLock compositionLock;  // held while composing; guards the budgets
    mutable int64_t texelBudget = 0;          // texture bytes still allowed
    mutable int64_t copyBudget = 0;           // patch texels still allowed to be copied or decoded
};

}  // namespace brindle
