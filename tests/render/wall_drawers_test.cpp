// The two wall drawers on hand-made pieces, with the eye at height 0 looking along +x.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "render/fixed_math.h"
#include "render/projection.h"
#include "tests/render/test_level.h"

namespace brindle {
namespace {

using test::pixelAt;
using test::rowRange;

enum class Drawer { fromTop, fromBottom };

const char* drawerName(Drawer d) {
    return d == Drawer::fromTop ? "fromTop" : "fromBottom";
}

struct Piece {
    int16_t depth1;
    int16_t lateral1;
    int16_t depth2;
    int16_t lateral2;
    int16_t topHeight;
    int16_t bottomHeight;
    const char* texture = "SOLID";
    int32_t xOffset = 0;
    int16_t yOffset = 0;
    int32_t perpDistance = 0;
    int32_t alongOffset = 0;
    int16_t segAngle = 0;
    WallLight light = {};
};

constexpr uint8_t solidColour = 77;

class WallDrawerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::addSolidTexture(archive, "SOLID", 64, 64, solidColour);
        // Texel value = row + 1, so a pixel tells which texture row it shows.
        test::addTexture(archive, "ROWS", 8, 128, [](int, int row) { return row + 1; });
        // The same in column 0 only: a read past the column's end would show 250.
        const auto firstColumnRows = [](int column, int row) {
            return column == 0 ? row + 1 : 250;
        };
        test::addTexture(archive, "ROWS72", 8, 72, firstColumnRows);
        test::addTexture(archive, "ROWS5", 8, 5, firstColumnRows);
        test::addTexture(archive, "COLS56", 56, 16, [](int column, int) { return column + 1; });
        test::addTexture(archive, "COLS64", 64, 16, [](int column, int) { return column + 1; });
        test::addTexture(archive, "EMPTY", 0, 0, [](int, int) { return 0; });
        test::addTexture(archive, "WIDE", 256, 16, [](int column, int) { return column; });
        // Texture heights of 1 and 3 rows make the texel step many times the texture height.
        test::addSolidTexture(archive, "ONE", 1, 1, 5);
        test::addSolidTexture(archive, "THREE", 3, 3, 6);
        renderer = std::make_unique<Renderer>(nullptr, &archive);
        renderer->viewHeight = 0;
        renderer->viewAngle = 0;
        renderer->clearFrame(0);
    }

    int16_t draw(Drawer drawer, const Piece& p) {
        const auto call =
            drawer == Drawer::fromTop ? &Renderer::drawWallFromTop : &Renderer::drawWallFromBottom;
        return (renderer.get()->*call)(p.depth1, p.lateral1, p.depth2, p.lateral2, p.topHeight,
                                       p.bottomHeight, p.segAngle, p.texture, p.xOffset, p.yOffset,
                                       p.perpDistance, p.alongOffset, p.light);
    }

    bool frameIsClear() const {
        return std::all_of(renderer->frameBuffer, renderer->frameBuffer + frameBytes,
                           [](uint8_t p) { return p == 0; });
    }

    // Rows of one column that hold a nonzero pixel.
    std::vector<int> drawnRows(int column) const {
        std::vector<int> rows;
        for (int row = 0; row < frameHeight; ++row) {
            if (pixelAt(*renderer, row, column) != 0) {
                rows.push_back(row);
            }
        }
        return rows;
    }

    WadArchive archive;
    std::unique_ptr<Renderer> renderer;
};

// At depth 554 a lateral of L lands on column 320 - L.
constexpr int16_t atDepth554 = 554;
constexpr int16_t lateralForColumn(int column) {
    return static_cast<int16_t>(320 - column);
}

struct RejectedCase {
    const char* what;
    Piece piece;
};

