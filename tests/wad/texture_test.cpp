// Patch names, patch decoding and texture composition, including damaged lumps.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/synthetic_wad.h"
#include "wad/wad_archive.h"

namespace brindle {
namespace {

using test::Bytes;
using test::PatchColumn;
using test::PatchRun;
using test::SyntheticWad;
using test::TempFile;
using test::TextureSpec;

using NamedLumps = std::vector<std::pair<std::string, Bytes>>;

// A texture as composed, read back column-major.
struct Composed {
    int16_t width = 0;
    int16_t height = 0;
    const uint8_t* pixels = nullptr;
    uint8_t at(int x, int y) const { return pixels[x * height + y]; }
};

class Composition {
  public:
    Composition(const NamedLumps& patches, const std::vector<std::string>& pnames,
                const std::vector<TextureSpec>& textures) {
        SyntheticWad wad;
        wad.addLump("PNAMES", test::pnamesLump(pnames));
        wad.addLump("TEXTURE1", test::textureLump(textures));
        for (const auto& [name, lump] : patches) {
            wad.addLump(name, lump);
        }
        file.emplace(wad.writeTemp());
        EXPECT_EQ(archive.open(file->path().c_str()), resultOk);
    }

    Composed texture(const char* name) const {
        Composed c;
        c.pixels = archive.findTexture(name, &c.width, &c.height);
        return c;
    }

