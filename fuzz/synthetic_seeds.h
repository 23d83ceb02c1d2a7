// Archives built by the test suite's synthetic archive builder, as seeds and as the base
// archive that the lump-body fuzzer splices its input into.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace brindle::fuzz {

// The small valid archive: palettes, one patch, one texture and the square-room E1M1.
std::vector<uint8_t> baseArchive();

// A few valid archives that differ in shape, each with a short name.
std::vector<std::pair<std::string, std::vector<uint8_t>>> syntheticSeedArchives();

}  // namespace brindle::fuzz
