// The flat floor fill on hand-made edges: view-space vertices are placed directly, with the
// eye at height 0.
#include <gtest/gtest.h>

#include <vector>

#include "tests/render/test_level.h"

namespace brindle {
namespace {

using test::LevelBuilder;
using test::pixelAt;
using test::rowRange;

constexpr uint8_t floorColour = Renderer::floorColor;

struct Corner {
    int16_t depth;
    int16_t lateral;
};

struct Edge {
    int from;  // corner indices
    int to;
};

class FloorFillTest : public ::testing::Test {
  protected:
    // One vertex per corner and one seg per edge, in the given order; fills the floor at the
    // given height and returns fillFloor's result.
    int16_t fill(const std::vector<Corner>& corners, const std::vector<Edge>& edges,
                 int16_t floorHeight) {
        LevelBuilder level(archive);
        for (size_t i = 0; i < corners.size(); ++i) {
            level.vertex(0, 0);
        }
        for (const Edge& e : edges) {
            level.seg(static_cast<int16_t>(e.from), static_cast<int16_t>(e.to), 0, 0, 0);
        }
        level.finish();
        renderer = std::make_unique<Renderer>(nullptr, &archive);
        for (size_t i = 0; i < corners.size(); ++i) {
            renderer->viewVertices[i] = ViewVertex{corners[i].depth, corners[i].lateral};
        }
        renderer->viewHeight = 0;
        renderer->clearFrame(0);
        return renderer->fillFloor(0, static_cast<uint16_t>(edges.size()), floorHeight);
    }

    // The first and last filled column of a row, or {-1, -1} for an empty row.
    std::pair<int, int> span(int row) const {
        int first = -1, last = -1;
        for (int c = 0; c < frameWidth; ++c) {
            if (pixelAt(*renderer, row, c) == floorColour) {
                first = first < 0 ? c : first;
                last = c;
            }
        }
        return {first, last};
    }

    std::vector<int> filledRows() const {
        std::vector<int> rows;
        for (int row = 0; row < frameHeight; ++row) {
            if (span(row).first >= 0) {
                rows.push_back(row);
            }
        }
        return rows;
    }

