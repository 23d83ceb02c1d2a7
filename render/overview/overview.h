// The overview: the whole level seen from above, one line per linedef, coloured by what the
// line separates. One classification and one transform serve the raster picture (PCX, PNG,
// the window's map) and the SVG; all raster arithmetic is integer, so every program that draws
// the same level and viewer gets the same bytes.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "render/thing_table.h"
#include "wad/wad_archive.h"

namespace brindle {

// In drawing order: later classes are drawn over earlier ones.
enum class LineClass : uint8_t { open, ceilingStep, floorStep, wall };
constexpr std::array<LineClass, 4> lineClassesInDrawingOrder = {
    LineClass::open, LineClass::ceilingStep, LineClass::floorStep, LineClass::wall};

// Linedef flags the overview reads.
constexpr int16_t secretLineFlag = 32;     // drawn as a wall whatever its sides
constexpr int16_t hiddenLineFlag = 128;    // never drawn
constexpr uint8_t thingColor = 112;        // palette index of the things
constexpr uint8_t viewerColor = 4;         // palette index of the viewer's arrow
constexpr int32_t minOverviewSide = 64;    // smallest width and height
constexpr int32_t maxOverviewSide = 8192;  // largest width and height

// "wall", "floor-step", "ceiling-step", "open".
const char* lineClassName(LineClass lineClass);
// The palette index a class is drawn in: 176, 64, 231, 96.
uint8_t lineClassColor(LineClass lineClass);

// The class of a linedef, or nothing when it is not drawn: flag 128 set, a vertex or its right
// sidedef out of range, or (for a two-sided line) a side's sector out of range. A left sidedef
// that is negative or names no sidedef makes the line one-sided.
std::optional<LineClass> classifyLinedef(const WadArchive& level, const Linedef& line);

struct OverviewLine {
    LineClass lineClass;
    Vertex start;
    Vertex end;
};

// The drawn linedefs of the loaded level, in level order.
std::vector<OverviewLine> overviewLines(const WadArchive& level);

struct MapBounds {
    int32_t minX = 0;
    int32_t maxX = 0;
    int32_t minY = 0;
    int32_t maxY = 0;
};

// The box around every vertex of the lines; all 0 when there are none.
MapBounds boundsOf(const std::vector<OverviewLine>& lines);

struct Pixel {
    int64_t x = 0;
    int64_t y = 0;
    bool operator==(const Pixel&) const = default;
};

// Map to frame: the bounds scaled by num / den to fit a width x height frame with an 8-pixel
// margin, centred, north up. 64-bit, divisions truncating.
struct OverviewTransform {
    int64_t minX = 0;
    int64_t maxY = 0;
    int64_t num = 1;
    int64_t den = 1;
    int64_t offX = 0;
    int64_t offY = 0;

    Pixel toPixel(int32_t x, int32_t y) const {
        return {offX + ((x - minX) * num) / den, offY + ((maxY - y) * num) / den};
    }
};

OverviewTransform fitOverview(const MapBounds& bounds, int32_t width, int32_t height);

// Calls plot(pixel) for every pixel of the integer Bresenham line from `from` to `to`, both
// included. The pixels depend on the direction: from a to b is not always from b to a.
template <typename Plot>
void traceLine(Pixel from, Pixel to, Plot&& plot) {
    const int64_t dx = from.x < to.x ? to.x - from.x : from.x - to.x;
    const int64_t dy = from.y < to.y ? from.y - to.y : to.y - from.y;  // minus |y1 - y0|
    const int64_t sx = from.x < to.x ? 1 : -1;
    const int64_t sy = from.y < to.y ? 1 : -1;
    int64_t err = dx + dy;
    Pixel at = from;
    for (;;) {
        plot(at);
        if (at == to) {
            return;
        }
        const int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            at.x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            at.y += sy;
        }
    }
}

// Where the viewer stands and faces (65536 to a turn, 0 along +x, 16384 along +y).
struct ViewerMark {
    int16_t x = 0;
    int16_t y = 0;
    uint16_t angle = 0;
};

// The viewer's arrow around its pixel: a 20-pixel shaft from tail to tip through the viewer's
// pixel, and two barbs drawn from the tip back to leftBarb and rightBarb. The facing is taken
// to the nearest of 128 directions.
struct ViewerArrow {
    Pixel tail;
    Pixel tip;
    Pixel leftBarb;
    Pixel rightBarb;
};

ViewerArrow viewerArrow(Pixel at, uint16_t angle);

struct OverviewOptions {
    int32_t width = 640;
    int32_t height = 400;
    bool things = false;  // each thing shown at `skill` as a 3 x 3 square
    std::optional<ViewerMark> viewer;
    int skill = defaultSkill;
};

// Width even and both sides within 64..8192 (a PCX line holds an even number of bytes).
bool validOverviewSize(int32_t width, int32_t height);

struct OverviewPicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;  // palette indices, top row first
};

// The raster overview of the loaded level: cleared to 0, then the open lines, ceiling steps,
// floor steps, walls, things and the viewer, each drawn over the ones before. Pixels outside
// the frame are skipped. An empty picture (0 x 0) when the size is not valid.
OverviewPicture drawOverview(const WadArchive& level, const OverviewOptions& options);

}  // namespace brindle