TEST_F(WallDrawerTest, PiecesGivenUpBeforeTheColumnLoopReturn0AndDrawNothing) {
    const RejectedCase cases[] = {
        {"no texture", {100, 50, 100, -50, 50, -50, "-"}},
        {"dash with more after it", {100, 50, 100, -50, 50, -50, "-SOLID"}},
        {"both ends at depth 0", {0, 50, 0, -50, 50, -50}},
        {"both ends behind", {-5, 50, 0, -50, 50, -50}},
        {"both ends on one column", {100, 10, 200, 20, 50, -50}},
        {"columns -5 and -1",
         {atDepth554, lateralForColumn(-5), atDepth554, lateralForColumn(-1), 50, -50}},
        {"columns 641 and 700",
         {atDepth554, lateralForColumn(641), atDepth554, lateralForColumn(700), 50, -50}},
        {"unknown texture", {100, 50, 100, -50, 50, -50, "NOSUCH"}},
        {"texture without size", {100, 50, 100, -50, 50, -50, "EMPTY"}},
    };
    for (Drawer drawer : {Drawer::fromTop, Drawer::fromBottom}) {
        for (const RejectedCase& c : cases) {
            EXPECT_EQ(draw(drawer, c.piece), 0) << drawerName(drawer) << ": " << c.what;
            EXPECT_TRUE(frameIsClear()) << drawerName(drawer) << ": " << c.what;
        }
    }
}

TEST_F(WallDrawerTest, PiecesThatRunTheLoopButCoverNoDrawnColumnReturn1) {
    const RejectedCase cases[] = {
        {"columns -5 and 0",
         {atDepth554, lateralForColumn(-5), atDepth554, lateralForColumn(0), 50, -50}},
        {"columns 640 and 700",
         {atDepth554, lateralForColumn(640), atDepth554, lateralForColumn(700), 50, -50}},
        {"first column right of the second",
         {atDepth554, lateralForColumn(330), atDepth554, lateralForColumn(310), 50, -50}},
        {"upper edge below the lower edge", {100, 50, 100, -50, -50, 50}},
    };
    for (Drawer drawer : {Drawer::fromTop, Drawer::fromBottom}) {
        for (const RejectedCase& c : cases) {
            EXPECT_EQ(draw(drawer, c.piece), 1) << drawerName(drawer) << ": " << c.what;
            EXPECT_TRUE(frameIsClear()) << drawerName(drawer) << ": " << c.what;
            EXPECT_EQ(renderer->pixelsWritten, 0);
        }
    }
}

// Lit, each column shows its texels through colour map clamp(start - j / 2, 0, 31), where
// j = min(rowsPerUnit / 28, 47) and rowsPerUnit = (0x45400000 / depth) >> 14.
TEST_F(WallDrawerTest, LitColumnsTakeTheirMapFromTheirDepth) {
    for (int m = 0; m < WadArchive::colorMapCount; ++m) {
        for (int i = 0; i < WadArchive::colorMapBytes; ++i) {
            archive.colorMaps[m][i] = static_cast<uint8_t>(i + m);
        }
    }
    struct Case {
        int16_t depth;
        int32_t startMap;
        int map;
    };
    const Case cases[] = {
        {100, 20, 8},    // rowsPerUnit 709: j 25
        {1000, 20, 19},  // 70: j 2
        {10, 20, 0},     // 7091: j 47, map -3 held at 0
        {1000, 60, 31},  // map 59 held at 31
    };
    for (Drawer drawer : {Drawer::fromTop, Drawer::fromBottom}) {
        for (const Case& c : cases) {
            renderer->clearFrame(0);
            Piece piece{c.depth, 50, c.depth, -50, 50, -50};
            piece.light = WallLight{c.startMap};
            ASSERT_EQ(draw(drawer, piece), 1);
            EXPECT_EQ(pixelAt(*renderer, 240, 320), solidColour + c.map)
                << drawerName(drawer) << " at depth " << c.depth;
        }
    }
}

