#include "tests/render/test_level.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace brindle::test {

namespace {
// Copies a name of up to 8 characters into a NUL-padded 8-byte field.
void copyName(char* field, const char* name) {
    std::memset(field, 0, 8);
    std::memcpy(field, name, std::min<size_t>(std::strlen(name), 8));
}
}  // namespace

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, int32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& b, int32_t v) {
    put16(b, v);
    put16(b, v >> 16);
}
void putName(Bytes& b, const char* name) {
    char field[8];
    copyName(field, name);
    b.insert(b.end(), field, field + 8);
}

// A patch holding a whole texture: one post of `height` texels per column.
Bytes patchOf(const TextureDef& t) {
    Bytes patch;
    put16(patch, t.width);
    put16(patch, t.height);
    put16(patch, 0);
    put16(patch, 0);
    const size_t columnStart = patch.size() + 4 * static_cast<size_t>(t.width);
    const size_t columnBytes = static_cast<size_t>(t.height) + 5;
    for (int c = 0; c < t.width; ++c) {
        put32(patch, static_cast<int32_t>(columnStart + c * columnBytes));
    }
    for (int c = 0; c < t.width; ++c) {
        patch.push_back(0);  // first row
        patch.push_back(static_cast<uint8_t>(t.height));
        patch.push_back(0);
        const uint8_t* column = t.pixels.data() + static_cast<size_t>(c) * t.height;
        patch.insert(patch.end(), column, column + t.height);
        patch.push_back(0);
        patch.push_back(0xFF);  // end of column
    }
    return patch;
}

// Writes the textures into a small archive (PNAMES, one patch per texture, TEXTURE1) and
// opens it, so that the archive holds and indexes them as it would a real one.
void reopenWithTextures(WadArchive& archive, const std::vector<TextureDef>& textures) {
    std::vector<std::pair<std::string, Bytes>> lumps;
    Bytes pnames;
    put32(pnames, static_cast<int32_t>(textures.size()));
    for (size_t i = 0; i < textures.size(); ++i) {
        putName(pnames, ("P" + std::to_string(i)).c_str());
    }
    lumps.emplace_back("PNAMES", pnames);
    Bytes textureLump;
    put32(textureLump, static_cast<int32_t>(textures.size()));
    const size_t definitionBytes = 22 + 10;
    for (size_t i = 0; i < textures.size(); ++i) {
        put32(textureLump, static_cast<int32_t>(4 + 4 * textures.size() + i * definitionBytes));
    }
    for (size_t i = 0; i < textures.size(); ++i) {
        const TextureDef& t = textures[i];
        putName(textureLump, std::string(t.name, strnlen(t.name, 8)).c_str());
        put32(textureLump, 0);
        put16(textureLump, t.width);
        put16(textureLump, t.height);
        put32(textureLump, 0);
        put16(textureLump, 1);  // one patch, at the origin
        put16(textureLump, 0);
        put16(textureLump, 0);
        put16(textureLump, static_cast<int32_t>(i));
        put16(textureLump, 1);
        put16(textureLump, 0);
        lumps.emplace_back("P" + std::to_string(i), patchOf(t));
    }
    lumps.emplace_back("TEXTURE1", textureLump);

    Bytes file = {'I', 'W', 'A', 'D'};
    put32(file, static_cast<int32_t>(lumps.size()));
    put32(file, 0);  // directory offset, set below
    Bytes directory;
    for (const auto& [name, data] : lumps) {
        put32(directory, static_cast<int32_t>(file.size()));
        put32(directory, static_cast<int32_t>(data.size()));
        putName(directory, name.c_str());
        file.insert(file.end(), data.begin(), data.end());
    }
    const int32_t directoryOffset = static_cast<int32_t>(file.size());
    for (int i = 0; i < 4; ++i) {
        file[8 + i] = static_cast<uint8_t>(directoryOffset >> (8 * i));
    }
    file.insert(file.end(), directory.begin(), directory.end());

    static int serial = 0;
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("brindle-render-test-" + std::to_string(::getpid()) + "-" +
                                        std::to_string(serial++) + ".wad");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    const int32_t opened = archive.open(path.c_str());
    archive.composeAllTextures();  // while the file is there to read the patches from
    std::filesystem::remove(path);
    ASSERT_EQ(opened, 1) << archive.errorText();
    ASSERT_EQ(archive.textures.size(), textures.size());
}

}  // namespace

