// The overview: which lines it draws in which class, the fitting transform, Bresenham's
// pixels, the viewer's arrow, the drawing order, and the SVG read back.
#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "render/overview/overview.h"
#include "render/overview/overview_svg.h"
#include "tests/render/test_level.h"

namespace brindle {
namespace {

constexpr int16_t noSide = -1;       // no sidedef index at all
constexpr int16_t missingSide = -2;  // a sidedef index past the end of the array
constexpr int16_t badSector = 50;    // a sector index past the end of the array

struct LineCase {
    const char* name;
    int16_t rightSector;
    int16_t leftSector;
    int16_t flags;
    std::optional<LineClass> expected;
    bool badVertex = false;
};

const LineCase lineCases[] = {
    {"OneSided", 0, noSide, 0, LineClass::wall},
    {"LeftNamesNoSidedef", 0, missingSide, 0, LineClass::wall},
    {"FloorsDiffer", 0, 1, 0, LineClass::floorStep},
    {"CeilingsDiffer", 0, 2, 0, LineClass::ceilingStep},
    {"BothDifferFloorWins", 0, 4, 0, LineClass::floorStep},
    {"Open", 0, 3, 0, LineClass::open},
    {"SecretOpenLine", 0, 3, 32, LineClass::wall},
    {"SecretStep", 0, 1, 32, LineClass::wall},
    {"OtherFlagsDoNotMatter", 0, 3, 1 | 2 | 4 | 8 | 16 | 64 | 256, LineClass::open},
    {"HiddenWall", 0, noSide, 128, std::nullopt},
    {"HiddenOpenLine", 0, 3, 128, std::nullopt},
    {"HiddenSecret", 0, 1, 128 | 32, std::nullopt},
    {"RightSidedefMissing", missingSide, 3, 0, std::nullopt},
    {"NoSidedefAtAll", noSide, noSide, 0, std::nullopt},
    {"BackSectorOutOfRange", 0, badSector, 0, std::nullopt},
    {"FrontSectorOutOfRange", badSector, 3, 0, std::nullopt},
    {"OneSidedNeedsNoSector", badSector, noSide, 0, LineClass::wall},
    {"VertexOutOfRange", 0, noSide, 0, std::nullopt, true},
};

// One linedef per case, from (64 i, 0) to (64 i + 32, 64 + i), and one thing of type 3004.
void buildLineCases(WadArchive& archive) {
    test::LevelBuilder level(archive);
    for (auto [floor, ceiling] : {std::pair{0, 128}, {16, 128}, {0, 96}, {0, 128}, {8, 64}}) {
        level.sector(static_cast<int16_t>(floor), static_cast<int16_t>(ceiling));
    }
    auto side = [&](int16_t sector) -> int16_t {
        return sector == noSide ? -1 : sector == missingSide ? 999 : level.sidedef(sector, "-");
    };
    for (size_t i = 0; i < std::size(lineCases); ++i) {
        const LineCase& c = lineCases[i];
        const int16_t x = static_cast<int16_t>(64 * i);
        const int16_t start = level.vertex(x, 0);
        const int16_t end =
            level.vertex(static_cast<int16_t>(x + 32), static_cast<int16_t>(64 + i));
        const int16_t line =
            level.linedef(c.badVertex ? 999 : start, end, side(c.rightSector), side(c.leftSector));
        archive.linedefs[static_cast<size_t>(line)].flags = c.flags;
    }
    archive.things.push_back(test::doomThing(100, 20, 0, 3004, 7));
    archive.things.push_back(test::doomThing(110, 20, 0, 3004, 1));  // skills 1 and 2 only: not shown
    level.finish();
}

TEST(OverviewLines, EachLineGetsTheClassOfWhatItSeparates) {
    WadArchive archive;
    buildLineCases(archive);
    for (size_t i = 0; i < std::size(lineCases); ++i) {
        EXPECT_EQ(classifyLinedef(archive, archive.linedefs[i]), lineCases[i].expected)
            << lineCases[i].name;
    }
}

struct TransformCase {
    MapBounds bounds;
    int32_t width;
    int32_t height;
    int32_t x;
    int32_t y;
    Pixel expected;
};

TEST(OverviewTransform, FitsTheBoundsInsideAnEightPixelMargin) {
    const TransformCase cases[] = {
        // Wide: (640 - 17) / 1000 across, centred down: offY = (399 - 311) / 2.
        {{0, 1000, 0, 500}, 640, 400, 0, 0, {8, 355}},
        {{0, 1000, 0, 500}, 640, 400, 1000, 500, {631, 44}},
        {{0, 1000, 0, 500}, 640, 400, 500, 250, {319, 199}},
        {{0, 1000, 0, 500}, 640, 400, -1, 501, {8, 44}},  // truncated toward zero
        {{0, 1000, 0, 500}, 640, 400, -2, 0, {7, 355}},
        // Tall: (400 - 17) / 1000 down, centred across: offX = (639 - 38) / 2.
        {{0, 100, 0, 1000}, 640, 400, 100, 0, {338, 391}},
        {{-50, 50, -500, 500}, 640, 400, -50, 500, {300, 8}},
        // No lines: the spans count as 1.
        {{0, 0, 0, 0}, 640, 400, 0, 0, {128, 8}},
        {{0, 0, 0, 0}, 64, 64, 0, 0, {8, 8}},
    };
    for (const TransformCase& c : cases) {
        const OverviewTransform t = fitOverview(c.bounds, c.width, c.height);
        const Pixel p = t.toPixel(c.x, c.y);
        EXPECT_EQ(p, c.expected) << "(" << c.x << ", " << c.y << ") in " << c.width << "x"
                                 << c.height << " gave (" << p.x << ", " << p.y << ")";
    }
}

TEST(OverviewTransform, BresenhamPixelsDependOnTheDirection) {
    using Pixels = std::vector<Pixel>;
    const std::tuple<Pixel, Pixel, Pixels> cases[] = {
        {{0, 0}, {4, 2}, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}},
        {{4, 2}, {0, 0}, {{4, 2}, {3, 1}, {2, 1}, {1, 0}, {0, 0}}},
        {{0, 0}, {1, 3}, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
        {{0, 0}, {0, 3}, {{0, 0}, {0, 1}, {0, 2}, {0, 3}}},
        {{2, 5}, {-1, 5}, {{2, 5}, {1, 5}, {0, 5}, {-1, 5}}},
        {{3, 3}, {3, 3}, {{3, 3}}},
    };
    for (const auto& [from, to, expected] : cases) {
        Pixels traced;
        traceLine(from, to, [&](Pixel p) { traced.push_back(p); });
        EXPECT_EQ(traced, expected)
            << "(" << from.x << ", " << from.y << ") to (" << to.x << ", " << to.y << ")";
    }
}

TEST(OverviewTransform, ArrowPointsAlongTheNearestOf128Directions) {
    const std::tuple<uint16_t, ViewerArrow> cases[] = {
        {0, {{90, 100}, {110, 100}, {104, 94}, {104, 106}}},      // east, left barb north
        {65535, {{90, 100}, {110, 100}, {104, 94}, {104, 106}}},  // rounds to east
        {16384, {{100, 110}, {100, 90}, {94, 96}, {106, 96}}},    // north, left barb west
        {32768, {{110, 100}, {90, 100}, {96, 106}, {96, 94}}},
        {8192, {{93, 107}, {107, 93}, {99, 93}, {107, 101}}},  // north-east
    };
    for (const auto& [angle, expected] : cases) {
        const ViewerArrow arrow = viewerArrow({100, 100}, angle);
        for (auto [got, want] : {std::pair{arrow.tail, expected.tail},
                                 {arrow.tip, expected.tip},
                                 {arrow.leftBarb, expected.leftBarb},
                                 {arrow.rightBarb, expected.rightBarb}}) {
            EXPECT_EQ(got, want) << "angle " << angle << ": (" << got.x << ", " << got.y << ")";
        }
    }
}

TEST(OverviewPicture, WallsCoverOpenLinesThingsCoverWallsTheViewerCoversAll) {
    // One wall and, listed after it, an open line over the same vertices.
    WadArchive archive;
    test::LevelBuilder level(archive);
    level.sector(0, 128);
    level.sector(0, 128);
    const int16_t a = level.vertex(0, 0);
    const int16_t b = level.vertex(100, 0);
    level.linedef(a, b, level.sidedef(0, "-"));
    level.linedef(a, b, level.sidedef(0, "-"), level.sidedef(1, "-"));
    archive.things.push_back(test::doomThing(50, 0, 0, 3001, 7));
    level.finish();

    // 623 / 100 across; the line lies on row (399 - 6) / 2 = 196 from column 8 to 631.
    OverviewOptions options;
    const OverviewPicture plain = drawOverview(archive, options);
    options.things = true;
    options.viewer = ViewerMark{0, 0, 0};
    const OverviewPicture full = drawOverview(archive, options);
    ASSERT_EQ(full.pixels.size(), 640u * 400u);
    auto at = [](const OverviewPicture& p, int x, int y) { return p.pixels[y * p.width + x]; };
    EXPECT_EQ(at(plain, 8, 196), 176);
    EXPECT_EQ(at(plain, 631, 196), 176);
    EXPECT_EQ(at(plain, 319, 195), 0);
    EXPECT_EQ(at(full, 318, 195), thingColor);  // the thing's 3 x 3 square around (319, 196)
    EXPECT_EQ(at(full, 320, 197), thingColor);
    EXPECT_EQ(at(full, 8, 196), viewerColor);   // the shaft from column -2 to 18
    EXPECT_EQ(at(full, 12, 190), viewerColor);  // the left barb, drawn from the tip
    EXPECT_EQ(at(full, 100, 196), 176);
    EXPECT_EQ(drawOverview(archive, {641, 400, false, std::nullopt}).width, 0);
}

TEST(OverviewPicture, SizesAreEvenWidthsAndSidesFrom64To8192) {
    for (auto [width, height, valid] : {std::tuple{64, 64, true},
                                        {8192, 8192, true},
                                        {640, 65, true},
                                        {62, 64, false},
                                        {65, 64, false},
                                        {8194, 64, false},
                                        {64, 63, false},
                                        {64, 8193, false}}) {
        EXPECT_EQ(validOverviewSize(width, height), valid) << width << "x" << height;
    }
}

TEST(OverviewSvg, HoldsEveryDrawnLineOnceWithItsClassInDrawingOrder) {
    WadArchive archive;
    buildLineCases(archive);
    OverviewOptions options{800, 500, true, ViewerMark{10, 20, 16384}};
    const std::string svg = overviewSvg(archive, options, "E1M1 of <a&b>.wad");

    using Line = std::tuple<std::string, int, int, int, int>;
    std::vector<Line> expected;
    for (LineClass lineClass : lineClassesInDrawingOrder) {
        for (size_t i = 0; i < std::size(lineCases); ++i) {
            if (lineCases[i].expected == lineClass) {
                const Linedef& l = archive.linedefs[i];
                const Vertex& s = archive.vertices[static_cast<size_t>(l.startVertex)];
                const Vertex& e = archive.vertices[static_cast<size_t>(l.endVertex)];
                expected.emplace_back(lineClassName(lineClass), s.x, s.y, e.x, e.y);
            }
        }
    }
    std::vector<Line> found;
    const std::regex line(
        R"re(<line class="([a-z-]+)" x1="(-?\d+)" y1="(-?\d+)" x2="(-?\d+)" y2="(-?\d+)"/>)re");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), line); it != std::sregex_iterator();
         ++it) {
        const std::smatch& m = *it;
        found.emplace_back(m[1], std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]),
                           std::stoi(m[5]));
    }
    EXPECT_EQ(found, expected);
    EXPECT_NE(svg.find("<title>E1M1 of &lt;a&amp;b&gt;.wad</title>"), std::string::npos);
    EXPECT_NE(svg.find("width=\"800\" height=\"500\""), std::string::npos);
    EXPECT_NE(svg.find("<circle class=\"thing\" data-type=\"3004\" cx=\"100\" cy=\"20\""),
              std::string::npos);
    EXPECT_EQ(svg.find("cx=\"110\""), std::string::npos);
    EXPECT_NE(svg.find("<path class=\"viewer\" transform=\"translate(10 20) rotate(90)"),
              std::string::npos);
    EXPECT_NE(svg.find("<g transform=\"scale(1 -1)\">"), std::string::npos);
}

}  // namespace
}  // namespace brindle
