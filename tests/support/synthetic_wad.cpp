#include "tests/support/synthetic_wad.h"

#include <unistd.h>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace brindle::test {

void appendInt16(Bytes& bytes, int32_t value) {
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void appendInt32(Bytes& bytes, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<uint8_t>((bits >> shift) & 0xFF));
    }
}

void appendName(Bytes& bytes, const std::string& name) {
    for (size_t i = 0; i < 8; ++i) {
        bytes.push_back(i < name.size() ? static_cast<uint8_t>(name[i]) : 0);
    }
}

Bytes patchLump(int16_t height, const std::vector<PatchColumn>& columns) {
    Bytes header;
    appendInt16(header, static_cast<int32_t>(columns.size()));
    appendInt16(header, height);
    appendInt16(header, 0);
    appendInt16(header, 0);
    Bytes data;
    const size_t dataStart = 8 + 4 * columns.size();
    for (const PatchColumn& column : columns) {
        appendInt32(header, static_cast<int32_t>(dataStart + data.size()));
        for (const PatchRun& run : column) {
            data.push_back(run.top);
            data.push_back(static_cast<uint8_t>(run.pixels.size()));
            data.push_back(0);
            data.insert(data.end(), run.pixels.begin(), run.pixels.end());
            data.push_back(0);
        }
        data.push_back(255);
    }
    header.insert(header.end(), data.begin(), data.end());
    return header;
}

Bytes solidPatchLump(int16_t width, int16_t height,
                     const std::function<uint8_t(int x, int y)>& color) {
    std::vector<PatchColumn> columns(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) {
        // A run holds at most 255 rows and starts at most at row 254.
        for (int top = 0; top < height && top < 255; top += 128) {
            PatchRun run{static_cast<uint8_t>(top), {}};
            for (int y = top; y < height && y < top + 128; ++y) {
                run.pixels.push_back(color(x, y));
            }
            columns[static_cast<size_t>(x)].push_back(run);
        }
    }
    return patchLump(height, columns);
}

Bytes pnamesLump(const std::vector<std::string>& names) {
    Bytes bytes;
    appendInt32(bytes, static_cast<int32_t>(names.size()));
    for (const std::string& name : names) {
        appendName(bytes, name);
    }
    return bytes;
}

Bytes textureLump(const std::vector<TextureSpec>& textures) {
    Bytes bytes;
    appendInt32(bytes, static_cast<int32_t>(textures.size()));
    Bytes entries;
    const size_t entriesStart = 4 + 4 * textures.size();
    for (const TextureSpec& texture : textures) {
        appendInt32(bytes, static_cast<int32_t>(entriesStart + entries.size()));
        appendName(entries, texture.name);
        appendInt32(entries, 0);
        appendInt16(entries, texture.width);
        appendInt16(entries, texture.height);
        appendInt32(entries, 0);
        appendInt16(entries, static_cast<int32_t>(texture.placements.size()));
        for (const PatchPlacement& placement : texture.placements) {
            appendInt16(entries, placement.originX);
            appendInt16(entries, placement.originY);
            appendInt16(entries, placement.patch);
            appendInt16(entries, 1);
            appendInt16(entries, 0);
        }
    }
    bytes.insert(bytes.end(), entries.begin(), entries.end());
    return bytes;
}

Bytes playpalLump() {
    Bytes bytes;
    for (int p = 0; p < 14; ++p) {
        for (int i = 0; i < 256; ++i) {
            bytes.push_back(static_cast<uint8_t>(i));
            bytes.push_back(static_cast<uint8_t>(255 - i));
            bytes.push_back(static_cast<uint8_t>(p));
        }
    }
    return bytes;
}

Bytes colormapLump() {
    Bytes bytes;
    for (int m = 0; m < 34; ++m) {
        for (int i = 0; i < 256; ++i) {
            bytes.push_back(static_cast<uint8_t>((i + m) & 0xFF));
        }
    }
    return bytes;
}

