// 8-bit palettised PNG output through libpng.
#pragma once

#include <cstdint>
#include <string>

namespace brindle {

// Writes width x height palette indices (top row first) with the 768-byte palette.
// Returns true on success; on failure `error` says why and no partial file is left.
bool writePng(const char* fileName, const uint8_t* pixels, int32_t width, int32_t height,
              const uint8_t* palette, std::string& error);

}  // namespace brindle
