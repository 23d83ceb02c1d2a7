// The layering fuzzer's input: a 4-byte little-endian length, that many bytes of IWAD (or what
// is left), then the PWAD. Shared by the fuzz target and the seed generator.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace brindle::fuzz {

struct LayerSplit {
    const uint8_t* iwad = nullptr;
    size_t iwadSize = 0;
    const uint8_t* pwad = nullptr;
    size_t pwadSize = 0;
};

inline LayerSplit splitLayers(const uint8_t* data, size_t size) {
    LayerSplit split;
    if (size < 4) {
        return split;
    }
    const size_t length =
        size_t{data[0]} | size_t{data[1]} << 8 | size_t{data[2]} << 16 | size_t{data[3]} << 24;
    split.iwad = data + 4;
    split.iwadSize = std::min(length, size - 4);
    split.pwad = split.iwad + split.iwadSize;
    split.pwadSize = size - 4 - split.iwadSize;
    return split;
}

inline std::vector<uint8_t> joinLayers(const std::vector<uint8_t>& iwad,
                                       const std::vector<uint8_t>& pwad) {
    const size_t length = iwad.size();
    std::vector<uint8_t> input = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                                  static_cast<uint8_t>(length >> 16),
                                  static_cast<uint8_t>(length >> 24)};
    input.insert(input.end(), iwad.begin(), iwad.end());
    input.insert(input.end(), pwad.begin(), pwad.end());
    return input;
}

}  // namespace brindle::fuzz