Sidedef makeSidedef(const std::string& middleTexture, int16_t sector) {
    Sidedef side{};
    std::memset(side.upperTexture, 0, 8);
    std::memset(side.lowerTexture, 0, 8);
    side.upperTexture[0] = '-';
    side.lowerTexture[0] = '-';
    std::memset(side.middleTexture, 0, 8);
    std::memcpy(side.middleTexture, middleTexture.data(),
                std::min<size_t>(8, middleTexture.size()));
    side.sector = sector;
    return side;
}

SyntheticLevel squareRoomLevel() {
    SyntheticLevel level;
    //  v5 (0,256) ---- v4 (128,256) ---- v3 (256,256)
    //   |                  :                  |
    //   |   subsector 0    : x = 128   sub 1  |
    //   |                  :                  |
    //  v0 (0,0) ------ v1 (128,0) ------ v2 (256,0)
    level.vertices = {{0, 0}, {128, 0}, {256, 0}, {256, 256}, {128, 256}, {0, 256}};
    // Walls run clockwise, so the room lies on each line's right side.
    const int16_t ends[6][2] = {{0, 5}, {5, 4}, {4, 3}, {3, 2}, {2, 1}, {1, 0}};
    const int16_t angles[6] = {16384, 0, 0, -16384, -32768, -32768};
    for (int16_t i = 0; i < 6; ++i) {
        level.linedefs.push_back(Linedef{ends[i][0], ends[i][1], 1, 0, 0, i, -1});
        level.sidedefs.push_back(makeSidedef("WALL", 0));
    }
    // West half: linedefs 0, 1, 5; east half: 2, 3, 4.
    for (int16_t line : {0, 1, 5, 2, 3, 4}) {
        level.segs.push_back(Seg{ends[line][0], ends[line][1], angles[line], line, 0, 0});
    }
    level.subsectors = {{3, 0}, {3, 3}};
    Node node{};
    node.x = 128;
    node.y = 0;
    node.dx = 0;
    node.dy = 256;  // pointing north: the east half lies on its right
    const int16_t rightBox[4] = {256, 0, 128, 256};
    const int16_t leftBox[4] = {256, 0, 0, 128};
    std::memcpy(node.rightBox, rightBox, sizeof rightBox);
    std::memcpy(node.leftBox, leftBox, sizeof leftBox);
    node.rightChild = subsectorFlag | 1;
    node.leftChild = subsectorFlag | 0;
    level.nodes = {node};
    Sector sector{};
    sector.floorHeight = 0;
    sector.ceilingHeight = 128;
    std::memcpy(sector.floorFlat, "FLOOR", 5);
    std::memcpy(sector.ceilingFlat, "CEIL", 4);
    sector.lightLevel = 160;
    level.sectors = {sector};
    level.things = {Thing{64, 128, 90, 1, 7}, Thing{200, 200, 0, 3004, 7}};
    return level;
}

TempFile::TempFile(TempFile&& other) noexcept : filePath(std::move(other.filePath)) {
    other.filePath.clear();
}

TempFile::~TempFile() {
    if (!filePath.empty()) {
        std::error_code ignored;
        std::filesystem::remove(filePath, ignored);
    }
}

const std::vector<std::string> SyntheticWad::levelLumpNames = {
    "THINGS",   "LINEDEFS", "SIDEDEFS", "VERTEXES", "SEGS",
    "SSECTORS", "NODES",    "SECTORS",  "REJECT",   "BLOCKMAP"};

SyntheticWad SyntheticWad::smallValidArchive() {
    SyntheticWad wad;
    wad.addLump("PLAYPAL", playpalLump());
    wad.addLump("COLORMAP", colormapLump());
    wad.addLump("PNAMES", pnamesLump({"WALLPAT"}));
    wad.addLump("TEXTURE1", textureLump({{"WALL", 64, 128, {{0, 0, 0}}}}));
    wad.addLump("WALLPAT", solidPatchLump(64, 128, [](int x, int y) {
                    return static_cast<uint8_t>((x + 2 * y) % 255 + 1);
                }));
    wad.addLevel("E1M1", squareRoomLevel());
    return wad;
}

SyntheticWad& SyntheticWad::setIdentification(const std::string& fourBytes) {
    identification = fourBytes;
    return *this;
}

SyntheticWad& SyntheticWad::addLump(const std::string& name, Bytes data) {
    lumps.push_back(Lump{name, std::move(data), std::nullopt, 0});
    return *this;
}