TEST(ProjectionTest, ClipAtDepthOneAndProject) {
    int16_t depth1 = -10, lateral1 = 100, depth2 = 10, lateral2 = 0;
    ASSERT_TRUE(clipToNearPlane(depth1, lateral1, depth2, lateral2));
    EXPECT_EQ(depth1, 1);
    EXPECT_EQ(lateral1, 45);
    EXPECT_EQ(depth2, 10);
    EXPECT_EQ(lateral2, 0);
    EXPECT_EQ(projectColumn(lateral1, depth1), -24610);
    EXPECT_EQ(projectColumn(lateral2, depth2), 320);

    // The same with the ends the other way round clips the second end.
    depth1 = 10, lateral1 = 0, depth2 = -10, lateral2 = 100;
    ASSERT_TRUE(clipToNearPlane(depth1, lateral1, depth2, lateral2));
    EXPECT_EQ(depth2, 1);
    EXPECT_EQ(lateral2, 45);

    // Equal laterals keep their value.
    depth1 = -3, lateral1 = 7, depth2 = 5, lateral2 = 7;
    ASSERT_TRUE(clipToNearPlane(depth1, lateral1, depth2, lateral2));
    EXPECT_EQ(depth1, 1);
    EXPECT_EQ(lateral1, 7);

    depth1 = 0, depth2 = -1;
    EXPECT_FALSE(clipToNearPlane(depth1, lateral1, depth2, lateral2));

    EXPECT_EQ(projectColumn(50, 100), 43);
    EXPECT_EQ(projectRow(72, 100), -158);
}

TEST_F(WallDrawerTest, AClippedPieceCoversTheColumnsUpToItsFarEnd) {
    // From depth 1, lateral 45 (column -24610) to column 320; edges far above and below.
    const Piece piece{-10, 100, 10, 0, 10, -10};
    EXPECT_EQ(draw(Drawer::fromTop, piece), 1);
    for (int row : {0, 200, 399}) {
        EXPECT_EQ(pixelAt(*renderer, row, 0), 0) << "row " << row;
        EXPECT_EQ(pixelAt(*renderer, row, 1), solidColour) << "row " << row;
        EXPECT_EQ(pixelAt(*renderer, row, 320), solidColour) << "row " << row;
        EXPECT_EQ(pixelAt(*renderer, row, 321), 0) << "row " << row;
    }
    EXPECT_EQ(renderer->pixelsWritten, 320 * 400);
}

TEST_F(WallDrawerTest, RowsFilledByEachDrawer) {
    // In column 292 the upper edge lies at row 10.55 and the lower edge at row 20.92.
    const Piece piece{114, 100, 206, -100, 65, 62};
    ASSERT_EQ(draw(Drawer::fromTop, piece), 1);
    EXPECT_EQ(drawnRows(292), rowRange(10, 19));
    renderer->clearFrame(0);
    ASSERT_EQ(draw(Drawer::fromBottom, piece), 1);
    EXPECT_EQ(drawnRows(292), rowRange(10, 20));
}

TEST_F(WallDrawerTest, EdgesLessThanARowApartDrawNothingInThatColumn) {
    // In column 75 the edges lie at rows 10.52 and 11.43: different rows, 0.91 rows apart.
    const Piece piece{560, 300, 603, -300, 234, 233};
    for (Drawer drawer : {Drawer::fromTop, Drawer::fromBottom}) {
        renderer->clearFrame(0);
        ASSERT_EQ(draw(drawer, piece), 1);
        EXPECT_TRUE(drawnRows(75).empty()) << drawerName(drawer);
    }
}

struct AnchorCase {
    Drawer drawer;
    int16_t topHeight;
    int16_t bottomHeight;
    int16_t yOffset;
    int row;
    int texelRow;
};

TEST_F(WallDrawerTest, TheVerticalOffsetAnchorsTheTextureAtTheDrawersEdge) {
    // Depth 100: the upper edge at height 20 lands on row 130, the lower edge at -20 on row 350;
    // one screen row is 0.18 texel rows. The texture is 128 rows high.
    const AnchorCase cases[] = {
        {Drawer::fromTop, 20, -40, 0, 130, 0},
        {Drawer::fromTop, 20, -40, 8, 130, 120},
        {Drawer::fromTop, 20, -40, -8, 130, 8},
        {Drawer::fromTop, 20, -40, 0, 136, 1},  // 6 rows down: 1.08 texel rows
        {Drawer::fromBottom, 40, -20, 0, 350, 0},
        {Drawer::fromBottom, 40, -20, 0, 349, 127},  // counting down from H - 1
        {Drawer::fromBottom, 40, -20, 0, 344, 126},
        {Drawer::fromBottom, 40, -20, 8, 350, 8},
        {Drawer::fromBottom, 40, -20, -8, 350, 120},
    };
    for (const AnchorCase& c : cases) {
        renderer->clearFrame(0);
        Piece piece{100, 50, 100, -50, c.topHeight, c.bottomHeight, "ROWS"};
        piece.yOffset = c.yOffset;
        ASSERT_EQ(draw(c.drawer, piece), 1);
        EXPECT_EQ(pixelAt(*renderer, c.row, 320), c.texelRow + 1)
            << drawerName(c.drawer) << ", y offset " << c.yOffset << ", row " << c.row;
    }
}

