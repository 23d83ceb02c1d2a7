// Sprite pictures: the lumps between the sprite markers, in the patch format (a header of
// width, height, left and top offset, a column offset per column, each column a list of runs
// of rows ending in a 255 byte).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace brindle {

// One run of a column: rows top to top + length - 1, their texels at `data` in the picture.
struct SpriteRun {
    int32_t top;
    int32_t length;
    int32_t data;  // offset of the first texel in SpritePicture::bytes
};

// A sprite picture whose header, column offsets and every run lie inside its lump.
struct SpritePicture {
    int32_t width = 0;
    int32_t height = 0;
    int32_t leftOffset = 0;
    int32_t topOffset = 0;
    std::vector<uint8_t> bytes;     // the lump
    std::vector<SpriteRun> runs;    // of every column, in column order
    std::vector<int32_t> firstRun;  // of each column, and the end: width + 1 entries

    // The runs of column c (0 <= c < width), in the order they are stored: where two cover the
    // same row, the later one's texel counts.
    const SpriteRun* runsBegin(int32_t c) const { return runs.data() + firstRun[c]; }
    const SpriteRun* runsEnd(int32_t c) const { return runs.data() + firstRun[c + 1]; }
};

// Checks and decodes a sprite lump; false (and `picture` unusable) unless the width and the
// height are positive and the header, the column offsets and every run up to its column's 255
// byte lie inside the lump. Columns may share their runs; the runs decoded in all are held to
// a multiple of the lump's size, and a lump that needs more counts as not well formed. The
// picture keeps the lump's bytes.
bool decodeSpritePicture(std::vector<uint8_t> lumpBytes, SpritePicture& picture);

}  // namespace brindle
