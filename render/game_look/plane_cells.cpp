// Building the cells: the tree is walked once from the root with a convex polygon that starts as
// the level's box and is cut by each partition line on the way down.
//
// The polygon is computed in floating point, so it is held larger than the cell by a margin
// (each side pushed out by half a map unit) that dwarfs its rounding errors. A line whose whole
// polygon lies deeper inside its half-plane than the margin cannot decide any point of the cell
// and is dropped from the cell's bounds: every point that satisfies the remaining bounds lies in
// the polygon (the dropped line does not touch it), so it satisfies the dropped one too.
#include "render/game_look/plane_cells.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace brindle {

namespace {

constexpr double margin = 0.5;     // map units each side is pushed out by
constexpr double farAway = 70000;  // beyond every 16-bit coordinate

double valueAt(const HalfPlane& h, const CellCorner& p) {
    return static_cast<double>(h.a) * p.x + static_cast<double>(h.b) * p.y +
           static_cast<double>(h.e);
}

double lengthOf(const HalfPlane& h) {
    return std::hypot(static_cast<double>(h.a), static_cast<double>(h.b));
}

// Cuts a convex polygon down to the half-plane pushed out by the margin. Fewer than three
// corners left means nothing is left.
void cut(const std::vector<CellCorner>& polygon, const HalfPlane& h, std::vector<CellCorner>& out) {
    out.clear();
    const double slack = margin * lengthOf(h);
    const size_t n = polygon.size();
    for (size_t i = 0; i < n; ++i) {
        const CellCorner& p = polygon[i];
        const CellCorner& q = polygon[(i + 1) % n];
        const double fp = valueAt(h, p) - slack;
        const double fq = valueAt(h, q) - slack;
        if (fp <= 0) {
            out.push_back(p);
        }
        if ((fp <= 0) != (fq <= 0)) {
            const double t = fp / (fp - fq);
            out.push_back({p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)});
        }
    }
    if (out.size() < 3) {
        out.clear();
    }
}

// Whether a bound can still decide a point of the polygon.
bool touches(const HalfPlane& h, const std::vector<CellCorner>& polygon) {
    const double inside = -margin * lengthOf(h);
    return std::any_of(polygon.begin(), polygon.end(),
                       [&](const CellCorner& p) { return valueAt(h, p) > inside; });
}

struct Branch {
    uint32_t child;
    std::vector<CellCorner> polygon;
    std::vector<HalfPlane> bounds;
};

}  // namespace

HalfPlane nodeSide(const Node& node, int side) {
    int64_t dx = node.dx;
    int64_t dy = node.dy;
    if (dx == 0 && dy == 0) {
        dx = -1;  // the rule for dy = 0 and dx <= 0
    }
    // Right of the line: f = (y - py) * dx - (x - px) * dy < 0. Left, on whole numbers:
    // f >= 0, that is -f - 1 < 0.
    const int64_t px = node.x;
    const int64_t py = node.y;
    if (side == 1) {
        return {-dy, dx, dy * px - dx * py};
    }
    return {dy, -dx, dx * py - dy * px - 1};
}

std::array<HalfPlane, 4> levelBoxSides(const Node& root) {
    const int64_t top = std::max(root.rightBox[0], root.leftBox[0]);
    const int64_t bottom = std::min(root.rightBox[1], root.leftBox[1]);
    const int64_t left = std::min(root.rightBox[2], root.leftBox[2]);
    const int64_t right = std::max(root.rightBox[3], root.leftBox[3]);
    return {{
        {0, 1, -top - 1},     // y <= top
        {0, -1, bottom - 1},  // y >= bottom
        {-1, 0, left - 1},    // x >= left
        {1, 0, -right - 1},   // x <= right
    }};
}

void PlaneCells::fit(const WadArchive& level) {
    const bool same = built && builtRoot == level.rootNode &&
                      builtSubsectors == level.subsectors.size() &&
                      builtNodes.size() == level.nodes.size() &&
                      (level.nodes.empty() || std::memcmp(builtNodes.data(), level.nodes.data(),
                                                          level.nodes.size() * sizeof(Node)) == 0);
    if (!same) {
        build(level);
    }
}

const PlaneCell& PlaneCells::cell(int32_t subsector) const {
    static const PlaneCell none{};
    if (subsector < 0 || static_cast<size_t>(subsector) >= cells.size()) {
        return none;
    }
    return cells[static_cast<size_t>(subsector)];
}

void PlaneCells::build(const WadArchive& level) {
    built = true;
    builtNodes = level.nodes;
    builtRoot = level.rootNode;
    builtSubsectors = level.subsectors.size();
    cells.assign(level.subsectors.size(), PlaneCell{});
    allBounds.clear();
    allCorners.clear();

    if (level.rootNode < 0) {
        if (!cells.empty()) {
            cells[0].reached = true;
            cells[0].everywhere = true;
        }
        return;
    }
    if (static_cast<size_t>(level.rootNode) >= level.nodes.size()) {
        return;
    }

    Branch root;
    root.child = static_cast<uint32_t>(level.rootNode);
    root.polygon = {
        {-farAway, -farAway}, {farAway, -farAway}, {farAway, farAway}, {-farAway, farAway}};
    std::vector<CellCorner> cutPolygon;
    for (const HalfPlane& side : levelBoxSides(level.nodes[static_cast<size_t>(level.rootNode)])) {
        cut(root.polygon, side, cutPolygon);
        root.polygon.swap(cutPolygon);
        root.bounds.push_back(side);
    }
    if (root.polygon.empty()) {
        return;  // an empty box: no point lies in any cell
    }

    // Each node is taken once, so a damaged tree cannot make the walk loop.
    std::vector<bool> taken(level.nodes.size(), false);
    std::vector<Branch> pending;
    pending.push_back(std::move(root));
    while (!pending.empty()) {
        Branch branch = std::move(pending.back());
        pending.pop_back();
        std::erase_if(branch.bounds,
                      [&](const HalfPlane& h) { return !touches(h, branch.polygon); });
        if ((branch.child & subsectorFlag) != 0) {
            const size_t index = branch.child & childIndexMask;
            if (index >= cells.size() || cells[index].reached) {
                continue;
            }
            PlaneCell& c = cells[index];
            c.reached = true;
            c.firstBound = static_cast<uint32_t>(allBounds.size());
            c.boundCount = static_cast<uint32_t>(branch.bounds.size());
            allBounds.insert(allBounds.end(), branch.bounds.begin(), branch.bounds.end());
            c.firstCorner = static_cast<uint32_t>(allCorners.size());
            c.cornerCount = static_cast<uint32_t>(branch.polygon.size());
            allCorners.insert(allCorners.end(), branch.polygon.begin(), branch.polygon.end());
            continue;
        }
        if (branch.child >= level.nodes.size() || taken[branch.child]) {
            continue;
        }
        taken[branch.child] = true;
        const Node& node = level.nodes[branch.child];
        for (int side = 0; side < 2; ++side) {
            const HalfPlane h = nodeSide(node, side);
            Branch next;
            next.child = side == 1 ? node.rightChild : node.leftChild;
            cut(branch.polygon, h, next.polygon);
            if (next.polygon.empty()) {
                continue;  // no point reaches this child: its subsectors draw no planes
            }
            next.bounds = branch.bounds;
            next.bounds.push_back(h);
            pending.push_back(std::move(next));
        }
    }
}

}  // namespace brindle