struct RepeatCase {
    const char* texture;
    int height;
};

TEST_F(WallDrawerTest, TexturesRepeatDownTheWallFromTheAnchoredEdge) {
    // At depth 554 one screen row is one texel row: the upper edge at height 230 lies on row 10
    // and the lower edge at -159 on row 399, so the texture repeats down the column. Heights
    // that are powers of two and heights that are not must wrap alike. Every screen column
    // shows texture column 0.
    const RepeatCase textures[] = {{"ROWS", 128}, {"ROWS72", 72}, {"ROWS5", 5}};
    constexpr int topRow = 10;
    constexpr int bottomRow = 399;
    const auto wrap = [](int value, int height) { return ((value % height) + height) % height; };
    for (const RepeatCase& texture : textures) {
        for (int16_t yOffset : {0, 5, -77, 300}) {
            for (Drawer drawer : {Drawer::fromTop, Drawer::fromBottom}) {
                renderer->clearFrame(0);
                Piece piece{atDepth554, 50, atDepth554, -50, 230, -159, texture.texture};
                piece.yOffset = yOffset;
                ASSERT_EQ(draw(drawer, piece), 1);
                const int lastRow = drawer == Drawer::fromTop ? bottomRow - 1 : bottomRow;
                ASSERT_EQ(drawnRows(320), rowRange(topRow, lastRow));
                for (int row = topRow; row <= lastRow; ++row) {
                    const int texelRow = drawer == Drawer::fromTop
                                             ? wrap(row - topRow - yOffset, texture.height)
                                             : wrap(yOffset - (bottomRow - row), texture.height);
                    ASSERT_EQ(pixelAt(*renderer, row, 320), texelRow + 1)
                        << texture.texture << ", " << drawerName(drawer) << ", y offset " << yOffset
                        << ", row " << row;
                }
            }
        }
    }
}

TEST_F(WallDrawerTest, EdgesOffTheFrameKeepTheTexturePhase) {
    // Depth 50, edges at heights 100 and -100: rows -868 and 1348, 0.09 texel rows per row.
    const Piece piece{50, 20, 50, -20, 100, -100, "ROWS"};
    ASSERT_EQ(draw(Drawer::fromTop, piece), 1);
    EXPECT_EQ(pixelAt(*renderer, 0, 320), 78 + 1);  // 868 rows above the frame
    EXPECT_EQ(drawnRows(320), rowRange(0, 399));
    renderer->clearFrame(0);
    ASSERT_EQ(draw(Drawer::fromBottom, piece), 1);
    EXPECT_EQ(pixelAt(*renderer, 399, 320), 42 + 1);  // 949 rows below, counted back
    EXPECT_EQ(drawnRows(320), rowRange(0, 399));
}

struct ColumnCase {
    Drawer drawer;
    const char* texture;
    int32_t xOffset;
    int32_t alongOffset;
    int texelColumn;
};

