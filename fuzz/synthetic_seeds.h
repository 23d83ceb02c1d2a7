// Archives built by the test suite's synthetic archive builder, as seeds and as the base
// archive that the lump-body fuzzer splices its input into.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/synthetic_wad.h"

namespace brindle::fuzz {

// The test suite's square room with a step in its floor and a second, two-sided sector, under
// a sky; and the room four times as large.
test::SyntheticLevel steppedRoom();
test::SyntheticLevel largeRoom();

// A small valid archive: palettes, one patch, one texture, the floor's flat (the ceiling has
// none, which halves the planes' pixels) and E1M1, the test suite's square room four times
// as large.
std::vector<uint8_t> baseArchive();

// A few valid archives that differ in shape, each with a short name.
std::vector<std::pair<std::string, std::vector<uint8_t>>> syntheticSeedArchives();

// Inputs of the layering fuzzer (see layer_split.h): IWADs with PWADs that replace a patch,
// the textures, flats or a level, add a map, or hold maps in formats Brindle refuses.
std::vector<std::pair<std::string, std::vector<uint8_t>>> syntheticLayerSeeds();

// The base archive's tree in DeePBSP's three lumps.
struct DeepBspLevelLumps {
    std::vector<uint8_t> segs;
    std::vector<uint8_t> subsectors;
    std::vector<uint8_t> nodes;
};
DeepBspLevelLumps deepBspLevelLumps();

// Inputs of the node-lump fuzzer: the base archive's tree as a NODES lump in every node format,
// each with the format's name.
std::vector<std::pair<std::string, std::vector<uint8_t>>> nodeLumpSeeds();

}  // namespace brindle::fuzz
