#include "fuzz/synthetic_seeds.h"

#include "tests/support/synthetic_wad.h"

namespace brindle::fuzz {

using test::SyntheticWad;

std::vector<uint8_t> baseArchive() {
    return SyntheticWad::smallValidArchive().bytes();
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> syntheticSeedArchives() {
    // The room again with a step in its floor and a second, two-sided sector, so that seeds
    // also cover upper and lower wall pieces.
    test::SyntheticLevel stepped = test::squareRoomLevel();
    Sector raised = stepped.sectors[0];
    raised.floorHeight = 24;
    raised.ceilingHeight = 96;
    stepped.sectors.push_back(raised);
    stepped.sidedefs.push_back(test::makeSidedef("WALL", 1));
    stepped.linedefs[0].leftSidedef = static_cast<int16_t>(stepped.sidedefs.size() - 1);

    const test::PatchColumn smallColumn0 = {test::PatchRun{0, {5, 6, 7}},
                                            test::PatchRun{8, {9, 9}}};
    const test::PatchColumn smallColumn1 = {test::PatchRun{2, {4}}};

    // Two textures, the second of two overlapping placements, and a TEXTURE2.
    SyntheticWad textured;
    textured.addLump("PLAYPAL", test::playpalLump())
        .addLump("PNAMES", test::pnamesLump({"WALLPAT", "SMALL"}))
        .addLump("WALLPAT",
                 test::solidPatchLump(
                     64, 128, [](int x, int y) { return static_cast<uint8_t>(1 + (x + y) % 200); }))
        .addLump("SMALL", test::patchLump(16, {smallColumn0, smallColumn1}))
        .addLump("TEXTURE1", test::textureLump({{"WALL", 64, 128, {{0, 0, 0}, {-4, 120, 1}}},
                                                {"STEP", 32, 24, {{0, 0, 1}, {10, -3, 1}}}}))
        .addLump("TEXTURE2", test::textureLump({{"WALL2", 64, 64, {{0, -32, 0}}}}))
        .addLevel("E1M1", stepped)
        .addLevel("MAP01", test::squareRoomLevel());

    return {
        {"small-valid", baseArchive()},
        {"textured-two-maps", textured.bytes()},
    };
}

}  // namespace brindle::fuzz