SyntheticWad& SyntheticWad::addMarker(const std::string& name) {
    return addLump(name, {});
}

SyntheticWad& SyntheticWad::addRawEntry(const std::string& name, int32_t filePos, int32_t size) {
    lumps.push_back(Lump{name, {}, filePos, size});
    return *this;
}

SyntheticWad& SyntheticWad::addLevel(const std::string& marker, const SyntheticLevel& level,
                                     const std::vector<std::string>& omitted) {
    addMarker(marker);
    const Bytes data[] = {recordBytes(level.things),
                          recordBytes(level.linedefs),
                          recordBytes(level.sidedefs),
                          recordBytes(level.vertices),
                          recordBytes(level.segs),
                          recordBytes(level.subsectors),
                          recordBytes(level.nodes),
                          recordBytes(level.sectors),
                          Bytes{},
                          Bytes(16, 0)};
    for (size_t i = 0; i < levelLumpNames.size(); ++i) {
        bool skip = false;
        for (const std::string& name : omitted) {
            skip = skip || name == levelLumpNames[i];
        }
        if (!skip) {
            addLump(levelLumpNames[i], data[i]);
        }
    }
    return *this;
}

SyntheticWad& SyntheticWad::overrideLumpCount(int32_t count) {
    lumpCountOverride = count;
    return *this;
}

SyntheticWad& SyntheticWad::overrideDirectoryOffset(int32_t offset) {
    directoryOffsetOverride = offset;
    return *this;
}

Bytes SyntheticWad::bytes() const {
    Bytes file(12, 0);
    Bytes directory;
    for (const Lump& lump : lumps) {
        const int32_t position = lump.rawFilePos.value_or(static_cast<int32_t>(file.size()));
        const int32_t size =
            lump.rawFilePos ? lump.rawSize : static_cast<int32_t>(lump.data.size());
        file.insert(file.end(), lump.data.begin(), lump.data.end());
        appendInt32(directory, position);
        appendInt32(directory, size);
        appendName(directory, lump.name);
    }
    const int32_t directoryOffset = static_cast<int32_t>(file.size());
    file.insert(file.end(), directory.begin(), directory.end());
    for (size_t i = 0; i < 4; ++i) {
        file[i] = i < identification.size() ? static_cast<uint8_t>(identification[i]) : 0;
    }
    Bytes counts;
    appendInt32(counts, lumpCountOverride.value_or(static_cast<int32_t>(lumps.size())));
    appendInt32(counts, directoryOffsetOverride.value_or(directoryOffset));
    std::memcpy(file.data() + 4, counts.data(), 8);
    return file;
}

void SyntheticWad::writeTo(const std::string& path) const {
    const Bytes data = bytes();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

TempFile writeTempFile(const Bytes& bytes) {
    static std::atomic<int> counter{0};
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("brindle-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".wad");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
    return TempFile(path);
}

std::vector<NamedLump> readWadLumps(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto int32At = [&](size_t at) {
        uint32_t value = 0;
        std::memcpy(&value, file.data() + at, 4);
        return static_cast<int32_t>(value);
    };
    std::vector<NamedLump> lumps;
    if (file.size() < 12) {
        return lumps;
    }
    const int64_t count = int32At(4);
    const int64_t directory = int32At(8);
    if (count < 0 || directory < 0 || directory + count * 16 > static_cast<int64_t>(file.size())) {
        return lumps;
    }
    for (int64_t i = 0; i < count; ++i) {
        const size_t entry = static_cast<size_t>(directory + i * 16);
        const int64_t position = int32At(entry);
        const int64_t size = int32At(entry + 4);
        const char* name = reinterpret_cast<const char*>(file.data() + entry + 8);
        NamedLump lump{std::string(name, strnlen(name, 8)), {}};
        if (size > 0 && position >= 0 && position + size <= static_cast<int64_t>(file.size())) {
            lump.data.assign(file.begin() + position, file.begin() + position + size);
        }
        lumps.push_back(std::move(lump));
    }
    return lumps;
}

TempFile SyntheticWad::writeTemp() const {
    return writeTempFile(bytes());
}

}  // namespace brindle::test
