#include "tests/render/test_level.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace brindle::test {

namespace {
// Copies a name of up to 8 characters into a NUL-padded 8-byte field.
void copyName(char* field, const char* name) {
    std::memset(field, 0, 8);
    std::memcpy(field, name, std::min<size_t>(std::strlen(name), 8));
}
}  // namespace

void addTexture(WadArchive& archive, const char* name, int16_t width, int16_t height,
                const TexelPattern& pattern) {
    TextureDef texture;
    copyName(texture.name, name);
    texture.width = width;
    texture.height = height;
    texture.pixels.resize(static_cast<size_t>(width) * height);
    for (int c = 0; c < width; ++c) {
        for (int r = 0; r < height; ++r) {
            texture.pixels[static_cast<size_t>(c) * height + r] = pattern(c, r);
        }
    }
    archive.textures.push_back(std::move(texture));
    archive.textureCount = static_cast<int32_t>(archive.textures.size());
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

int16_t LevelBuilder::node(int16_t x, int16_t y, int16_t dx, int16_t dy, uint16_t rightChild,
                           uint16_t leftChild) {
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
    level.rootNode = static_cast<int16_t>(static_cast<int>(level.nodes.size()) - 1);
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
