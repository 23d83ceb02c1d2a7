// Synthetic archives built in code: a header, arbitrary lumps, the global graphics lumps and
// complete levels, laid out as a real archive and written to a temporary file.
//
//   SyntheticWad wad = SyntheticWad::smallValidArchive();   // palettes, a texture, E1M1
//   TempFile file = wad.writeTemp();
//   WadArchive archive;
//   archive.open(file.path().c_str());
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "wad/map_records.h"

namespace brindle::test {

using Bytes = std::vector<uint8_t>;

// Little-endian writers.
void appendInt16(Bytes& bytes, int32_t value);
void appendInt32(Bytes& bytes, int32_t value);
void appendName(Bytes& bytes, const std::string& name);  // 8 bytes, NUL-padded, cut at 8

// Records as a Doom-format level stores them: 16-bit references (none is 0xFFFF), node children
// with bit 15 marking a subsector.
Bytes recordBytes(const std::vector<Thing>& records);
Bytes recordBytes(const std::vector<Linedef>& records);
Bytes recordBytes(const std::vector<Sidedef>& records);
Bytes recordBytes(const std::vector<Vertex>& records);
Bytes recordBytes(const std::vector<Seg>& records);
Bytes recordBytes(const std::vector<Subsector>& records);
Bytes recordBytes(const std::vector<Node>& records);
Bytes recordBytes(const std::vector<Sector>& records);

// One run of a patch column: the palette indices of rows top, top + 1, ...
struct PatchRun {
    uint8_t top = 0;
    Bytes pixels;
};
using PatchColumn = std::vector<PatchRun>;

// A patch lump with one entry of `columns` per column (the width is columns.size()).
Bytes patchLump(int16_t height, const std::vector<PatchColumn>& columns);
// A patch every texel of which is covered, one run per column: texel (x, y) is color(x, y).
Bytes solidPatchLump(int16_t width, int16_t height,
                     const std::function<uint8_t(int x, int y)>& color);

struct PatchPlacement {
    int16_t originX = 0;
    int16_t originY = 0;
    int16_t patch = 0;  // index into PNAMES
};

struct TextureSpec {
    std::string name;
    int16_t width = 0;
    int16_t height = 0;
    std::vector<PatchPlacement> placements;
};

Bytes pnamesLump(const std::vector<std::string>& names);
Bytes textureLump(const std::vector<TextureSpec>& textures);
// 14 palettes; entry i of palette p is red i, green 255 - i, blue p.
Bytes playpalLump();
// 34 maps; byte i of map m is (i + m) mod 256.
Bytes colormapLump();

struct SyntheticLevel {
    std::vector<Thing> things;
    std::vector<Linedef> linedefs;
    std::vector<Sidedef> sidedefs;
    std::vector<Vertex> vertices;
    std::vector<Seg> segs;
    std::vector<Subsector> subsectors;
    std::vector<Node> nodes;
    std::vector<Sector> sectors;
};

// A 256 x 256 square room, one sector (floor 0, ceiling 128), split by one node along x = 128
// into two subsectors of three segs each: subsector 0 the west half (the node's left child),
// subsector 1 the east half (its right child). Six one-sided linedefs with middle texture
// "WALL"; the player-one start at (64, 128) facing 90 degrees, plus one thing of type 3004.
SyntheticLevel squareRoomLevel();

Sidedef makeSidedef(const std::string& middleTexture, int16_t sector);

// A file removed again when the object goes away.
class TempFile {
  public:
    explicit TempFile(std::filesystem::path path) : filePath(std::move(path)) {}
    TempFile(TempFile&& other) noexcept;
    TempFile& operator=(TempFile&&) = delete;
    TempFile(const TempFile&) = delete;
    ~TempFile();
    const std::string path() const { return filePath.string(); }

  private:
    std::filesystem::path filePath;
};

class SyntheticWad {
  public:
    // The usual ten level lumps, in archive order.
    static const std::vector<std::string> levelLumpNames;

    // PLAYPAL, COLORMAP, PNAMES ("WALLPAT"), the 64 x 128 patch WALLPAT (texel (x, y) is
    // (x + 2 * y) mod 256, never 0), TEXTURE1 with "WALL" (64 x 128, WALLPAT at 0, 0) and
    // level E1M1, the square room.
    static SyntheticWad smallValidArchive();

    SyntheticWad& setIdentification(const std::string& fourBytes);
    SyntheticWad& addLump(const std::string& name, Bytes data);
    SyntheticWad& addMarker(const std::string& name);
    // A directory entry with the given position and size and no data of its own.
    SyntheticWad& addRawEntry(const std::string& name, int32_t filePos, int32_t size);
    // The marker and the ten level lumps, leaving out those named in `omitted`.
    SyntheticWad& addLevel(const std::string& marker, const SyntheticLevel& level,
                           const std::vector<std::string>& omitted = {});
    // Header fields written instead of the true ones.
    SyntheticWad& overrideLumpCount(int32_t count);
    SyntheticWad& overrideDirectoryOffset(int32_t offset);

    // Header, lump data in order, then the directory.
    Bytes bytes() const;
    void writeTo(const std::string& path) const;
    TempFile writeTemp() const;

  private:
    struct Lump {
        std::string name;
        Bytes data;
        std::optional<int32_t> rawFilePos;
        int32_t rawSize = 0;
    };
    std::string identification = "IWAD";
    std::vector<Lump> lumps;
    std::optional<int32_t> lumpCountOverride;
    std::optional<int32_t> directoryOffsetOverride;
};

// Writes `bytes` to a fresh temporary file.
TempFile writeTempFile(const Bytes& bytes);

// The lumps of an archive file, in directory order: what tests take from the real archives
// to build their own. Empty when the file cannot be read as an archive.
struct NamedLump {
    std::string name;
    Bytes data;
};
std::vector<NamedLump> readWadLumps(const std::string& path);

}  // namespace brindle::test
