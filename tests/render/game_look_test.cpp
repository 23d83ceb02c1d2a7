// The game look: pixels of hand-made views worked out by hand, the light rules, the sky at the
// frame's corners, and whole frames of the fast renderer against the frame worked out pixel by
// pixel from the definition (tests/render/game_look_reference.h).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/viewer.h"
#include "render/game_look/coverage.h"
#include "render/game_look/lighting.h"
#include "render/game_look/plane_cells.h"
#include "tests/render/game_look_reference.h"
#include "tests/render/test_level.h"
#include "tests/support/synthetic_wad.h"
#include "tests/support/test_data.h"

namespace brindle {
namespace {

using test::pixelAt;

// Flats and the sky texture, each texel telling where it came from. The synthetic colour map m
// turns texel i into i + m, so a lit pixel is its texel plus its map.
uint8_t floorTexel(int row, int column) {
    return static_cast<uint8_t>(1 + column + 64 * (row % 2));
}
uint8_t eastFloorTexel(int, int column) {
    return static_cast<uint8_t>(200 + column % 20);
}
uint8_t ceilingTexel(int row, int column) {
    return static_cast<uint8_t>(120 + (row + column) % 60);
}
uint8_t skyTexel(int column, int row) {
    return static_cast<uint8_t>(1 + (column * 3 + row) % 250);
}

test::Bytes flat(uint8_t (*texel)(int, int)) {
    test::Bytes bytes(4096);
    for (int i = 0; i < 4096; ++i) {
        bytes[static_cast<size_t>(i)] = texel(i / 64, i % 64);
    }
    return bytes;
}

// The square room of the synthetic archive (light 160: start map 20), its east half (x > 128,
// the node's right child) a sector of its own with floor FLOOR2.
struct Room {
    bool eastWall = true;  // without it nothing hides the floor beyond the east edge
    bool walls = true;
    bool skyCeiling = false;
    bool nodes = true;
};

test::TempFile roomArchive(const Room& room) {
    test::SyntheticLevel level = test::squareRoomLevel();
    Sector east = level.sectors[0];
    std::memcpy(east.floorFlat, "FLOOR2\0", 7);
    level.sectors.push_back(east);
    for (int side : {2, 3, 4}) {
        level.sidedefs[static_cast<size_t>(side)].sector = 1;
    }
    for (size_t side = 0; side < level.sidedefs.size(); ++side) {
        if (!room.walls || (side == 3 && !room.eastWall)) {
            std::memcpy(level.sidedefs[side].middleTexture, "-\0", 2);
        }
    }
    if (room.skyCeiling) {
        for (Sector& sector : level.sectors) {
            std::memcpy(sector.ceilingFlat, "F_SKY1\0", 7);
        }
    }
    if (!room.nodes) {
        level.nodes.clear();
    }
    test::SyntheticWad wad;
    wad.addLump("PLAYPAL", test::playpalLump())
        .addLump("COLORMAP", test::colormapLump())
        .addLump("PNAMES", test::pnamesLump({"WALLPAT", "SKYPAT"}))
        .addLump("TEXTURE1", test::textureLump(
                                 {{"WALL", 64, 128, {{0, 0, 0}}}, {"SKY1", 256, 128, {{0, 0, 1}}}}))
        .addLump("WALLPAT", test::solidPatchLump(64, 128, [](int, int) { return 250; }))
        .addLump("SKYPAT", test::solidPatchLump(256, 128, skyTexel))
        .addMarker("F_START")
        .addLump("FLOOR", flat(floorTexel))
        .addLump("FLOOR2", flat(eastFloorTexel))
        .addLump("CEIL", flat(ceilingTexel))
        .addMarker("F_END")
        .addLevel("E1M1", level);
    return wad.writeTemp();
}

class GameLookRoom : public ::testing::Test {
  protected:
    // Opens the room and renders the game look from (x, y) facing `angle`.
    void render(const Room& room, int16_t x, int16_t y, int16_t angle) {
        file = std::make_unique<test::TempFile>(roomArchive(room));
        ASSERT_EQ(archive.open(file->path().c_str()), 1) << archive.errorText();
        ASSERT_EQ(archive.loadLevel("E1M1"), 1) << archive.errorText();
        renderer = std::make_unique<Renderer>(nullptr, &archive);
        renderer->look = Look::game;
        renderer->setView(x, y, angle);
        renderer->renderFrame();
    }

