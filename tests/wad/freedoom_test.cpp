// The real archives of the freedoom package: directory, textures and levels.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "tests/support/test_data.h"
#include "wad/wad_archive.h"

namespace brindle {
namespace {

struct LevelFacts {
    bool secondArchive;
    const char* map;
    size_t lumps;
    size_t patches;
    size_t things, linedefs, sidedefs, vertices, segs, subsectors, nodes, sectors;
    int16_t startX, startY, startAngle;
    size_t distinctWallTextures;
};

class FreedoomLevels : public testing::TestWithParam<LevelFacts> {};

TEST_P(FreedoomLevels, LoadWithTheirKnownCounts) {
    const LevelFacts& f = GetParam();
    const std::string path = f.secondArchive ? test::freedoom2Path() : test::freedoom1Path();
    BRINDLE_REQUIRE_ARCHIVE(path);
    WadArchive archive;
    ASSERT_EQ(archive.open(path.c_str()), resultOk) << archive.errorText();
    EXPECT_EQ(archive.directory().size(), f.lumps);
    EXPECT_EQ(archive.patchNames.size(), f.patches);
    EXPECT_EQ(archive.textureCount, 903);
    ASSERT_EQ(archive.loadLevel(f.map), resultOk) << archive.errorText();
    EXPECT_EQ(archive.things.size(), f.things);
    EXPECT_EQ(archive.linedefs.size(), f.linedefs);
    EXPECT_EQ(archive.sidedefs.size(), f.sidedefs);
    EXPECT_EQ(archive.vertices.size(), f.vertices);
    EXPECT_EQ(archive.segs.size(), f.segs);
    EXPECT_EQ(archive.subsectors.size(), f.subsectors);
    EXPECT_EQ(archive.nodes.size(), f.nodes);
    EXPECT_EQ(archive.sectors.size(), f.sectors);
    EXPECT_EQ(archive.rootNode, static_cast<int16_t>(f.nodes - 1));
    EXPECT_EQ(archive.vertexCount, static_cast<int32_t>(f.vertices));
    int16_t x = 0;
    int16_t y = 0;
    int16_t angle = 0;
    archive.getPlayerStart(&x, &y, &angle);
    EXPECT_EQ(x, f.startX);
    EXPECT_EQ(y, f.startY);
    EXPECT_EQ(angle, f.startAngle);

    // Every wall texture the level names is composed (13 of E1M1's 79 come from TEXTURE2).
    std::set<std::string> names;
    for (const Sidedef& side : archive.sidedefs) {
        for (const char* name : {side.upperTexture, side.lowerTexture, side.middleTexture}) {
            const std::string n(name, strnlen(name, 8));
            if (n != "-") {
                names.insert(n);
            }
        }
    }
    EXPECT_EQ(names.size(), f.distinctWallTextures);
    for (const std::string& name : names) {
        int16_t w = 0;
        int16_t h = 0;
        EXPECT_NE(archive.findTexture(name.c_str(), &w, &h), nullptr) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Archives, FreedoomLevels,
                         testing::Values(LevelFacts{false, "E1M1", 3081, 994, 238, 812, 1254, 819,
                                                    1392, 487, 486, 133, -160, 304, 0, 79},
                                         LevelFacts{false, "E4M9", 3081, 994, 1013, 3869, 5531,
                                                    3589, 5994, 1917, 1916, 652, 128, -492, 90,
                                                    119},
                                         LevelFacts{true, "MAP01", 3649, 995, 162, 1069, 1666, 1008,
                                                    1838, 553, 552, 198, -192, -160, 0, 47}),
                         [](const auto& info) { return std::string(info.param.map); });

// A few textures pinned by size, position and a weighted sum of their texels, so that a
// change in composition shows.
struct TextureFacts {
    const char* name;
    int index;
    int16_t width;
    int16_t height;
    uint64_t weightedSum;
};

uint64_t weightedSum(const uint8_t* pixels, int count) {
    uint64_t sum = 0;
    for (int i = 0; i < count; ++i) {
        sum += pixels[i] * static_cast<uint64_t>(i % 7 + 1);
    }
    return sum;
}

TEST(FreedoomTextures, ComposeAsPinned) {
    const std::string path = test::freedoom1Path();
    BRINDLE_REQUIRE_ARCHIVE(path);
    WadArchive archive(path.c_str());
    ASSERT_EQ(archive.loaded, 1);
    // TEXTURE1 holds 741 textures; WOODSKUL, the last, comes from TEXTURE2.
    const TextureFacts facts[] = {
        {"AASTINKY", 0, 32, 72, 1393629},   {"BIGDOOR1", 1, 128, 96, 5215232},
        {"SKY1", 59, 256, 128, 12590897},   {"STARTAN3", 70, 128, 128, 7039385},
        {"SW1STON1", 97, 64, 128, 3154169}, {"EXITSTON", 776, 64, 128, 3148673},
        {"STEPLAD1", 873, 64, 16, 346405},  {"WOODSKUL", 902, 64, 128, 2904389},
    };
    for (const TextureFacts& f : facts) {
        int16_t w = 0;
        int16_t h = 0;
        const uint8_t* pixels = archive.findTexture(f.name, &w, &h);
        ASSERT_NE(pixels, nullptr) << f.name;
        EXPECT_STREQ(archive.textures[f.index].name, f.name);
        EXPECT_EQ(w, f.width) << f.name;
        EXPECT_EQ(h, f.height) << f.name;
        EXPECT_EQ(weightedSum(pixels, w * h), f.weightedSum) << f.name;
    }
}

TEST(FreedoomPalettes, PaletteZeroStartsWithBlack) {
    const std::string path = test::freedoom1Path();
    BRINDLE_REQUIRE_ARCHIVE(path);
    WadArchive archive(path.c_str());
    EXPECT_EQ(archive.palettes[0][0] | archive.palettes[0][1] | archive.palettes[0][2], 0);
    int sum = 0;
    for (uint8_t b : archive.palettes[13]) {
        sum += b;
    }
    EXPECT_GT(sum, 0);
}

// Every level of both archives passes the level checks.
TEST(FreedoomLevelsAll, EveryMapLoads) {
    for (const std::string& path : {test::freedoom1Path(), test::freedoom2Path()}) {
        BRINDLE_REQUIRE_ARCHIVE(path);
        WadArchive archive(path.c_str());
        int maps = 0;
        for (const LumpEntry& entry : archive.directory()) {
            const std::string name(entry.name, strnlen(entry.name, 8));
            if (entry.size == 0 &&
                (name.rfind("MAP", 0) == 0 || (name.size() == 4 && name[0] == 'E'))) {
                EXPECT_EQ(archive.loadLevel(name.c_str()), resultOk)
                    << name << ": " << archive.errorText();
                ++maps;
            }
        }
        EXPECT_GE(maps, 32) << path;
    }
}

}  // namespace
}  // namespace brindle
