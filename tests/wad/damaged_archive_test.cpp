// Hostile and damaged archives: memory stays bounded by the file and nothing reads outside it.
#include <gtest/gtest.h>

#include <random>

#include "tests/support/synthetic_wad.h"
#include "wad/wad_archive.h"

namespace brindle {
namespace {

using test::Bytes;
using test::SyntheticWad;
using test::TempFile;

// A few kilobytes that ask for thousands of 1024 x 1024 textures (one entry shared by every
// offset): only what the texel budget allows is allocated, the rest stays empty.
TEST(DamagedArchive, HugeTexturesSharingOneEntryStayWithinTheBudget) {
    Bytes lump;
    const int32_t count = 2000;
    test::appendInt32(lump, count);
    const int32_t entry = 4 + 4 * count;
    for (int i = 0; i < count; ++i) {
        test::appendInt32(lump, entry);
    }
    test::appendName(lump, "HUGE");
    test::appendInt32(lump, 0);
    test::appendInt16(lump, 1024);
    test::appendInt16(lump, 1024);
    test::appendInt32(lump, 0);
    test::appendInt16(lump, 1);
    for (int value : {0, 0, 0, 0, 0}) {
        test::appendInt16(lump, value);
    }
    SyntheticWad wad;
    wad.addLump("PNAMES", test::pnamesLump({"P"})).addLump("TEXTURE1", lump);
    wad.addLump("P", test::solidPatchLump(64, 64, [](int, int) { return uint8_t{5}; }));
    TempFile file = wad.writeTemp();
    WadArchive archive;
    ASSERT_EQ(archive.open(file.path().c_str()), resultOk);
    ASSERT_EQ(archive.textureCount, count);
    EXPECT_EQ(archive.composeAllTextures(), 1);
    int composed = 0;
    for (const TextureDef& texture : archive.textures) {
        composed += texture.pixels.empty() ? 0 : 1;
    }
    EXPECT_EQ(composed, 1);
    EXPECT_EQ(archive.textures[0].pixels[0], 5);
}

// A quarter megabyte naming 650 million placements of a missing patch: composition gives up
// on placements once its work budget is spent instead of looking at every one.
TEST(DamagedArchive, PlacementsSharedByManyTexturesAreBounded) {
    const int32_t count = 20000;
    Bytes lump;
    test::appendInt32(lump, count);
    for (int i = 0; i < count; ++i) {
        test::appendInt32(lump, 4 + 4 * count);
    }
    test::appendName(lump, "SHARED");
    test::appendInt32(lump, 0);
    test::appendInt16(lump, 1);
    test::appendInt16(lump, 1);
    test::appendInt32(lump, 0);
    test::appendInt16(lump, 32767);
    for (int p = 0; p < 32767; ++p) {
        for (int value : {0, 0, 1, 0, 0}) {  // patch 1: not in the archive
            test::appendInt16(lump, value);
        }
    }
    SyntheticWad wad;
    wad.addLump("PNAMES", test::pnamesLump({"P", "MISSING"})).addLump("TEXTURE1", lump);
    wad.addLump("P", test::solidPatchLump(1, 1, [](int, int) { return uint8_t{5}; }));
    TempFile file = wad.writeTemp();
    WadArchive archive;
    ASSERT_EQ(archive.open(file.path().c_str()), resultOk);
    EXPECT_EQ(archive.textureCount, count);
    EXPECT_EQ(archive.composeAllTextures(), count);  // every one, each short of placements
}

// Random damage to a complete archive: every operation still returns one of its results and
// stays inside its buffers (the suite also runs under AddressSanitizer).
TEST(DamagedArchive, RandomDamageIsHandled) {
    const Bytes original = SyntheticWad::smallValidArchive().bytes();
    std::mt19937 random(12345);
    int opened = 0;
    for (int round = 0; round < 300; ++round) {
        Bytes damaged = original;
        const int changes = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < changes; ++i) {
            damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
        }
        if (round % 10 == 0) {
            damaged.resize(random() % damaged.size());
        }
        TempFile file = test::writeTempFile(damaged);
        WadArchive archive;
        const int32_t openResult = archive.open(file.path().c_str());
        ASSERT_TRUE(openResult == resultOk || openResult == resultCannotRead ||
                    openResult == resultNotIwad);
        if (openResult != resultOk) {
            continue;
        }
        ++opened;
        const int32_t levelResult = archive.loadLevel("E1M1");
        ASSERT_TRUE(levelResult == resultOk || levelResult == resultCannotRead ||
                    levelResult == resultBadLevel);
        if (levelResult == resultOk) {
            // What the renderer will follow without checking holds.
            for (const Seg& seg : archive.segs) {
                ASSERT_LT(static_cast<size_t>(seg.linedef), archive.linedefs.size());
            }
            ASSERT_EQ(archive.rootNode, static_cast<int16_t>(archive.nodes.size() - 1));
        }
        int16_t w = 0;
        int16_t h = 0;
        if (const uint8_t* pixels = archive.findTexture("WALL", &w, &h)) {
            ASSERT_GT(w, 0);
            ASSERT_GT(h, 0);
            volatile uint8_t last = pixels[w * h - 1];
            (void)last;
        }
    }
    EXPECT_GT(opened, 100);
}

}  // namespace
}  // namespace brindle
