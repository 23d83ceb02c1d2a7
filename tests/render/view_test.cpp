// View placement, the side tests, the sector under a point and the order of the BSP walk.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/render/test_level.h"

namespace brindle {
namespace {

using test::LevelBuilder;
using test::pixelAt;
using test::subsectorChild;

struct TransformCase {
    int16_t angle;
    int16_t vertexX;
    int16_t vertexY;
    int16_t depth;
    int16_t lateral;
};

// The viewer stands at (1000, -2000); the vertex lies at the given offset from it.
TEST(SetViewTest, MovesVerticesIntoViewSpaceAtTheQuarterTurns) {
    const TransformCase cases[] = {
        {0, 100, 30, 100, 30},     {0, -7, -300, -7, -300},    {16384, 100, 30, 30, -100},
        {16384, 0, 250, 250, 0},   {-32768, 100, 0, -100, -1}, {-32768, 0, 100, 0, -100},
        {-16384, 0, -100, 100, 0}, {-16384, 100, 0, -1, 100},  {0, 0, 0, 0, 0},
    };
    for (const TransformCase& c : cases) {
        WadArchive archive;
        LevelBuilder level(archive);
        level.vertex(static_cast<int16_t>(1000 + c.vertexX),
                     static_cast<int16_t>(-2000 + c.vertexY));
        level.finish();
        Renderer renderer(nullptr, &archive);
        renderer.setView(1000, -2000, c.angle);
        EXPECT_EQ(renderer.viewVertices[0].depth, c.depth)
            << "angle " << c.angle << ", offset (" << c.vertexX << ", " << c.vertexY << ")";
        EXPECT_EQ(renderer.viewVertices[0].lateral, c.lateral)
            << "angle " << c.angle << ", offset (" << c.vertexX << ", " << c.vertexY << ")";
        EXPECT_EQ(renderer.viewX, 1000);
        EXPECT_EQ(renderer.viewY, -2000);
        EXPECT_EQ(renderer.viewAngle, c.angle);
    }
}

TEST(SetViewTest, OffsetsFromTheViewerAreCutTo16Bits) {
    WadArchive archive;
    LevelBuilder level(archive);
    level.vertex(32000, 0);
    level.finish();
    Renderer renderer(nullptr, &archive);
    renderer.setView(-32000, 0, 0);
    EXPECT_EQ(renderer.viewVertices[0].depth, -1536);  // 64000 wraps
    EXPECT_EQ(renderer.viewVertices[0].lateral, 0);
}

// A level of one subsector whose only wall faces a sector with the given floor.
void buildSingleRoom(WadArchive& archive, int16_t floor) {
    LevelBuilder level(archive);
    const int16_t a = level.vertex(200, 100);
    const int16_t b = level.vertex(200, -100);
    const int16_t sector = level.sector(floor, static_cast<int16_t>(floor + 128));
    const int16_t side = level.sidedef(sector, "WALL");
    const int16_t line = level.linedef(a, b, side);
    level.seg(a, b, line, 0, 49152);
    level.subsector(0, 1);
    level.finish();
}

TEST(SetViewTest, TheEyeStays56UnitsAboveTheFloor) {
    const std::pair<int16_t, int16_t> floors[] = {{-24, 32}, {0, 56}, {100, 156}, {32760, -32720}};
    for (const auto& [floor, eye] : floors) {
        WadArchive archive;
        buildSingleRoom(archive, floor);
        Renderer renderer(nullptr, &archive);
        EXPECT_EQ(renderer.setView(0, 0, 0), eye) << "floor " << floor;
        EXPECT_EQ(renderer.viewHeight, eye);
    }
}

struct SideCase {
    int16_t lineX;
    int16_t lineY;
    int16_t dx;
    int16_t dy;
    int16_t x;
    int16_t y;
    int32_t right;
};

const SideCase sideCases[] = {
    // Horizontal, toward +x: smaller y is right; on the line is left.
    {0, 0, 10, 0, 5, -1, 1},
    {0, 0, 10, 0, 5, 0, 0},
    {0, 0, 10, 0, 5, 1, 0},
    // Horizontal, toward -x.
    {0, 0, -10, 0, 5, 1, 1},
    {0, 0, -10, 0, 5, -1, 0},
    // Vertical, toward +y: larger x is right.
    {0, 0, 0, 10, 1, 500, 1},
    {0, 0, 0, 10, 0, 500, 0},
    {0, 0, 0, 10, -1, 500, 0},
    // Vertical, toward -y.
    {0, 0, 0, -10, -1, 0, 1},
    {0, 0, 0, -10, 1, 0, 0},
    // Diagonal.
    {0, 0, 10, 10, 10, 0, 1},
    {0, 0, 10, 10, 0, 10, 0},
    {0, 0, 10, 10, 5, 5, 0},
    {-20, 30, 3, -7, -20, 29, 1},
    {-20, 30, 3, -7, -21, 30, 1},
    {-20, 30, 3, -7, -19, 30, 0},
};

TEST(SideTest, PointOnNodeSide) {
    for (const SideCase& c : sideCases) {
        WadArchive archive;
        LevelBuilder level(archive);
        level.node(c.lineX, c.lineY, c.dx, c.dy, subsectorChild(0), subsectorChild(0));
        level.finish();
        Renderer renderer(nullptr, &archive);
        EXPECT_EQ(renderer.pointOnNodeSide(c.x, c.y, 0), c.right)
            << "line (" << c.lineX << ", " << c.lineY << ") + (" << c.dx << ", " << c.dy
            << "), point (" << c.x << ", " << c.y << ")";
    }
}

TEST(SideTest, PointOnLineSide) {
    for (const SideCase& c : sideCases) {
        WadArchive archive;
        LevelBuilder level(archive);
        const int16_t start = level.vertex(c.lineX, c.lineY);
        const int16_t end = level.vertex(static_cast<int16_t>(c.lineX + c.dx),
                                         static_cast<int16_t>(c.lineY + c.dy));
        level.linedef(start, end, -1);
        level.finish();
        Renderer renderer(nullptr, &archive);
        EXPECT_EQ(renderer.pointOnLineSide(c.x, c.y, 0), c.right)
            << "line (" << c.lineX << ", " << c.lineY << ") + (" << c.dx << ", " << c.dy
            << "), point (" << c.x << ", " << c.y << ")";
    }
}

TEST(SideTest, ANodeWithoutExtentComparesY) {
    WadArchive archive;
    LevelBuilder level(archive);
    level.node(0, 0, 0, 0, subsectorChild(0), subsectorChild(0));
    level.finish();
    Renderer renderer(nullptr, &archive);
    EXPECT_EQ(renderer.pointOnNodeSide(0, 1, 0), 1);
    EXPECT_EQ(renderer.pointOnNodeSide(0, 0, 0), 0);
    EXPECT_EQ(renderer.pointOnNodeSide(0, -1, 0), 0);
}

TEST(SideTest, ALinedefsExtentIsCutTo16Bits) {
    WadArchive archive;
    LevelBuilder level(archive);
    // Runs toward +x, but its extent of 64000 wraps to -1536: the test sees it reversed.
    level.linedef(level.vertex(-32000, 0), level.vertex(32000, 1), -1);
    level.finish();
    Renderer renderer(nullptr, &archive);
    EXPECT_EQ(renderer.pointOnLineSide(0, -100, 0), 0);
    EXPECT_EQ(renderer.pointOnLineSide(0, 100, 0), 1);
}

// Two subsectors on either side of the partition x = 100. The first seg of subsector 0 lies on
// a two-sided line x = 0 (sector 0 on its right, +x; sector 1 on its left); the first seg of
// subsector 1 on a one-sided line x = 200 (sector 0 on its right).
class SectorAtTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LevelBuilder level(archive);
        const int16_t a = level.vertex(0, 0);
        const int16_t b = level.vertex(0, 100);
        const int16_t c = level.vertex(200, 0);
        const int16_t d = level.vertex(200, 100);
        const int16_t inside = level.sector(0, 128);
        const int16_t beyond = level.sector(-24, 128);
        const int16_t twoSided =
            level.linedef(a, b, level.sidedef(inside, "-"), level.sidedef(beyond, "-"));
        const int16_t oneSided = level.linedef(c, d, level.sidedef(inside, "WALL"));
        level.seg(a, b, twoSided, 0, 16384);
        level.seg(c, d, oneSided, 0, 16384);
        level.subsector(0, 1);
        level.subsector(1, 1);
        level.node(100, 0, 0, 1, subsectorChild(1), subsectorChild(0));
        level.finish();
    }
    WadArchive archive;
};