    std::unique_ptr<test::TempFile> file;
    WadArchive archive;
    std::unique_ptr<Renderer> renderer;
};

struct HandPixel {
    int row;
    int column;
    int expected;
    const char* why;
};

// From (-67, 128) facing east, eye 56 above the floor and 72 below the ceiling: column 320 has
// lateral offset 0, so a row's point is (-67 + D, 128), D = 56 * 554 / (y - 240) for the floor
// and 72 * 554 / (240 - y) for the ceiling; texel row (-128) AND 63 = 0. The map is
// 20 - min(2560 / D, 47) / 2.
TEST_F(GameLookRoom, FloorAndCeilingPixelsWorkedOutByHand) {
    render(Room{.eastWall = false}, -67, 128, 0);
    const HandPixel pixels[] = {
        // D = 195: x = 128, on the node's line, so in the west (left) cell: FLOOR (0, 0), map 14.
        {399, 320, floorTexel(0, 0) + 14, "point on the partition line"},
        // D = 196: x = 129 lies east, but the pixel below lies west, and the west half is drawn
        // last (the viewer is on its side): FLOOR at its own point (0, 1).
        {398, 320, floorTexel(0, 1) + 14, "one-row seam from the pixel below"},
        {397, 320, eastFloorTexel(0, 2) + 14, "D = 197, east only"},
        // D = 323: x = 256, on the box's right edge, still inside; map 20 - 7 / 2 = 17.
        {336, 320, eastFloorTexel(0, 0) + 17, "point on the level box's edge"},
        // D = 326: x = 259 is outside, but the pixel below is inside.
        {335, 320, eastFloorTexel(0, 3) + 17, "seam from the edge"},
        {334, 320, 0, "D = 330: neither it nor a neighbour inside"},
        // Column 100: step = 195 * 65536 / 554 = 23067, Lt = (220 * 23067) >> 16 = 77, so the
        // point is (128, 205): texel row (-205) AND 63 = 51.
        {399, 100, floorTexel(51, 0) + 14, "lateral offset, texel row"},
        // Ceiling, D = 72 * 554 / 240 = 166: point (99, 128), texel (0, 35), map 20 - 15 / 2.
        {0, 320, ceilingTexel(0, 35) + 13, "ceiling straight ahead"},
        // Column 1: step = 166 * 65536 / 554 = 19637, Lt = (319 * 19637) >> 16 = 95: (99, 223).
        {0, 1, ceilingTexel(33, 35) + 13, "ceiling to the left"},
    };
    for (const HandPixel& p : pixels) {
        EXPECT_EQ(pixelAt(*renderer, p.row, p.column), p.expected) << p.why;
    }
}

// The sky: texel column (((columnAngle - viewAngle) AND 0xFFFF) >> 6) mod 256 and row
// (y * 100 / 240) mod 128, unlit. columnAngles[1] = -5444 and [639] = 5444; rows 0 and 239
// show texture rows 0 and 99.
TEST_F(GameLookRoom, SkyAtTheCornersOfTheFrame) {
    struct SkyView {
        int16_t angle;
        int left;  // the texel columns at frame columns 1 and 639
        int right;
    };
    for (const SkyView v : {SkyView{0, 170, 85}, SkyView{1000, 155, 69}}) {
        render(Room{.walls = false, .skyCeiling = true}, 128, 128, v.angle);
        for (const auto& [row, texelRow] : {std::pair{0, 0}, std::pair{239, 99}}) {
            EXPECT_EQ(pixelAt(*renderer, row, 1), skyTexel(v.left, texelRow)) << v.angle;
            EXPECT_EQ(pixelAt(*renderer, row, 639), skyTexel(v.right, texelRow)) << v.angle;
        }
    }
}

TEST_F(GameLookRoom, WithoutNodesSubsectorZeroHasTheWholePlane) {
    render(Room{.walls = false, .nodes = false}, 128, 128, 0);
    for (int y = 241; y < frameHeight; ++y) {
        for (int x = 1; x < frameWidth; ++x) {
            ASSERT_NE(pixelAt(*renderer, y, x), 0) << "row " << y << ", column " << x;
        }
    }
    // D = 56 * 554 / 60 = 517: (645, 128), far outside the room, still FLOOR; map 20 - 4 / 2.
    EXPECT_EQ(pixelAt(*renderer, 300, 320), floorTexel(0, 645 % 64) + 18);
}

// A point exactly on a line counts as left of it, by each of the side test's three rules.
TEST(GameLookCells, PointsOnALineLieInTheLeftChild) {
    struct Case {
        int16_t dx;
        int16_t dy;
        int64_t x;
        int64_t y;
        bool right;
    };
    const Case cases[] = {
        {0, 256, 128, 40, false}, {0, 256, 129, 40, true},     {0, -256, 127, 40, true},
        {256, 0, 40, 0, false},   {256, 0, 40, -1, true},      {-256, 0, 40, 1, true},
        {0, 0, 40, 1, true},      {0, 0, 40, 0, false},        {3, 5, 128 + 3, 5, false},
        {3, 5, 128 + 4, 5, true}, {-3, -5, 128 + 3, 5, false}, {-3, -5, 128 + 2, 5, true},
    };
    for (const Case& c : cases) {
        Node node{};
        node.x = 128;
        node.dx = c.dx;
        node.dy = c.dy;
        EXPECT_EQ(nodeSide(node, 1).holds(c.x, c.y), c.right)
            << c.dx << "," << c.dy << " at " << c.x << "," << c.y;
        EXPECT_EQ(nodeSide(node, 0).holds(c.x, c.y), !c.right);
    }
}

TEST(GameLookLight, BandsAndMapsAreHeldToTheirRanges) {
    struct Case {
        int16_t light;
        int band;    // of a plane
        int alongX;  // of a wall whose line runs along x
        int alongY;  // along y
    };
    const Case cases[] = {
        {0, 0, 0, 1},      {15, 0, 0, 1}, {16, 1, 0, 2},     {160, 10, 9, 11},    {255, 15, 14, 15},
        {256, 15, 14, 15}, {-1, 0, 0, 1}, {-32768, 0, 0, 1}, {32767, 15, 14, 15},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lightBand(c.light), c.band) << c.light;
        EXPECT_EQ(wallLightBand(c.light, {0, 5}, {9, 5}), c.alongX) << c.light;
        EXPECT_EQ(wallLightBand(c.light, {5, 0}, {5, 9}), c.alongY) << c.light;
        EXPECT_EQ(wallLightBand(c.light, {0, 0}, {9, 9}), c.band) << c.light;
    }
    // Start map (15 - band) * 4, less half the depth shade, held to 0..31.
    EXPECT_EQ(litMap(startMapOf(0), 0), 31);
    EXPECT_EQ(litMap(startMapOf(15), 47), 0);
    EXPECT_EQ(litMap(startMapOf(10), 13), 14);
    EXPECT_EQ(planeDepthShade(2), 47);
    EXPECT_EQ(planeDepthShade(2561), 0);
    EXPECT_EQ(wallDepthShade(28 * 47 + 27), 47);
    EXPECT_EQ(wallDepthShade(28 * 200), 47);
    EXPECT_EQ(wallDepthShade(55), 1);
}

// Covering spans of one row in turn: each gives the runs that were still open, across word
// edges, until the row is full.
TEST(GameLookCoverage, SpansGiveTheirOpenRunsOnce) {
    using Runs = std::vector<std::pair<int32_t, int32_t>>;
    const struct {
        int32_t first;
        int32_t last;
        Runs open;
    } steps[] = {
        {60, 130, {{60, 130}}},
        {63, 64, {}},
        {1, 639, {{1, 59}, {131, 639}}},
        {1, 639, {}},
    };
    auto mask = std::make_unique<CoverageMask>();
    mask->clearRows(7, 8);
    for (const auto& step : steps) {
        Runs runs;
        mask->coverRow(7, step.first, step.last,
                       [&](int32_t first, int32_t last) { runs.emplace_back(first, last); });
        EXPECT_EQ(runs, step.open) << step.first << ".." << step.last;
    }
    EXPECT_TRUE(mask->rowFull(7));
    EXPECT_FALSE(mask->rowFull(8));
    // Each column has lost one of its two open pixels.
    for (const int32_t column : {1, 63, 64, 639}) {
        EXPECT_FALSE(mask->columnFull(column)) << column;
        mask->coveredInColumn(column, 1);
        EXPECT_TRUE(mask->columnFull(column)) << column;
    }
}

struct View {
    const char* name;
    int16_t x;
    int16_t y;
    int16_t angle;
    bool fromStart = false;  // x, y and angle are added to the player start's
};

// One thread, and two whose first band ends at these rows: the ends of the range a split may
// take, the horizon and its neighbours, and rows inside each plane.
struct Banding {
    int threads;
    int32_t splitRow;
};
constexpr Banding bandings[] = {{1, 0},   {2, 8},   {2, 120}, {2, 239},
                                {2, 240}, {2, 241}, {2, 300}, {2, 391}};

// Renders the view by the definition and then in each banding; the pixels that differ (and
// where the first one is), and whether every banding stores as many pixels as one thread.
int differingPixels(Renderer& r, const View& v, std::string& first, bool& sameStores) {
    r.setView(v.x, v.y, v.angle);
    test::renderGameLookByDefinition(r);
    const std::vector<uint8_t> expected(r.frameBuffer, r.frameBuffer + frameBytes);
    r.look = Look::game;
    int count = 0;
    int64_t oneThreadStores = -1;
    sameStores = true;
    for (const Banding& banding : bandings) {
        r.frameThreads = banding.threads;
        r.splitRow = banding.splitRow;
        r.renderFrame();
        if (oneThreadStores < 0) {
            oneThreadStores = r.pixelsWritten;
        }
        sameStores = sameStores && r.pixelsWritten == oneThreadStores;
        if (const char* dir = std::getenv("BRINDLE_FRAME_DIR")) {
            test::writePpm(r, std::string(dir) + "/" + v.name + "-game.ppm");
        }
        for (int i = 0; i < frameBytes; ++i) {
            if (r.frameBuffer[i] != expected[i] && count++ == 0) {
                first = std::to_string(banding.threads) + " thread(s) split at " +
                        std::to_string(banding.splitRow) + ", row " +
                        std::to_string(i / frameWidth) + " column " +
                        std::to_string(i % frameWidth) + ": " + std::to_string(r.frameBuffer[i]) +
                        " instead of " + std::to_string(expected[i]);
            }
        }
    }
    return count;
}

void expectFramesMatch(const char* path, const char* map, const std::vector<View>& views) {
    WadArchive archive;
    ASSERT_EQ(archive.open(path), 1) << archive.errorText();
    ASSERT_EQ(archive.loadLevel(map), 1) << archive.errorText();
    Renderer r(nullptr, &archive);
    int16_t x = 0, y = 0, degrees = 0;
    archive.getPlayerStart(&x, &y, &degrees);
    const auto start = static_cast<int16_t>(startAngleFromDegrees(degrees));
    for (View v : views) {
        if (v.fromStart) {
            v = {v.name, static_cast<int16_t>(x + v.x), static_cast<int16_t>(y + v.y),
                 static_cast<int16_t>(start + v.angle)};
        }
        std::string first;
        bool sameStores = false;
        EXPECT_EQ(differingPixels(r, v, first, sameStores), 0)
            << map << " " << v.name << ": " << first;
        EXPECT_TRUE(sameStores) << map << " " << v.name;
    }
}

TEST(GameLookFrames, MatchTheDefinition) {
    const std::string doom1 = test::freedoom1Path();
    const std::string doom2 = test::freedoom2Path();
    BRINDLE_REQUIRE_ARCHIVE(doom1);
    BRINDLE_REQUIRE_ARCHIVE(doom2);
    expectFramesMatch(doom1.c_str(), "E1M1",
                      {{"e1m1-start", 0, 0, 0, true},
                       {"e1m1-corridor", 200, 304, 0},
                       {"e1m1-door-room", 1000, 600, 16384},
                       {"e1m1-start-back", 0, 0, -32768, true},
                       {"e1m1-outside", 1500, -1200, 27000}});
    expectFramesMatch(doom2.c_str(), "MAP01",
                      {{"map01-start", 0, 0, 0, true}, {"map01-start-side", 40, -30, 20000, true}});
    for (const bool nodes : {true, false}) {
        const test::TempFile file = roomArchive(Room{.skyCeiling = nodes, .nodes = nodes});
        expectFramesMatch(file.path().c_str(), "E1M1",
                          {{"room-inside", 100, 60, 3000}, {"room-outside", -67, 128, 0}});
    }
}

}  // namespace
}  // namespace brindle