void addTexture(WadArchive& archive, const char* name, int16_t width, int16_t height,
                const TexelPattern& pattern) {
    std::vector<TextureDef> textures = std::move(archive.textures);
    TextureDef texture;
    copyName(texture.name, name);
    texture.width = width;
    texture.height = height;
    texture.pixels.resize(static_cast<size_t>(std::max<int>(width, 0)) * std::max<int>(height, 0));
    for (int c = 0; c < width; ++c) {
        for (int r = 0; r < height; ++r) {
            texture.pixels[static_cast<size_t>(c) * height + r] = pattern(c, r);
        }
    }
    textures.push_back(std::move(texture));
    reopenWithTextures(archive, textures);
}

void addSolidTexture(WadArchive& archive, const char* name, int16_t width, int16_t height,
                     uint8_t colour) {
    addTexture(archive, name, width, height, [colour](int, int) { return colour; });
}

namespace {
template <typename T>
int16_t append(std::vector<T>& records, const T& record) {
    records.push_back(record);
    return static_cast<int16_t>(records.size() - 1);
}

}  // namespace

int16_t LevelBuilder::vertex(int16_t x, int16_t y) {
    return append(level.vertices, Vertex{x, y});
}

int16_t LevelBuilder::sector(int16_t floorHeight, int16_t ceilingHeight) {
    Sector s{};
    s.floorHeight = floorHeight;
    s.ceilingHeight = ceilingHeight;
    return append(level.sectors, s);
}

int16_t LevelBuilder::sidedef(int16_t sector, const char* middle, const char* upper,
                              const char* lower, int16_t xOffset, int16_t yOffset) {
    Sidedef s{};
    s.xOffset = xOffset;
    s.yOffset = yOffset;
    copyName(s.upperTexture, upper);
    copyName(s.lowerTexture, lower);
    copyName(s.middleTexture, middle);
    s.sector = sector;
    return append(level.sidedefs, s);
}

int16_t LevelBuilder::linedef(int16_t start, int16_t end, int16_t right, int16_t left) {
    Linedef l{};
    l.startVertex = start;
    l.endVertex = end;
    l.rightSidedef = right;
    l.leftSidedef = left;
    return append(level.linedefs, l);
}

int16_t LevelBuilder::seg(int16_t start, int16_t end, int16_t linedef, int16_t side, uint16_t angle,
                          int16_t offset) {
    return append(level.segs, Seg{start, end, static_cast<int16_t>(angle), linedef, side, offset});
}

int16_t LevelBuilder::subsector(int16_t firstSeg, int16_t segCount) {
    return append(level.subsectors, Subsector{segCount, firstSeg});
}

int16_t LevelBuilder::node(int16_t x, int16_t y, int16_t dx, int16_t dy, uint32_t rightChild,
                           uint32_t leftChild) {
    Node n{};
    n.x = x;
    n.y = y;
    n.dx = dx;
    n.dy = dy;
    n.rightChild = rightChild;
    n.leftChild = leftChild;
    return append(level.nodes, n);
}

void LevelBuilder::finish() {
    level.vertexCount = static_cast<int32_t>(level.vertices.size());
    level.rootNode = static_cast<int32_t>(level.nodes.size()) - 1;
    ++level.levelSerial;
}

uint64_t frameHash(const Renderer& r) {
    uint64_t hash = 14695981039346656037ull;
    for (int i = 0; i < frameBytes; ++i) {
        hash ^= r.frameBuffer[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

bool writePpm(const Renderer& r, const std::string& fileName) {
    std::FILE* f = std::fopen(fileName.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    std::fprintf(f, "P6\n%d %d\n255\n", frameWidth, frameHeight);
    const uint8_t* palette = r.archive->palettes[0].data();
    for (int i = 0; i < frameBytes; ++i) {
        std::fwrite(palette + 3 * r.frameBuffer[i], 1, 3, f);
    }
    return std::fclose(f) == 0;
}

}  // namespace brindle::test