struct PointCase {
    int16_t x;
    int16_t y;
    int16_t sector;
};

TEST_F(SectorAtTest, FollowsTheTreeAndTheFirstSegsLinedef) {
    Renderer renderer(nullptr, &archive);
    const PointCase cases[] = {
        {50, 50, 0},   // right of the two-sided line
        {-50, 50, 1},  // left of it
        {0, 50, 1},    // on it: left
        {250, 50, 0},  // right of the one-sided line
        {150, 50, 0},  // behind the one-sided line: its only side answers
        {200, 50, 0},  // on the one-sided line
    };
    for (const PointCase& c : cases) {
        EXPECT_EQ(renderer.sectorAt(c.x, c.y), c.sector) << "(" << c.x << ", " << c.y << ")";
    }
}

TEST_F(SectorAtTest, ALevelWithoutNodesAnswersFromSubsectorZero) {
    archive.nodes.clear();
    archive.rootNode = -1;
    Renderer renderer(nullptr, &archive);
    EXPECT_EQ(renderer.sectorAt(150, 50), 0);
    EXPECT_EQ(renderer.sectorAt(-50, 50), 1);
    EXPECT_EQ(renderer.sectorAt(250, 50), 0);
}

TEST_F(SectorAtTest, AMissingRightSideAnswersFromTheLeft) {
    archive.linedefs[0].rightSidedef = -1;
    Renderer renderer(nullptr, &archive);
    EXPECT_EQ(renderer.sectorAt(50, 50), 1);
}

