// A buffer for lump data. Growing it zeroes the new bytes with one memset before a read
// overwrites them: cheaper than the per-byte loop that leaving them uninitialised takes where
// every loop edge is counted (the fuzzing builds), and never slower than the read itself.
#pragma once

#include <cstdint>
#include <vector>

namespace brindle {

using LumpBytes = std::vector<uint8_t>;

}  // namespace brindle
