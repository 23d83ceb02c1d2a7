// Small levels and textures built in code for the renderer's tests, and frame inspection.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "render/renderer.h"
#include "wad/formats/level_lumps.h"
#include "wad/wad_archive.h"

namespace brindle::test {

// Texel colour by texture column and row.
using TexelPattern = std::function<uint8_t(int column, int row)>;

// Adds a texture to those the archive holds. The archive is opened anew from a small file
// with all of them, which drops any level: add textures before building the level.
void addTexture(WadArchive& archive, const char* name, int16_t width, int16_t height,
                const TexelPattern& pattern);
void addSolidTexture(WadArchive& archive, const char* name, int16_t width, int16_t height,
                     uint8_t colour);

// Appends records to an archive's level arrays and returns their indices.
class LevelBuilder {
  public:
    explicit LevelBuilder(WadArchive& archive) : level(archive) {}

    int16_t vertex(int16_t x, int16_t y);
    int16_t sector(int16_t floorHeight, int16_t ceilingHeight);
    int16_t sidedef(int16_t sector, const char* middle, const char* upper = "-",
                    const char* lower = "-", int16_t xOffset = 0, int16_t yOffset = 0);
    int16_t linedef(int16_t start, int16_t end, int16_t right, int16_t left = -1);
    int16_t seg(int16_t start, int16_t end, int16_t linedef, int16_t side, uint16_t angle,
                int16_t offset = 0);
    int16_t subsector(int16_t firstSeg, int16_t segCount);
    int16_t node(int16_t x, int16_t y, int16_t dx, int16_t dy, uint32_t rightChild,
                 uint32_t leftChild);
    // Sets the vertex count and makes the last node the root (-1 without nodes).
    void finish();

  private:
    WadArchive& level;
};

// A thing as a Doom-format level stores it, with the skill and mode bits its flags give.
inline Thing doomThing(int16_t x, int16_t y, int16_t angle, int16_t type, int16_t flags) {
    return Thing{x, y, angle, type, flags, skillsFromBinaryFlags(flags), (flags & 0x10) == 0};
}

constexpr uint32_t subsectorChild(int index) {
    return subsectorFlag | static_cast<uint32_t>(index);
}

inline uint8_t pixelAt(const Renderer& r, int row, int column) {
    return r.frameBuffer[row * frameWidth + column];
}

// The rows first to last, both included.
inline std::vector<int> rowRange(int first, int last) {
    std::vector<int> rows;
    for (int r = first; r <= last; ++r) {
        rows.push_back(r);
    }
    return rows;
}

// FNV-1a, 64 bits, of the whole frame.
uint64_t frameHash(const Renderer& r);

// Writes the frame with palette 0 as a binary PPM, for looking at it.
bool writePpm(const Renderer& r, const std::string& fileName);

}  // namespace brindle::test