TEST_F(WallDrawerTest, NegativeTextureColumnsReduceDifferentlyInTheTwoDrawers) {
    // With no perpendicular distance every screen column maps to u = -alongOffset, and
    // v = u - xOffset (low 16 bits).
    const ColumnCase cases[] = {
        {Drawer::fromTop, "COLS56", 1, 0, 31},         {Drawer::fromBottom, "COLS56", 1, 0, 15},
        {Drawer::fromTop, "COLS56", 0, 1, 31},         {Drawer::fromBottom, "COLS56", 0, 1, 15},
        {Drawer::fromTop, "COLS56", 65536 + 1, 0, 31},  // only the low 16 bits count
        {Drawer::fromTop, "COLS64", 1, 0, 63},         {Drawer::fromBottom, "COLS64", 1, 0, 63},
        {Drawer::fromTop, "COLS56", -60, 0, 4},        {Drawer::fromBottom, "COLS56", -60, 0, 4},
    };
    for (const ColumnCase& c : cases) {
        renderer->clearFrame(0);
        Piece piece{100, 50, 100, -50, 20, -20, c.texture};
        piece.xOffset = c.xOffset;
        piece.alongOffset = c.alongOffset;
        ASSERT_EQ(draw(c.drawer, piece), 1);
        EXPECT_EQ(pixelAt(*renderer, 240, 200), c.texelColumn + 1)
            << drawerName(c.drawer) << " " << c.texture << ", x offset " << c.xOffset << ", along "
            << c.alongOffset;
    }
}

TEST_F(WallDrawerTest, ColumnsFollowTheRayHitPointAlongTheSeg) {
    // A wall 100 units ahead across the view, running from 50 units left of the view axis to
    // 50 units right of it (seg angle 49152 when facing +x): the ray of column 320 meets it 50
    // units from its start, columns to the left nearer the start, columns to the right further.
    Piece piece{100, 50, 100, -50, 20, -20, "WIDE"};
    piece.segAngle = -16384;
    piece.perpDistance = 100;
    piece.alongOffset = -50;
    ASSERT_EQ(draw(Drawer::fromTop, piece), 1);
    EXPECT_EQ(pixelAt(*renderer, 240, 320), 50);
    EXPECT_LT(pixelAt(*renderer, 240, 300), 50);
    EXPECT_GT(pixelAt(*renderer, 240, 340), 50);
    EXPECT_EQ(pixelAt(*renderer, 240, 44), 0 + 1);  // one column in from the start: u = 0..1
}

TEST_F(WallDrawerTest, ColumnZeroIsNeverDrawnAndColumn639Is) {
    // Columns -5 to 700, rows 190 to 289.
    const Piece piece{atDepth554, lateralForColumn(-5), atDepth554, lateralForColumn(700), 50, -50};
    ASSERT_EQ(draw(Drawer::fromTop, piece), 1);
    EXPECT_TRUE(drawnRows(0).empty());
    EXPECT_EQ(drawnRows(1), rowRange(190, 289));
    EXPECT_EQ(drawnRows(639), rowRange(190, 289));
    EXPECT_EQ(renderer->pixelsWritten, 639 * 100);
    renderer->clearFrame(0);
    renderer->pixelsWritten = 0;
    ASSERT_EQ(draw(Drawer::fromBottom, piece), 1);
    EXPECT_TRUE(drawnRows(0).empty());
    EXPECT_EQ(drawnRows(639), rowRange(190, 290));
    EXPECT_EQ(renderer->pixelsWritten, 639 * 101);
}

TEST_F(WallDrawerTest, ExtremePiecesStayInsideTheFrame) {
    const int16_t coordinates[] = {-32768, -1, 1, 32767};
    const int16_t heights[] = {-32768, 0, 32767};
    const int32_t distances[] = {INT32_MIN, -1, 0, 32767, INT32_MAX};
    int drawn = 0;
    for (const char* texture : {"ONE", "THREE", "ROWS"}) {
        for (int16_t d1 : coordinates) {
            for (int16_t l1 : coordinates) {
                for (int16_t l2 : coordinates) {
                    for (int16_t top : heights) {
                        const int16_t bottom = static_cast<int16_t>(-top);
                        const int32_t distance = distances[(drawn++) % 5];
                        Piece piece{d1, l1, 1, l2, top, bottom, texture};
                        piece.perpDistance = distance;
                        piece.alongOffset = neg32(distance);
                        piece.xOffset = distance;
                        piece.yOffset = top;
                        draw(Drawer::fromTop, piece);
                        draw(Drawer::fromBottom, piece);
                    }
                }
            }
        }
    }
    // Addresses and arithmetic are checked by the sanitizers; here, that column 0 stayed clear.
    EXPECT_TRUE(drawnRows(0).empty());
}

}  // namespace
}  // namespace brindle