// Three subsectors, each with one wall on the same spot 200 units ahead of a viewer who looks
// along +x, each in its own colour. The root splits on x = rootX (right: x > rootX) into node 0
// (right child) and subsector 2; node 0 splits on y = innerY (right: y < innerY) into
// subsectors 0 (right) and 1 (left). The walls share their bottom edge; the one expected first
// is the tallest and the one expected last the lowest, so that column 320 shows a band of
// each colour only when the subsectors were drawn in the expected order.
struct OrderCase {
    int16_t rootX;
    int16_t innerY;
    int16_t viewerY;
    int order[3];
};

TEST(TraversalTest, FarSideFirstAndTheRightChildFirstFromOnTheLine) {
    const OrderCase cases[] = {
        {100, 50, 0, {1, 0, 2}},   // left of the root, right of the inner partition
        {-100, 50, 0, {2, 1, 0}},  // right of the root
        {100, -50, 0, {0, 1, 2}},  // left of both
        {0, 0, 0, {0, 1, 2}},      // on both partition lines
        {-100, 0, 0, {2, 0, 1}},   // right of the root, on the inner line
    };
    const uint8_t colours[3] = {11, 22, 33};
    for (const OrderCase& c : cases) {
        WadArchive archive;
        test::addSolidTexture(archive, "C0", 64, 64, colours[0]);
        test::addSolidTexture(archive, "C1", 64, 64, colours[1]);
        test::addSolidTexture(archive, "C2", 64, 64, colours[2]);
        LevelBuilder level(archive);
        const int16_t a = level.vertex(200, 100);
        const int16_t b = level.vertex(200, -100);
        const int16_t ceilings[3] = {150, 100, 70};  // by drawing position
        for (int s = 0; s < 3; ++s) {
            int position = 0;
            while (c.order[position] != s) {
                ++position;
            }
            const char name[3] = {'C', static_cast<char>('0' + s), 0};
            const int16_t sector = level.sector(0, ceilings[position]);
            const int16_t line = level.linedef(a, b, level.sidedef(sector, name));
            level.seg(a, b, line, 0, 49152);
            level.subsector(static_cast<int16_t>(s), 1);
        }
        level.node(0, c.innerY, 1, 0, subsectorChild(0), subsectorChild(1));
        level.node(c.rootX, 0, 0, 1, 0, subsectorChild(2));
        level.finish();
        Renderer renderer(nullptr, &archive);
        renderer.setView(0, c.viewerY, 0);
        renderer.renderFrame();
        // Rows 0..118: only the tallest wall; 119..201: the middle one; 202..394: the lowest.
        EXPECT_EQ(pixelAt(renderer, 50, 320), colours[c.order[0]]) << "root x " << c.rootX;
        EXPECT_EQ(pixelAt(renderer, 150, 320), colours[c.order[1]]) << "root x " << c.rootX;
        EXPECT_EQ(pixelAt(renderer, 300, 320), colours[c.order[2]]) << "root x " << c.rootX;
    }
}

TEST(TraversalTest, ALevelWithoutNodesDrawsSubsectorZero) {
    WadArchive archive;
    test::addSolidTexture(archive, "WALL", 64, 64, 7);
    buildSingleRoom(archive, 0);
    ASSERT_EQ(archive.rootNode, -1);
    Renderer renderer(nullptr, &archive);
    renderer.setView(0, 0, 0);
    renderer.renderFrame();
    EXPECT_EQ(pixelAt(renderer, 240, 320), 7);
    EXPECT_GT(renderer.pixelsWritten, 0);
}

TEST(TraversalTest, EachFrameStartsFromTheClearColour) {
    WadArchive archive;
    test::addSolidTexture(archive, "WALL", 64, 64, 7);
    buildSingleRoom(archive, 0);
    Renderer renderer(nullptr, &archive);
    renderer.setView(0, 0, 0);
    std::memset(renderer.frameBuffer, 99, frameBytes);
    renderer.renderFrame();
    for (int row = 0; row < frameHeight; ++row) {
        ASSERT_EQ(pixelAt(renderer, row, 0), 0) << "row " << row;
    }
    EXPECT_EQ(pixelAt(renderer, 5, 320), 0);  // above the wall
    // The wall spans rows 100 to 379 at column 320 (ceiling 128, floor 0, eye 56, depth 200).
    int64_t wallPixels = 0;
    for (int i = 0; i < frameBytes; ++i) {
        wallPixels += renderer.frameBuffer[i] == 7;
    }
    EXPECT_EQ(renderer.pixelsWritten, wallPixels);
}

TEST(TraversalTest, ADamagedTreeEnds) {
    WadArchive archive;
    test::addSolidTexture(archive, "WALL", 64, 64, 7);
    buildSingleRoom(archive, 0);
    LevelBuilder level(archive);
    level.node(0, 0, 1, 0, 1, 0);  // both children name the node itself
    level.node(0, 0, 0, 1, 0, 5);  // 5 is no node
    level.finish();
    Renderer renderer(nullptr, &archive);
    renderer.setView(0, 0, 0);
    renderer.renderFrame();
    EXPECT_EQ(renderer.sectorAt(0, 0), -1);
}

}  // namespace
}  // namespace brindle
