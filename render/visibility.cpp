// The subtree boxes, and the test of a box against the view.
#include "render/visibility.h"

#include <algorithm>
#include <cmath>

#include "render/game_look/coverage.h"
#include "render/game_look/plane_cells.h"
#include "render/renderer.h"

namespace brindle {

namespace {

// Map units of slack around the exact view-space box. A vertex's view coordinates are rounded
// down, a wall end clipped to the near plane moves by less than a unit, and a plane pixel's map
// point lies within two units of its row's depth and column's ray; eight covers them all.
constexpr int64_t margin = 8;
constexpr int64_t unit = 65536;  // view coordinates are 16.16 before the shift
// Beyond this the renderer's 16-bit view coordinates could wrap: such boxes are never culled.
constexpr int64_t reach = (32767 - margin) * unit;

}  // namespace

void MapBox::add(int32_t x, int32_t y) {
    left = std::min(left, x);
    right = std::max(right, x);
    bottom = std::min(bottom, y);
    top = std::max(top, y);
}

void MapBox::addHeights(int32_t floor, int32_t ceiling) {
    low = std::min({low, floor, ceiling});
    high = std::max({high, floor, ceiling});
}

void MapBox::add(const MapBox& other) {
    if (!other.empty()) {
        add(other.left, other.bottom);
        add(other.right, other.top);
        low = std::min(low, other.low);
        high = std::max(high, other.high);
    }
}

void SubtreeBoxes::fit(const WadArchive& level, const PlaneCells* cells) {
    if (fittedLevel == &level && fittedSerial == level.levelSerial) {
        return;
    }
    fittedLevel = &level;
    fittedSerial = level.levelSerial;
    subsectorBoxes.assign(level.subsectors.size(), MapBox{});
    for (size_t i = 0; i < level.subsectors.size(); ++i) {
        const Subsector& sub = level.subsectors[i];
        MapBox& box = subsectorBoxes[i];
        for (int64_t s = sub.firstSeg; s < int64_t{sub.firstSeg} + sub.segCount; ++s) {
            if (s < 0 || static_cast<size_t>(s) >= level.segs.size()) {
                break;
            }
            const Seg& seg = level.segs[static_cast<size_t>(s)];
            // Its pieces and the subsector's planes lie between the floors and ceilings of the
            // sectors on both sides of its linedef.
            if (seg.linedef >= 0 && static_cast<size_t>(seg.linedef) < level.linedefs.size()) {
                const Linedef& line = level.linedefs[static_cast<size_t>(seg.linedef)];
                for (int32_t side : {line.rightSidedef, line.leftSidedef}) {
                    if (side >= 0 && static_cast<size_t>(side) < level.sidedefs.size()) {
                        const int32_t sector = level.sidedefs[static_cast<size_t>(side)].sector;
                        if (sector >= 0 && static_cast<size_t>(sector) < level.sectors.size()) {
                            const Sector& s = level.sectors[static_cast<size_t>(sector)];
                            box.addHeights(s.floorHeight, s.ceilingHeight);
                        }
                    }
                }
            }
            for (int32_t v : {seg.startVertex, seg.endVertex}) {
                if (v >= 0 && static_cast<size_t>(v) < level.vertices.size()) {
                    box.add(level.vertices[static_cast<size_t>(v)].x,
                            level.vertices[static_cast<size_t>(v)].y);
                }
            }
        }
        if (cells != nullptr) {
            for (const CellCorner& c : cells->corners(cells->cell(static_cast<int32_t>(i)))) {
                box.add(static_cast<int32_t>(std::floor(c.x)),
                        static_cast<int32_t>(std::floor(c.y)));
                box.add(static_cast<int32_t>(std::ceil(c.x)), static_cast<int32_t>(std::ceil(c.y)));
            }
        }
    }
    // Each node's box holds both children's: children first, by a walk that finishes a node
    // after both its subtrees. The level's check makes the tree a tree; the bounds on the walk
    // keep a damaged one finite all the same.
    nodeBoxes.assign(level.nodes.size(), MapBox{});
    if (level.rootNode < 0 || static_cast<size_t>(level.rootNode) >= level.nodes.size()) {
        return;
    }
    struct Step {
        uint32_t node;
        bool childrenDone;
    };
    std::vector<Step> pending{{static_cast<uint32_t>(level.rootNode), false}};
    size_t expanded = 0;
    while (!pending.empty()) {
        const Step step = pending.back();
        pending.pop_back();
        const Node& node = level.nodes[step.node];
        if (step.childrenDone) {
            nodeBoxes[step.node].add(childBox(node.rightChild));
            nodeBoxes[step.node].add(childBox(node.leftChild));
            continue;
        }
        if (++expanded > level.nodes.size()) {
            break;
        }
        pending.push_back({step.node, true});
        for (uint32_t child : {node.rightChild, node.leftChild}) {
            if ((child & subsectorFlag) == 0 && child < level.nodes.size()) {
                pending.push_back({child, false});
            }
        }
    }
}

const MapBox& SubtreeBoxes::childBox(uint32_t child) const {
    const size_t index = child & childIndexMask;
    const std::vector<MapBox>& boxes = (child & subsectorFlag) != 0 ? subsectorBoxes : nodeBoxes;
    return index < boxes.size() ? boxes[index] : nothing;
}

bool boxOutOfView(const Renderer& r, const MapBox& box) {
    if (box.empty()) {
        return true;  // draws nothing
    }
    const int64_t cosA = r.cosine(-int32_t{r.viewAngle});
    const int64_t sinA = r.sine(-int32_t{r.viewAngle});
    bool behind = true;
    bool leftOfView = true;
    bool rightOfView = true;
    for (const int64_t x : {int64_t{box.left}, int64_t{box.right}}) {
        for (const int64_t y : {int64_t{box.bottom}, int64_t{box.top}}) {
            const int64_t dx = x - r.viewX;
            const int64_t dy = y - r.viewY;
            if (dx < -32767 || dx > 32767 || dy < -32767 || dy > 32767) {
                return false;
            }
            // 65536 times the corner's depth and lateral offset, as setView computes them
            // before its shift.
            const int64_t depth = dx * cosA - dy * sinA;
            const int64_t lateral = dy * cosA + dx * sinA;
            if (depth < -reach || depth > reach || lateral < -reach || lateral > reach) {
                return false;
            }
            behind = behind && depth < (1 - margin) * unit;
            // Column 320 - lateral * 554 / depth below 0 (left) or above 640 (right).
            const int64_t slack = margin * unit * (554 + 321);
            leftOfView = leftOfView && 554 * lateral - 321 * depth >= slack;
            rightOfView = rightOfView && -554 * lateral - 321 * depth >= slack;
        }
    }
    return behind || leftOfView || rightOfView;
}

// The box's eight corners, at its lowest and highest heights, projected: with every corner far
// enough ahead, nothing inside reaches a column or row beyond theirs (a projection keeps lines
// straight), and walls step their edges linearly between projected ends. The box grows by two
// map units for the rounding of view coordinates, and the rectangle by three pixels for the
// rounding of the divisions and for the plane pixels that belong to a cell through the pixel
// above or below them.
bool boxHidden(const Renderer& r, const MapBox& box, const CoverageMask& coverage,
               const RowBand& band) {
    if (box.empty() || box.low > box.high) {
        return true;
    }
    constexpr int64_t grow = 2;
    // Nearer corners are not tested: a plane pixel's point strays too far from its row there.
    constexpr int64_t nearest = 256;
    constexpr int32_t slack = 3;
    const int64_t cosA = r.cosine(-int32_t{r.viewAngle});
    const int64_t sinA = r.sine(-int32_t{r.viewAngle});
    int64_t firstColumn = INT64_MAX, lastColumn = INT64_MIN;
    int64_t firstRow = INT64_MAX, lastRow = INT64_MIN;
    for (const int64_t x : {int64_t{box.left} - grow, int64_t{box.right} + grow}) {
        for (const int64_t y : {int64_t{box.bottom} - grow, int64_t{box.top} + grow}) {
            const int64_t dx = x - r.viewX;
            const int64_t dy = y - r.viewY;
            const int64_t depth = dx * cosA - dy * sinA;  // 16.16
            const int64_t lateral = dy * cosA + dx * sinA;
            if (dx < -32767 || dx > 32767 || dy < -32767 || dy > 32767 || depth < nearest * unit ||
                depth > reach || lateral < -reach || lateral > reach) {
                return false;
            }
            const int64_t column = 320 - lateral * 554 / depth;
            firstColumn = std::min(firstColumn, column);
            lastColumn = std::max(lastColumn, column);
            for (const int64_t h : {int64_t{box.low}, int64_t{box.high}}) {
                const int64_t row = 240 - (h - r.viewHeight) * 554 * unit / depth;
                firstRow = std::min(firstRow, row);
                lastRow = std::max(lastRow, row);
            }
        }
    }
    const int32_t x1 = static_cast<int32_t>(std::max<int64_t>(firstColumn - slack, 1));
    const int32_t x2 = static_cast<int32_t>(std::min<int64_t>(lastColumn + slack, frameWidth - 1));
    const int32_t y1 = static_cast<int32_t>(std::max<int64_t>(firstRow - slack, band.first));
    const int32_t y2 = static_cast<int32_t>(std::min<int64_t>(lastRow + slack, band.last));
    for (int32_t y = y1; y <= y2; ++y) {
        if (coverage.rowFull(y)) {
            continue;
        }
        if (!coverage.covers(y, x1, x2)) {
            return false;
        }
    }
    return true;
}

}  // namespace brindle
