#include <cstring>

#include "render/renderer.h"

namespace brindle {

namespace {
void put32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}
void put16(uint8_t* at, uint16_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}
}  // namespace

void fillBitmapInfo(uint8_t* block, const uint8_t* palette) {
    std::memset(block, 0, 40);
    put32(block + 0, 40);                                   // header size
    put32(block + 4, frameWidth);                           // width
    put32(block + 8, static_cast<uint32_t>(-frameHeight));  // negative: rows run top-down
    put16(block + 12, 1);                                   // planes
    put16(block + 14, 8);                                   // bits per pixel
    // compression (uncompressed), image size, resolutions, colours used and important: 0
    uint8_t* colors = block + 40;
    for (int i = 0; i < 256; ++i) {
        colors[4 * i + 0] = palette[3 * i + 2];
        colors[4 * i + 1] = palette[3 * i + 1];
        colors[4 * i + 2] = palette[3 * i + 0];
        colors[4 * i + 3] = 0;
    }
}

}  // namespace brindle
