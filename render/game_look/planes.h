// The floors and ceilings of the game look. Pixel (x, y) of a plane at height h shows the map
// point that the row's depth and the column's lateral offset give it:
//   rows = y - 240 (floor) or 240 - y (ceiling), rise = |eye - h|,
//   D = rise * 554 / rows, step = D * 65536 / 554, Lt = ((320 - x) * step) >> 16,
//   wx = viewX + ((D * cos - Lt * sin) >> 16), wy = viewY + ((D * sin + Lt * cos) >> 16),
// in 64-bit integers. The pixel belongs to a subsector's plane when that point, or the point of
// the pixel just above or below it on the same plane, lies in the subsector's cell.
#pragma once

#include <cstdint>
#include <vector>

#include "render/game_look/plane_cells.h"
#include "render/renderer.h"

namespace brindle {

class CoverageMask;
class SkyBackdrop;
class SurfaceOwners;
struct PlaneMarker;

constexpr int32_t firstFloorRow = 241;
constexpr int32_t lastCeilingRow = 239;

enum class PlaneKind { floor, ceiling };

// The view as the planes use it, in 64 bits.
struct PlaneView {
    int64_t x = 0;
    int64_t y = 0;
    int64_t cos = 0;  // cosine(viewAngle)
    int64_t sin = 0;  // sine(viewAngle)
    int64_t eye = 0;  // viewHeight
};

// One frame row of a plane: its depth and the step of the lateral offset per column.
struct PlaneRow {
    int64_t depth;
    int64_t step;
    int64_t depthCos;
    int64_t depthSin;

    PlaneRow() = default;
    PlaneRow(const PlaneView& view, int64_t rise, int64_t rowsFromHorizon)
        : depth(rise * 554 / rowsFromHorizon),
          step(depth * 65536 / 554),
          depthCos(depth * view.cos),
          depthSin(depth * view.sin) {}
    int64_t lateralAt(int32_t x) const { return ((320 - x) * step) >> 16; }
    int64_t mapX(const PlaneView& view, int64_t lateral) const {
        return view.x + ((depthCos - lateral * view.sin) >> 16);
    }
    int64_t mapY(const PlaneView& view, int64_t lateral) const {
        return view.y + ((depthSin + lateral * view.cos) >> 16);
    }
};

// What a plane shows: a flat through the colour maps from a start map, or the sky, unlit.
struct PlaneSurface {
    const uint8_t* flat = nullptr;  // 64 x 64, row-major
    int32_t startMap = 0;
    const SkyBackdrop* sky = nullptr;
};

class PlaneDrawer {
  public:
    void beginFrame(const Renderer& renderer);
    // Draws the plane of a subsector's cell at `height` over the band's rows of the frame: a
    // floor below the eye or a ceiling above it.
    void draw(Renderer& renderer, const PlaneCells& cells, const PlaneCell& cell, PlaneKind kind,
              int16_t height, const PlaneSurface& surface, RowBand& band);

  private:
    // A bound of the cell with its terms for this frame. 65536 times the bound's value at the
    // point of lateral offset Lt on a row of depth D is T = r0 + D * r1 + Lt * r2, less what
    // the rounding of the point's coordinates takes off: between 1 - inLimit and outLimit.
    // So T <= inLimit puts the point inside for certain, and T >= outLimit outside.
    //
    // Along a row the lateral offset falls, so sign * T falls with slope = |r2| (sign is that
    // of r2). The inside is where sign * T is small when sign is 1 (the right part of the
    // row), large when it is -1 (the left part).
    struct RowBound {
        HalfPlane plane;
        int64_t r0;
        int64_t r1;
        int64_t r2;
        int64_t inLimit;
        int64_t outLimit;
        int64_t sign;
        int64_t slope;
        // The two limits as limits on sign * T. With sign 1, sign * T <= surelyLimit is inside
        // for certain and sign * T <= maybeLimit not outside for certain; with sign -1 they
        // mean "not inside for certain" and "outside for certain".
        int64_t surelyLimit;
        int64_t maybeLimit;
    };
    struct Span {
        int32_t first;
        int32_t last;
    };

    bool rowRange(const PlaneCells& cells, const PlaneCell& cell, PlaneKind kind, int64_t rise,
                  int32_t& firstRow, int32_t& lastRow) const;
    void findSpans(const PlaneRow& row);
    int32_t firstColumnAtOrBelow(const PlaneRow& row, const RowBound& b, int64_t signedBase,
                                 int64_t limit) const;
    void testColumns(const PlaneRow& row, int32_t from, int32_t to, size_t rowStart);
    void addSpan(size_t rowStart, int32_t first, int32_t last);
    int64_t drawRow(Renderer& renderer, CoverageMask* coverage, int32_t y, const PlaneRow& row,
                    const Span* spans, size_t count, const PlaneSurface& surface,
                    const PlaneMarker* marker) const;

    PlaneView view;
    std::vector<RowBound> bounds;
    std::vector<const RowBound*> crossing;
    std::vector<PlaneRow> rows;      // the rows of the plane being drawn or looked at
    std::vector<Span> spans;         // the spans of each row whose own points lie in the cell
    std::vector<uint32_t> rowSpans;  // the first span of each row, and the end
    std::vector<Span> merged;
    std::vector<uint8_t> open;  // of the rows drawn, those not wholly covered yet
};

}  // namespace brindle
