// The cells of the BSP tree. A subsector's cell is the part of the level's box whose points lie
// on the subsector's side of every partition line on the way down to it. It is kept as the few
// of those lines (and box sides) that bound it, which decide exactly which points lie inside,
// and as a polygon a little larger than the cell, which tells only where the cell can be.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "wad/wad_archive.h"

namespace brindle {

// The points (x, y) with a*x + b*y + e < 0. Every side of a partition line and every side of
// the level's box takes this form on whole-number points.
struct HalfPlane {
    int64_t a;
    int64_t b;
    int64_t e;
    bool holds(int64_t x, int64_t y) const { return a * x + b * y + e < 0; }
};

// The points a node's side test puts on its right (side 1, the right child) or on its left
// (side 0, the left child): for a line with direction (dx, dy) through (px, py), a point is on
// the right when (y - py) * dx < (x - px) * dy; on a line of direction 0 the rule for dy = 0 and
// dx <= 0 holds: right when y > py.
HalfPlane nodeSide(const Node& node, int side);

// The level's box from the root node's two boxes (top, bottom, left, right): the larger top and
// right, the smaller bottom and left, edges included.
std::array<HalfPlane, 4> levelBoxSides(const Node& root);

struct CellCorner {
    double x;
    double y;
};

struct PlaneCell {
    bool reached = false;     // the tree leads to this subsector
    bool everywhere = false;  // a level without nodes: subsector 0 holds every point
    uint32_t firstBound = 0;
    uint32_t boundCount = 0;
    uint32_t firstCorner = 0;
    uint32_t cornerCount = 0;  // none: no point lies in the cell
};

class PlaneCells {
  public:
    // Builds the cells of the level's tree, unless they were built for the same tree.
    void fit(const WadArchive& level);

    const PlaneCell& cell(int32_t subsector) const;
    std::span<const HalfPlane> bounds(const PlaneCell& c) const {
        return {allBounds.data() + c.firstBound, c.boundCount};
    }
    std::span<const CellCorner> corners(const PlaneCell& c) const {
        return {allCorners.data() + c.firstCorner, c.cornerCount};
    }

  private:
    void build(const WadArchive& level);

    bool built = false;
    std::vector<Node> builtNodes;  // the tree the cells belong to
    int32_t builtRoot = 0;
    size_t builtSubsectors = 0;
    std::vector<PlaneCell> cells;
    std::vector<HalfPlane> allBounds;
    std::vector<CellCorner> allCorners;
};

}  // namespace brindle
