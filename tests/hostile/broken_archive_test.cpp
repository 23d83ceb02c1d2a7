// Every broken archive of the corpus goes through what the viewer does with an archive: open,
// loadLevel(1, 1), the view placed at the start, and a frame without and with floors. Each
// must end in its expected result code and error text, or, where the data is only odd, in a
// normal frame; never in a crash, a hang or a sanitizer report.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include "app/viewer.h"
#include "render/overview/overview.h"
#include "render/overview/overview_svg.h"
#include "render/renderer.h"
#include "tests/hostile/broken_archives.h"
#include "wad/wad_archive.h"

namespace brindle::test {

void PrintTo(const BrokenArchive& archive, std::ostream* out) {
    *out << archive.name << " (" << archive.bytes.size() << " bytes)";
}

namespace {

using ::testing::HasSubstr;

struct Frames {
    Bytes walls;
    Bytes withFloors;
};

Frames drawFromStart(WadArchive& archive) {
    int16_t x = 0;
    int16_t y = 0;
    int16_t degrees = 0;
    archive.getPlayerStart(&x, &y, &degrees);
    Renderer renderer(nullptr, &archive);
    renderer.setView(x, y, static_cast<int16_t>(startAngleFromDegrees(degrees)));
    Frames frames;
    renderer.renderFrame();
    frames.walls.assign(renderer.frameBuffer, renderer.frameBuffer + frameBytes);
    renderer.drawFloors = true;
    renderer.renderFrame();
    frames.withFloors.assign(renderer.frameBuffer, renderer.frameBuffer + frameBytes);
    return frames;
}

const Frames& validFrames() {
    static const Frames frames = [] {
        const TempFile file = writeTempFile(validBaseArchive());
        WadArchive archive;
        archive.open(file.path().c_str());
        archive.loadLevel(1, 1);
        return drawFromStart(archive);
    }();
    return frames;
}

bool columnZeroIsClear(const Bytes& frame) {
    for (int row = 0; row < frameHeight; ++row) {
        if (frame[static_cast<size_t>(row) * frameWidth] != 0) {
            return false;
        }
    }
    return true;
}

bool holdsNoLevel(const WadArchive& archive) {
    return archive.things.empty() && archive.vertices.empty() && archive.linedefs.empty() &&
           archive.segs.empty() && archive.sectors.empty() && archive.subsectors.empty() &&
           archive.sidedefs.empty() && archive.nodes.empty();
}

class BrokenArchiveTest : public ::testing::TestWithParam<BrokenArchive> {};

TEST_P(BrokenArchiveTest, EndsInItsResultOrANormalFrame) {
    const BrokenArchive& broken = GetParam();
    const Expected& expected = broken.expected;
    const TempFile file = writeTempFile(broken.bytes);
    WadArchive archive;

    const int32_t opened = archive.open(file.path().c_str());
    ASSERT_EQ(opened, expected.open) << archive.errorText();
    if (opened != resultOk) {
        EXPECT_THAT(archive.errorText(), HasSubstr(expected.errorMentions));
        EXPECT_EQ(archive.loaded, 0);
        EXPECT_EQ(archive.loadLevel(1, 1), resultCannotRead);
        return;
    }

    const int32_t loaded = archive.loadLevel(1, 1);
    ASSERT_EQ(loaded, expected.level) << archive.errorText();
    if (loaded != resultOk) {
        EXPECT_THAT(archive.errorText(), HasSubstr(expected.errorMentions));
        EXPECT_TRUE(holdsNoLevel(archive));
        return;
    }
    EXPECT_EQ(archive.errorText(), "");

    const Frames frames = drawFromStart(archive);
    EXPECT_TRUE(columnZeroIsClear(frames.walls));
    EXPECT_TRUE(columnZeroIsClear(frames.withFloors));
    if (expected.sameFrame) {
        EXPECT_TRUE(frames.walls == validFrames().walls);
        EXPECT_TRUE(frames.withFloors == validFrames().withFloors);
    }
    // The overview of whatever loaded is drawn as well, things and viewer included.
    const OverviewOptions overview{640, 400, true, ViewerMark{archive.startX, archive.startY, 0}};
    EXPECT_EQ(drawOverview(archive, overview).pixels.size(), size_t{frameBytes});
    EXPECT_NE(overviewSvg(archive, overview, broken.name).find("</svg>"), std::string::npos);
}

std::string caseName(const ::testing::TestParamInfo<BrokenArchive>& info) {
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(HeaderAndDirectory, BrokenArchiveTest,
                         ::testing::ValuesIn(brokenHeaderAndDirectory()), caseName);
INSTANTIATE_TEST_SUITE_P(LumpEntries, BrokenArchiveTest, ::testing::ValuesIn(brokenLumpEntries()),
                         caseName);
INSTANTIATE_TEST_SUITE_P(GlobalLumps, BrokenArchiveTest, ::testing::ValuesIn(brokenGlobalLumps()),
                         caseName);
INSTANTIATE_TEST_SUITE_P(Patches, BrokenArchiveTest, ::testing::ValuesIn(brokenPatches()),
                         caseName);
INSTANTIATE_TEST_SUITE_P(LevelIndices, BrokenArchiveTest, ::testing::ValuesIn(brokenLevelIndices()),
                         caseName);
INSTANTIATE_TEST_SUITE_P(LevelStructure, BrokenArchiveTest,
                         ::testing::ValuesIn(brokenLevelStructure()), caseName);
INSTANTIATE_TEST_SUITE_P(ExcessiveWork, BrokenArchiveTest, ::testing::ValuesIn(excessiveWork()),
                         caseName);

// The comparisons with the valid archive's frame mean something only if it shows walls.
TEST(ValidBaseArchive, DrawsWallsWithAClearColumnZero) {
    const Bytes& walls = validFrames().walls;
    EXPECT_GT(std::count_if(walls.begin(), walls.end(), [](uint8_t p) { return p != 0; }),
              frameBytes / 4);
    EXPECT_TRUE(columnZeroIsClear(walls));
}

// A short palette lump fills only what it holds; nothing is read from the lumps after it.
TEST(ShortGlobalLumps, FillOnlyWhatTheyHold) {
    SyntheticWad wad;
    Bytes palette = playpalLump();
    palette.resize(100);
    Bytes colormap = colormapLump();
    colormap.resize(10);
    wad.addLump("PLAYPAL", palette)
        .addLump("COLORMAP", colormap)
        .addLump("AFTER", Bytes(20000, 0xEE));
    const TempFile file = wad.writeTemp();
    WadArchive archive;
    ASSERT_EQ(archive.open(file.path().c_str()), resultOk);
    EXPECT_TRUE(std::equal(palette.begin(), palette.end(), archive.palettes[0].begin()));
    EXPECT_EQ(archive.palettes[0][100], 0);
    EXPECT_EQ(archive.palettes[13][767], 0);
    EXPECT_EQ(archive.colorMaps[0][9], colormap[9]);
    EXPECT_EQ(archive.colorMaps[0][10], 0);
    EXPECT_EQ(archive.colorMaps[33][255], 0);
}

}  // namespace

}  // namespace brindle::test