    WadArchive archive;
    std::unique_ptr<Renderer> renderer;
};

// A floor 100 below the eye: corner 0 at column 320, row 290; corners 1 and 2 at row 340,
// columns 120 and 520. Corner 3 lies at row 320, column 520; corner 4 at row 340, column 620.
const std::vector<Corner> triangle = {{1108, 0}, {554, 200}, {554, -200}, {692, -250}, {554, -300}};

TEST_F(FloorFillTest, TwoEdgesFillDownToTheLargestRow) {
    // Both edges start at corner 0; the one added second (going left) becomes the left edge.
    EXPECT_EQ(fill(triangle, {{0, 2}, {0, 1}}, -100), 1);
    EXPECT_EQ(filledRows(), rowRange(290, 339));
    EXPECT_EQ(span(290), std::make_pair(320, 320));
    EXPECT_EQ(span(300), std::make_pair(280, 360));  // 4 columns per row outward
    EXPECT_EQ(span(339), std::make_pair(124, 516));
    EXPECT_EQ(renderer->pixelsWritten, 50 + 8 * (49 * 50 / 2));
}

TEST_F(FloorFillTest, EdgesSharingTheirUpperPointTakeTheSecondAsLeft) {
    // Added the other way round, the left edge runs right and the right edge left: only the
    // shared point is filled.
    EXPECT_EQ(fill(triangle, {{0, 1}, {0, 2}}, -100), 1);
    EXPECT_EQ(filledRows(), std::vector<int>{290});
    EXPECT_EQ(span(290), std::make_pair(320, 320));
}

TEST_F(FloorFillTest, FillingStopsWhenAnEdgeEndsWithNoneToFollow) {
    // The right edge ends at row 320, the left one at 340.
    EXPECT_EQ(fill(triangle, {{0, 3}, {0, 1}}, -100), 1);
    EXPECT_EQ(filledRows(), rowRange(290, 320));
}

TEST_F(FloorFillTest, AnEdgeThatEndsIsReplacedByTheNextOne) {
    // The right edge ends at row 320; the edge from corner 3 to corner 4 takes over on row 321
    // from its upper column, 520, moving 5 columns right per row.
    EXPECT_EQ(fill(triangle, {{0, 3}, {0, 1}, {3, 4}}, -100), 1);
    EXPECT_EQ(filledRows(), rowRange(290, 339));
    EXPECT_EQ(span(321), std::make_pair(196, 520));
    EXPECT_EQ(span(339), std::make_pair(124, 610));
}

TEST_F(FloorFillTest, ASegOnOneRowGivesNoEdge) {
    // Corners 1 and 2 share a depth, so their seg lies on one row: one edge is left.
    EXPECT_EQ(fill(triangle, {{0, 1}, {1, 2}}, -100), 1);
    EXPECT_TRUE(filledRows().empty());
    EXPECT_EQ(renderer->pixelsWritten, 0);
}

TEST_F(FloorFillTest, AFloorStartingAboveTheFrameBeginsAtRow0FromItsUpperColumns) {
    // A floor 100 above the eye: edges from row -314 (columns 43 and 597) to row 140 (columns
    // 220 and 420). The columns are not advanced for the rows above the frame.
    const std::vector<Corner> corners = {{100, 50}, {554, 100}, {100, -50}, {554, -100}};
    EXPECT_EQ(fill(corners, {{0, 1}, {2, 3}}, 100), 1);
    EXPECT_EQ(filledRows(), rowRange(0, 139));
    EXPECT_EQ(span(0), std::make_pair(43, 597));
    EXPECT_EQ(span(139), std::make_pair(97, 542));
}

TEST_F(FloorFillTest, RowsAndColumnsStayInsideTheFrame) {
    // Edges from row 390 to 540, the left one from column -80, the right one from column 720.
    const std::vector<Corner> corners = {{1108, 800}, {554, 310}, {1108, -800}, {554, -300}};
    EXPECT_EQ(fill(corners, {{0, 1}, {2, 3}}, -300), 1);
    EXPECT_EQ(filledRows(), rowRange(390, 399));
    for (int row = 390; row < frameHeight; ++row) {
        EXPECT_EQ(span(row), std::make_pair(1, 639)) << "row " << row;
    }
    EXPECT_EQ(renderer->pixelsWritten, 10 * 639);
}

TEST_F(FloorFillTest, AFloorWhollyAboveTheFrameFillsNothing) {
    const std::vector<Corner> corners = {{300, 100}, {554, 100}, {300, -100}, {554, -100}};
    EXPECT_EQ(fill(corners, {{0, 1}, {2, 3}}, 300), 1);
    EXPECT_TRUE(filledRows().empty());
}

TEST_F(FloorFillTest, SegsBehindTheViewerOrOffTheFrameGiveNoEdges) {
    const std::vector<Corner> corners = {{0, 0},      {-5, 100},    {554, 400}, {1108, 800},
                                         {554, -400}, {1108, -800}, {1108, 0},  {554, 200}};
    // Behind, wholly left, wholly right, and one good edge: fewer than two edges.
    EXPECT_EQ(fill(corners, {{0, 1}, {2, 3}, {4, 5}, {6, 7}}, -100), 1);
    EXPECT_TRUE(filledRows().empty());
}

TEST_F(FloorFillTest, SegIndicesBeyondTheLevelAreSkipped) {
    fill(triangle, {{0, 2}, {0, 1}}, -100);
    renderer->clearFrame(0);
    EXPECT_EQ(renderer->fillFloor(1, 40, -100), 1);  // runs past the last seg: one edge
    EXPECT_TRUE(filledRows().empty());
    EXPECT_EQ(renderer->fillFloor(65535, 3, -100), 1);  // 65535 to 65537: none is a seg
    EXPECT_TRUE(filledRows().empty());
}

// A triangle of floor ahead of a viewer at the origin facing +x: a wall from (200, 100) to
// (200, -100) and two segs back to (100, 0); the floor projects onto rows 395 to 399.
void buildFloorTriangle(WadArchive& archive) {
    test::addSolidTexture(archive, "WALL", 64, 64, 9);
    LevelBuilder level(archive);
    const int16_t a = level.vertex(200, 100);
    const int16_t b = level.vertex(200, -100);
    const int16_t c = level.vertex(100, 0);
    const int16_t sector = level.sector(0, 128);
    const int16_t side = level.sidedef(sector, "WALL");
    level.seg(a, b, level.linedef(a, b, side), 0, 49152);
    level.seg(b, c, level.linedef(b, c, side), 0, 24576);
    level.seg(c, a, level.linedef(c, a, side), 0, 8192);
    level.subsector(0, 3);
    level.finish();
}

TEST(FloorOptionTest, FloorsBelowTheEyeAreFilledWhenAskedFor) {
    WadArchive archive;
    buildFloorTriangle(archive);
    Renderer renderer(nullptr, &archive);
    renderer.setView(0, 0, 0);
    renderer.renderFrame();
    EXPECT_EQ(pixelAt(renderer, 397, 320), 0);  // off by default
    renderer.drawFloors = true;
    renderer.renderFrame();
    EXPECT_EQ(pixelAt(renderer, 397, 320), floorColour);
    EXPECT_EQ(pixelAt(renderer, 300, 320), 9);  // the wall
    // A floor level with the eye is not filled.
    renderer.viewHeight = 0;
    renderer.renderFrame();
    for (int row = 0; row < frameHeight; ++row) {
        ASSERT_NE(pixelAt(renderer, row, 320), floorColour) << "row " << row;
    }
}

}  // namespace
}  // namespace brindle
