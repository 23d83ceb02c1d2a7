// Seg processing: the per-seg distances, the facing test and the choice of wall pieces.
#include <gtest/gtest.h>

#include "render/seg_geometry.h"
#include "tests/render/test_level.h"

namespace brindle {
namespace {

using test::LevelBuilder;
using test::pixelAt;

TEST(SegGeometryTest, TheWorkedExample) {
    // Viewer at the origin facing +x; seg from (100, 50) to (100, -50), angle 49152.
    WadArchive archive;
    Renderer renderer(nullptr, &archive);
    renderer.viewAngle = 0;
    const SegGeometry g = measureSeg(renderer, ViewVertex{100, 50}, -16384);
    EXPECT_EQ(g.bearing, 4889);
    EXPECT_EQ(g.relativeAngle, 0);
    EXPECT_EQ(g.startDistance, 112);
    EXPECT_EQ(g.perpDistance, 99);  // exactly 100
    EXPECT_EQ(g.alongOffset, -51);  // exactly -50
}

TEST(SegGeometryTest, AStartNearlyBesideTheViewerGivesANegativeDistance) {
    // Start 100 units left and 1 ahead, seg running toward -y: the true along offset is -100.
    WadArchive archive;
    Renderer renderer(nullptr, &archive);
    renderer.viewAngle = 0;
    const SegGeometry g = measureSeg(renderer, ViewVertex{1, 100}, -16384);
    EXPECT_EQ(g.startDistance, -144);
    EXPECT_GT(g.alongOffset, 0);
}

TEST(SegGeometryTest, RelativeAngleFollowsTheView) {
    WadArchive archive;
    Renderer renderer(nullptr, &archive);
    renderer.viewAngle = 16384;
    EXPECT_EQ(measureSeg(renderer, ViewVertex{100, 0}, 0).relativeAngle, 0);
    renderer.viewAngle = -32768;
    EXPECT_EQ(measureSeg(renderer, ViewVertex{100, 0}, 0).relativeAngle, -16384);
}

// One wall 200 units ahead of a viewer at the origin looking along +x, seen from its front
// sector (floor 0, ceiling 128, eye at 56): the ceiling lands on row 41, the floor on row 395.
// A back sector at floor 24 and ceiling 96 gives rows 328 and 130.
constexpr uint8_t upperColour = 1, lowerColour = 2, middleColour = 3;

struct PieceCase {
    const char* what;
    int16_t backFloor;
    int16_t backCeiling;
    bool twoSided;
    const char* middle;
    uint8_t atRow80;   // between the front and back ceilings
    uint8_t atRow200;  // between the back ceiling and back floor
    uint8_t atRow360;  // between the back and front floors
};

TEST(SegPiecesTest, UpperLowerAndMiddlePieces) {
    const PieceCase cases[] = {
        {"step and lintel", 24, 96, true, "-", upperColour, 0, lowerColour},
        {"middle texture overdraws", 24, 96, true, "MID", middleColour, middleColour, middleColour},
        {"equal heights: middle only", 0, 128, true, "-", 0, 0, 0},
        {"back wider: pieces upside down", -24, 160, true, "-", 0, 0, 0},
        {"lintel only", 0, 96, true, "-", upperColour, 0, 0},
        {"one-sided: middle only", 24, 96, false, "MID", middleColour, middleColour, middleColour},
        {"one-sided without middle", 24, 96, false, "-", 0, 0, 0},
    };
    for (const PieceCase& c : cases) {
        WadArchive archive;
        test::addSolidTexture(archive, "UP", 64, 64, upperColour);
        test::addSolidTexture(archive, "LOW", 64, 64, lowerColour);
        test::addSolidTexture(archive, "MID", 64, 64, middleColour);
        LevelBuilder level(archive);
        const int16_t a = level.vertex(200, 100);
        const int16_t b = level.vertex(200, -100);
        const int16_t front = level.sector(0, 128);
        const int16_t back = level.sector(c.backFloor, c.backCeiling);
        // The back sidedef comes first, so that it has index 0.
        const int16_t backSide = level.sidedef(back, "-");
        const int16_t frontSide = level.sidedef(front, c.middle, "UP", "LOW");
        const int16_t line = level.linedef(a, b, frontSide, c.twoSided ? backSide : -1);
        level.seg(a, b, line, 0, 49152);
        level.subsector(0, 1);
        level.finish();
        Renderer renderer(nullptr, &archive);
        renderer.setView(0, 0, 0);
        ASSERT_EQ(renderer.viewHeight, 56);
        renderer.renderFrame();
        EXPECT_EQ(pixelAt(renderer, 80, 320), c.atRow80) << c.what;
        EXPECT_EQ(pixelAt(renderer, 200, 320), c.atRow200) << c.what;
        EXPECT_EQ(pixelAt(renderer, 360, 320), c.atRow360) << c.what;
        EXPECT_EQ(pixelAt(renderer, 20, 320), 0) << c.what;  // above the front ceiling
    }
}

struct FacingCase {
    int16_t viewerX;
    uint8_t visible;
};

TEST(SegFacingTest, OnlySegsOnTheViewersSideOfTheirLinedefAreDrawn) {
    // The linedef runs along x = 0 toward +y (its right side is +x); both of its segs are placed
    // on the same wall ahead, side 0 in colour 1, side 1 in colour 2.
    const FacingCase cases[] = {
        {10, 1},   // right of the linedef: side 0
        {-10, 2},  // left of it: side 1
        {0, 2},    // on it: side 1
    };
    for (const FacingCase& c : cases) {
        WadArchive archive;
        test::addSolidTexture(archive, "RIGHT", 64, 64, 1);
        test::addSolidTexture(archive, "LEFT", 64, 64, 2);
        LevelBuilder level(archive);
        const int16_t a = level.vertex(200, 100);
        const int16_t b = level.vertex(200, -100);
        const int16_t lineStart = level.vertex(0, -100);
        const int16_t lineEnd = level.vertex(0, 100);
        const int16_t sector = level.sector(0, 128);
        const int16_t line = level.linedef(lineStart, lineEnd, level.sidedef(sector, "RIGHT"),
                                           level.sidedef(sector, "LEFT"));
        level.seg(a, b, line, 0, 49152);
        level.seg(a, b, line, 1, 49152);
        level.subsector(0, 2);
        level.finish();
        Renderer renderer(nullptr, &archive);
        renderer.setView(c.viewerX, 0, 0);
        renderer.renderFrame();
        EXPECT_EQ(pixelAt(renderer, 240, 320), c.visible) << "viewer x " << c.viewerX;
    }
}

TEST(SegPiecesTest, TheTextureColumnCountsBothOffsets) {
    // The worked example's seg: the ray of column 320 meets it 51 units from its start.
    for (const auto& [sideOffset, segOffset, column] :
         {std::tuple{0, 0, 51}, std::tuple{5, 3, 43}, std::tuple{-10, 0, 61}}) {
        WadArchive archive;
        test::addTexture(archive, "WIDE", 256, 16, [](int c, int) { return c; });
        LevelBuilder level(archive);
        const int16_t a = level.vertex(100, 50);
        const int16_t b = level.vertex(100, -50);
        const int16_t sector = level.sector(0, 128);
        const int16_t line = level.linedef(
            a, b, level.sidedef(sector, "WIDE", "-", "-", static_cast<int16_t>(sideOffset)));
        level.seg(a, b, line, 0, 49152, static_cast<int16_t>(segOffset));
        level.subsector(0, 1);
        level.finish();
        Renderer renderer(nullptr, &archive);
        renderer.setView(0, 0, 0);
        renderer.renderFrame();
        EXPECT_EQ(pixelAt(renderer, 240, 320), column)
            << "offsets " << sideOffset << " + " << segOffset;
    }
}

TEST(SegPiecesTest, ASubsectorWithoutSegsDrawsNothing) {
    WadArchive archive;
    LevelBuilder level(archive);
    level.subsector(0, 0);
    level.finish();
    Renderer renderer(nullptr, &archive);
    renderer.clearFrame(0);
    EXPECT_EQ(renderer.renderSubsector(0), 1);
    EXPECT_EQ(renderer.pixelsWritten, 0);
}

TEST(SegPiecesTest, RecordsNamingMissingRecordsAreSkipped) {
    WadArchive archive;
    test::addSolidTexture(archive, "WALL", 64, 64, 9);
    LevelBuilder level(archive);
    const int16_t a = level.vertex(200, 100);
    const int16_t b = level.vertex(200, -100);
    const int16_t sector = level.sector(0, 128);
    const int16_t side = level.sidedef(sector, "WALL", "WALL", "WALL");
    level.linedef(a, b, side, 40);  // a back side that does not exist
    level.linedef(a, b, 40);        // a front side that does not exist
    level.seg(a, b, 0, 0, 49152);
    level.seg(a, b, 1, 0, 49152);
    level.seg(a, 70, 0, 0, 49152);  // no such vertex
    level.seg(a, b, 90, 0, 49152);  // no such linedef
    level.subsector(0, 4);
    level.subsector(2, 30);  // runs past the last seg
    level.subsector(-3, 5);
    level.finish();
    Renderer renderer(nullptr, &archive);
    renderer.setView(0, 0, 0);
    renderer.clearFrame(0);
    EXPECT_EQ(renderer.renderSubsector(0), 1);
    EXPECT_EQ(pixelAt(renderer, 240, 320), 9);  // the first seg, drawn as one-sided
    EXPECT_EQ(renderer.renderSubsector(1), 1);
    EXPECT_EQ(renderer.renderSubsector(2), 1);
    EXPECT_EQ(renderer.renderSubsector(3), 1);  // no such subsector
}

}  // namespace
}  // namespace brindle