    std::optional<TempFile> file;
    WadArchive archive;
};

Bytes solid(int16_t width, int16_t height, uint8_t value) {
    return test::solidPatchLump(width, height, [value](int, int) { return value; });
}

uint8_t distinct(int x, int y) {
    return static_cast<uint8_t>(1 + x * 16 + y);
}

TEST(TextureComposition, OnePatchOfTheTextureSizeReproducesThePatchColumnMajor) {
    Composition c({{"P", test::solidPatchLump(3, 2, distinct)}}, {"P"}, {{"T", 3, 2, {{0, 0, 0}}}});
    const Composed t = c.texture("T");
    ASSERT_NE(t.pixels, nullptr);
    ASSERT_EQ(t.width, 3);
    ASSERT_EQ(t.height, 2);
    const uint8_t expected[] = {distinct(0, 0), distinct(0, 1), distinct(1, 0),
                                distinct(1, 1), distinct(2, 0), distinct(2, 1)};
    EXPECT_EQ(0, std::memcmp(t.pixels, expected, sizeof expected));
}

// A 3 x 3 patch of distinct texels placed on a 4 x 4 texture: only its part inside the
// texture lands, and every other texel is 0.
struct ClipCase {
    const char* label;
    int16_t originX;
    int16_t originY;
};

class TextureClipping : public testing::TestWithParam<ClipCase> {};

TEST_P(TextureClipping, OnlyThePartInsideTheTextureLands) {
    const ClipCase& clip = GetParam();
    Composition c({{"P", test::solidPatchLump(3, 3, distinct)}}, {"P"},
                  {{"T", 4, 4, {{clip.originX, clip.originY, 0}}}});
    const Composed t = c.texture("T");
    ASSERT_NE(t.pixels, nullptr);
    for (int x = 0; x < 4; ++x) {
        for (int y = 0; y < 4; ++y) {
            const int px = x - clip.originX;
            const int py = y - clip.originY;
            const bool covered = px >= 0 && px < 3 && py >= 0 && py < 3;
            EXPECT_EQ(t.at(x, y), covered ? distinct(px, py) : 0) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Edges, TextureClipping,
                         testing::Values(ClipCase{"inside", 1, 1}, ClipCase{"negativeX", -1, 0},
                                         ClipCase{"negativeY", 0, -2}, ClipCase{"pastRight", 2, 0},
                                         ClipCase{"pastBottom", 1, 3},
                                         ClipCase{"pastBothCorners", 3, -2},
                                         ClipCase{"whollyOutside", 4, 0},
                                         ClipCase{"wellOutside", -300, 300}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(TextureComposition, LaterPlacementReplacesItsWholeRectangle) {
    // B covers only its first column; its second column has no run and is copied as 0.
    const Bytes b = test::patchLump(2, {{PatchRun{0, {9, 9}}}, {}});
    Composition c({{"A", solid(4, 4, 5)}, {"B", b}}, {"A", "B"},
                  {{"T", 4, 4, {{0, 0, 0}, {1, 1, 1}}}});
    const Composed t = c.texture("T");
    ASSERT_NE(t.pixels, nullptr);
    EXPECT_EQ(t.at(0, 0), 5);
    EXPECT_EQ(t.at(1, 1), 9);
    EXPECT_EQ(t.at(1, 2), 9);
    EXPECT_EQ(t.at(2, 1), 0);
    EXPECT_EQ(t.at(2, 2), 0);
    EXPECT_EQ(t.at(3, 3), 5);
}

TEST(TextureComposition, UncoveredTexelsAreZero) {
    Composition c({{"P", solid(2, 2, 7)}}, {"P"}, {{"T", 4, 3, {{1, 1, 0}}}});
    const Composed t = c.texture("T");
    ASSERT_NE(t.pixels, nullptr);
    int zeros = 0;
    for (int i = 0; i < 12; ++i) {
        zeros += t.pixels[i] == 0;
    }
    EXPECT_EQ(zeros, 8);
}

TEST(PatchDecoding, RunsPastTheHeightAreDroppedAndTheNextRunFollows) {
    Bytes longRun(10);
    for (int i = 0; i < 10; ++i) {
        longRun[i] = static_cast<uint8_t>(100 + i);
    }
    const Bytes p = test::patchLump(252, {{PatchRun{250, longRun}, PatchRun{0, {77}}}});
    Composition c({{"P", p}}, {"P"}, {{"T", 1, 252, {{0, 0, 0}}}});
    const Composed t = c.texture("T");
    ASSERT_NE(t.pixels, nullptr);
    EXPECT_EQ(t.at(0, 250), 100);
    EXPECT_EQ(t.at(0, 251), 101);
    EXPECT_EQ(t.at(0, 0), 77);
    EXPECT_EQ(t.at(0, 1), 0);
}

TEST(PatchDecoding, ColumnStartingWith255IsEmpty) {
    const Bytes p = test::patchLump(2, {{PatchRun{0, {4, 4}}}, {}, {PatchRun{1, {6}}}});
    Composition c({{"P", p}}, {"P"}, {{"T", 3, 2, {{0, 0, 0}}}});
    const Composed t = c.texture("T");
    ASSERT_NE(t.pixels, nullptr);
    const uint8_t expected[] = {4, 4, 0, 0, 0, 6};
    EXPECT_EQ(0, std::memcmp(t.pixels, expected, sizeof expected));
}

TEST(PatchDecoding, ReadPatchHandsOutRowMajorTexels) {
    Composition c({{"P", test::solidPatchLump(3, 2, distinct)}}, {"P"}, {});
    int32_t w = -1;
    int32_t h = -1;
    const auto block = c.archive.readPatch("P", &w, &h);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(block[1 * 3 + 2], distinct(2, 1));
    EXPECT_EQ(c.archive.readPatch("p", &w, &h), nullptr);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
}

// Damaged patch lumps: whatever the bytes, decoding stays inside the lump.
TEST(PatchDecoding, DamagedColumnsAreSkippedAndRunsStopAtTheLumpEnd) {
    Bytes p = test::patchLump(
        4, {{PatchRun{0, {1, 1, 1, 1}}}, {PatchRun{0, {2, 2, 2, 2}}}, {PatchRun{0, {3, 3, 3, 3}}}});
    // Column 0 points far outside the lump, column 1 at a negative offset.
    const int32_t outside = 100000;
    const int32_t negative = -8;
    std::memcpy(p.data() + 8, &outside, 4);
    std::memcpy(p.data() + 12, &negative, 4);
    // Column 2's run claims 200 rows but the lump ends after two of them.
    const size_t column2 = static_cast<size_t>(p[16] | p[17] << 8);
    p[column2 + 1] = 200;
    p.resize(column2 + 5);
    Composition c({{"P", p}}, {"P"}, {{"T", 3, 4, {{0, 0, 0}}}});
    const Composed t = c.texture("T");
    ASSERT_NE(t.pixels, nullptr);
    const uint8_t expected[] = {0, 0, 0, 0, 0, 0, 0, 0, 3, 3, 0, 0};
    EXPECT_EQ(0, std::memcmp(t.pixels, expected, sizeof expected));
}

TEST(PatchDecoding, HeaderClaimingMoreColumnsThanTheLumpHoldsKeepsTheColumnsItHas) {
    Bytes p = test::patchLump(1, {{PatchRun{0, {8}}}});
    p[0] = 0x00;  // width 4096 claimed; only column 0 has an offset entry
    p[1] = 0x10;
    Composition c({{"P", p}}, {"P"}, {{"T", 2, 1, {{0, 0, 0}}}});
    const Composed t = c.texture("T");
    ASSERT_NE(t.pixels, nullptr);
    EXPECT_EQ(t.at(0, 0), 8);
    EXPECT_EQ(t.at(1, 0), 0);
}

TEST(TextureComposition, PlacementsNamingNoPatchAreSkipped) {
    Composition c({{"GOOD", solid(1, 1, 3)}, {"LOWER", solid(2, 1, 4)}},
                  {"GOOD", "MISSING", "lower"},
                  {{"T", 2, 1, {{0, 0, -1}, {1, 0, 3}, {1, 0, 1}, {0, 0, 2}, {1, 0, 0}}}});
    const Composed t = c.texture("T");
    ASSERT_NE(t.pixels, nullptr);
    EXPECT_EQ(t.at(0, 0), 0);  // "lower" differs from LOWER by case: no patch
    EXPECT_EQ(t.at(1, 0), 3);
}

TEST(TextureComposition, WithoutPnamesTexturesExistButStayEmptyOfPatches) {
    SyntheticWad wad;
    wad.addLump("TEXTURE1", test::textureLump({{"T", 2, 2, {{0, 0, 0}}}}));
    wad.addLump("P", solid(2, 2, 9));
    TempFile file = wad.writeTemp();
    WadArchive archive;
    ASSERT_EQ(archive.open(file.path().c_str()), resultOk);
    int16_t w = 0;
    int16_t h = 0;
    const uint8_t* pixels = archive.findTexture("T", &w, &h);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pixels[0] | pixels[1] | pixels[2] | pixels[3], 0);
}

// Sizes that cannot make a texture keep the name but give an empty texture (null, 0 x 0).
TEST(TextureComposition, UnusableSizesGiveEmptyTextures) {
    Composition c({{"P", solid(1, 1, 3)}}, {"P"},
                  {{"ZEROW", 0, 8, {{0, 0, 0}}},
                   {"NEGH", 8, -8, {{0, 0, 0}}},
                   {"WIDE", 4097, 1, {{0, 0, 0}}},
                   {"HUGE", 32767, 32767, {{0, 0, 0}}},
                   {"OK", 1, 1, {{0, 0, 0}}}});
    EXPECT_EQ(c.archive.textureCount, 5);
    for (const char* name : {"ZEROW", "NEGH", "WIDE", "HUGE"}) {
        const Composed t = c.texture(name);
        EXPECT_EQ(t.pixels, nullptr) << name;
        EXPECT_EQ(t.width, 0) << name;
        EXPECT_EQ(t.height, 0) << name;
    }
    EXPECT_EQ(c.texture("OK").at(0, 0), 3);
}

TEST(TextureComposition, NegativePatchCountIsEmpty) {
    Bytes lump = test::textureLump({{"T", 1, 1, {{0, 0, 0}}}});
    lump[8 + 20] = 0xFF;  // patchCount -1
    lump[8 + 21] = 0xFF;
    SyntheticWad wad;
    wad.addLump("PNAMES", test::pnamesLump({"P"})).addLump("TEXTURE1", lump);
    wad.addLump("P", solid(1, 1, 3));
    TempFile file = wad.writeTemp();
    WadArchive archive;
    ASSERT_EQ(archive.open(file.path().c_str()), resultOk);
    int16_t w = 0;
    int16_t h = 0;
    const uint8_t* pixels = archive.findTexture("T", &w, &h);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pixels[0], 0);
}

// Counts the lumps cannot back are clamped to what they hold.
TEST(DamagedLumps, PnamesCountIsClampedToTheLump) {
    struct Case {
        int32_t storedCount;
        size_t expected;
    };
    for (const Case& k : {Case{1000, 3}, Case{-1, 0}, Case{2, 2}, Case{0x7FFFFFFF, 3}}) {
        Bytes pnames = test::pnamesLump({"A", "B", "C"});
        std::memcpy(pnames.data(), &k.storedCount, 4);
        TempFile file = SyntheticWad().addLump("PNAMES", pnames).writeTemp();
        WadArchive archive;
        ASSERT_EQ(archive.open(file.path().c_str()), resultOk);
        ASSERT_EQ(archive.patchNames.size(), k.expected) << k.storedCount;
        for (size_t i = 0; i < k.expected; ++i) {
            EXPECT_EQ(archive.patchNames[i].index, static_cast<int32_t>(i));
            EXPECT_EQ(archive.patchNames[i].terminator, 0);
        }
    }
}

TEST(DamagedLumps, TextureLumpCountsAndOffsetsAreCheckedAgainstTheLump) {
    Bytes lump = test::textureLump({{"FIRST", 1, 1, {{0, 0, 0}}},
                                    {"SECOND", 1, 1, {{0, 0, 0}}},
                                    {"THIRD", 2, 1, {{0, 0, 0}, {1, 0, 0}}}});
    // One offset more than the three stored: the fourth reads the first bytes of FIRST's
    // entry ("FIRS"), which point far outside the lump.
    const int32_t claimedTextures = 4;
    std::memcpy(lump.data(), &claimedTextures, 4);
    const int32_t outside = 0x7FFFFF00;
    std::memcpy(lump.data() + 8, &outside, 4);  // SECOND's entry lies outside the lump
    int32_t thirdEntry = 0;
    std::memcpy(&thirdEntry, lump.data() + 12, 4);
    lump[static_cast<size_t>(thirdEntry) + 20] = 0x7F;  // THIRD claims 127 placements
    lump.resize(lump.size() - 10);                      // and holds only the first
    SyntheticWad wad;
    wad.addLump("PNAMES", test::pnamesLump({"P"})).addLump("TEXTURE1", lump);
    wad.addLump("P", solid(1, 1, 6));
    TempFile file = wad.writeTemp();
    WadArchive archive;
    ASSERT_EQ(archive.open(file.path().c_str()), resultOk);
    ASSERT_EQ(archive.textureCount, 2);
    int16_t w = 0;
    int16_t h = 0;
    EXPECT_EQ(archive.findTexture("SECOND", &w, &h), nullptr);
    const uint8_t* first = archive.findTexture("FIRST", &w, &h);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first[0], 6);
    const uint8_t* third = archive.findTexture("THIRD", &w, &h);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third[0], 6);
    EXPECT_EQ(third[1], 0);
}

TEST(DamagedLumps, TextureCountTheLumpCannotHoldMakesNoTextures) {
    Bytes lump;
    test::appendInt32(lump, 0x7FFFFFFF);
    TempFile file = SyntheticWad().addLump("TEXTURE1", lump).writeTemp();
    WadArchive archive;
    ASSERT_EQ(archive.open(file.path().c_str()), resultOk);
    EXPECT_EQ(archive.textureCount, 0);
}

TEST(Texture2, ComposedAfterTexture1IntoTheSameArray) {
    SyntheticWad wad;
    wad.addLump("PNAMES", test::pnamesLump({"ONE", "TWO"}));
    wad.addLump("TEXTURE1",
                test::textureLump({{"SHARED", 1, 1, {{0, 0, 0}}}, {"ONLY1", 1, 1, {{0, 0, 0}}}}));
    wad.addLump("TEXTURE2",
                test::textureLump({{"ONLY2", 1, 1, {{0, 0, 1}}}, {"SHARED", 2, 2, {{0, 0, 1}}}}));
    wad.addLump("ONE", solid(1, 1, 11)).addLump("TWO", solid(1, 1, 22));
    TempFile file = wad.writeTemp();
    WadArchive archive;
    ASSERT_EQ(archive.open(file.path().c_str()), resultOk);
    ASSERT_EQ(archive.textureCount, 4);
    EXPECT_STREQ(archive.textures[2].name, "ONLY2");
    int16_t w = 0;
    int16_t h = 0;
    EXPECT_EQ(*archive.findTexture("ONLY2", &w, &h), 22);
    EXPECT_EQ(*archive.findTexture("SHARED", &w, &h), 11);
    EXPECT_EQ(w, 1);
}

TEST(FindTexture, AnswersAsAFirstMatchSearchOverEightCharacters) {
    Composition c({{"P", solid(1, 1, 3)}, {"Q", solid(1, 1, 4)}}, {"P", "Q"},
                  {{"EIGHTCHR", 1, 1, {{0, 0, 0}}},
                   {"DUP", 1, 1, {{0, 0, 0}}},
                   {"DUP", 2, 2, {{0, 0, 1}}},
                   {"Lower", 1, 1, {{0, 0, 1}}}});
    const char unterminated[8] = {'E', 'I', 'G', 'H', 'T', 'C', 'H', 'R'};
    char sidedefName[9] = {};
    std::memcpy(sidedefName, unterminated, 8);
    struct Case {
        const char* name;
        bool found;
        int16_t width;
        uint8_t first;
    };
    const Case cases[] = {
        {sidedefName, true, 1, 3}, {"EIGHTCHRLONGER", true, 1, 3}, {"DUP", true, 1, 3},
        {"Lower", true, 1, 4},     {"LOWER", false, 0, 0},         {"-", false, 0, 0},
        {"", false, 0, 0},         {"EIGHTCH", false, 0, 0},
    };
    for (const Case& k : cases) {
        int16_t w = -1;
        int16_t h = -1;
        const uint8_t* pixels = c.archive.findTexture(k.name, &w, &h);
        EXPECT_EQ(pixels != nullptr, k.found) << k.name;
        EXPECT_EQ(w, k.width) << k.name;
        if (pixels != nullptr) {
            EXPECT_EQ(pixels[0], k.first) << k.name;
        }
    }
    int16_t w = 0;
    int16_t h = 0;
    EXPECT_NE(c.archive.findTexture(unterminated, &w, &h), nullptr);
}

}  // namespace
}  // namespace brindle
