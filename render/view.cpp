// View placement (every vertex moved into view space), the point-side tests, and the
// back-to-front walk of the BSP tree.
#include <algorithm>
#include <vector>

#include "render/fixed_math.h"
#include "render/game_look/coverage.h"
#include "render/renderer.h"

namespace brindle {

namespace {

// 1 when (x, y) lies strictly right of the line through (px, py) with direction (dx, dy);
// a point on the line counts as left.
int32_t rightOfLine(int32_t x, int32_t y, int32_t px, int32_t py, int32_t dx, int32_t dy) {
    if (dy == 0) {
        return dx > 0 ? (y < py) : (y > py);
    }
    if (dx == 0) {
        return dy > 0 ? (x > px) : (x < px);
    }
    return mul32(y - py, dx) < mul32(x - px, dy) ? 1 : 0;
}

template <typename T>
bool validIndex(int32_t index, const std::vector<T>& records) {
    return index >= 0 && static_cast<size_t>(index) < records.size();
}

}  // namespace

int16_t Renderer::setView(int16_t x, int16_t y, int16_t angle) {
    const int32_t cosA = cosine(-int32_t{angle});
    const int32_t sinA = sine(-int32_t{angle});
    const size_t count = std::min({static_cast<size_t>(std::max(archive->vertexCount, 0)),
                                   archive->vertices.size(), viewVertices.size()});
    const Vertex* vertices = archive->vertices.data();
    for (size_t i = 0; i < count; ++i) {
        const int32_t dx = wrap16(vertices[i].x - x);
        const int32_t dy = wrap16(vertices[i].y - y);
        viewVertices[i].depth = wrap16(shr32(sub32(mul32(dx, cosA), mul32(dy, sinA)), 16));
        viewVertices[i].lateral = wrap16(shr32(add32(mul32(dy, cosA), mul32(dx, sinA)), 16));
    }
    viewX = x;
    viewY = y;
    const int32_t sector = sectorAt(x, y);
    const int32_t floor =
        validIndex(sector, archive->sectors) ? archive->sectors[sector].floorHeight : 0;
    viewHeight = wrap16(floor + eyeHeight);
    viewAngle = angle;
    return viewHeight;
}

// The sector of the subsector that contains the point, told by the first seg's linedef. -1 only
// when the level's records name nothing there (the archive refuses such levels); setView then
// takes the floor as 0.
int32_t Renderer::sectorAt(int16_t x, int16_t y) const {
    const WadArchive& level = *archive;
    // Without nodes the level is its first subsector.
    uint32_t child = subsectorFlag;
    if (level.rootNode >= 0) {
        child = static_cast<uint32_t>(level.rootNode);
        // A tree visits each node at most once on the way down; the bound keeps a damaged
        // tree from looping.
        for (size_t steps = 0; (child & subsectorFlag) == 0; ++steps) {
            if (!validIndex(child, level.nodes) || steps > level.nodes.size()) {
                return -1;
            }
            const Node& node = level.nodes[child];
            child = pointOnNodeSide(x, y, static_cast<int32_t>(child)) == 1 ? node.rightChild
                                                                            : node.leftChild;
        }
    }
    const int32_t firstSeg = level.firstLinedefSeg(static_cast<int32_t>(child & childIndexMask));
    if (!validIndex(firstSeg, level.segs)) {
        return -1;
    }
    const int32_t linedefIndex = level.segs[firstSeg].linedef;
    if (!validIndex(linedefIndex, level.linedefs)) {
        return -1;
    }
    const Linedef& line = level.linedefs[linedefIndex];
    const bool onRight = pointOnLineSide(x, y, linedefIndex) == 1;
    int32_t side = onRight ? line.rightSidedef : line.leftSidedef;
    // Standing behind a one-sided line (the viewer walks through walls) or on it: the side that
    // exists tells the sector.
    if (!validIndex(side, level.sidedefs)) {
        side = onRight ? line.leftSidedef : line.rightSidedef;
    }
    if (!validIndex(side, level.sidedefs)) {
        return -1;
    }
    return level.sidedefs[side].sector;
}

int32_t Renderer::pointOnNodeSide(int16_t x, int16_t y, int32_t node) const {
    if (!validIndex(node, archive->nodes)) {
        return 0;
    }
    const Node& n = archive->nodes[node];
    return rightOfLine(x, y, n.x, n.y, n.dx, n.dy);
}

int32_t Renderer::pointOnLineSide(int16_t x, int16_t y, int32_t linedef) const {
    const WadArchive& level = *archive;
    if (!validIndex(linedef, level.linedefs)) {
        return 0;
    }
    const Linedef& line = level.linedefs[linedef];
    if (!validIndex(line.startVertex, level.vertices) ||
        !validIndex(line.endVertex, level.vertices)) {
        return 0;
    }
    const Vertex& start = level.vertices[line.startVertex];
    const Vertex& end = level.vertices[line.endVertex];
    return rightOfLine(x, y, start.x, start.y, wrap16(end.x - start.x), wrap16(end.y - start.y));
}

int32_t Renderer::boxVisible(int16_t, int16_t, int16_t, int16_t) const {
    return 1;
}

void Renderer::renderFrame() {
    if (look == Look::game) {
        renderGameFrame();
        return;
    }
    pixelsWritten = 0;
    clearFrame(0);
    if (archive->rootNode < 0) {
        // A level without nodes: its only subsector is subsector 0.
        renderNode(subsectorFlag);
        return;
    }
    wallBoxes.fit(*archive, nullptr);
    if (!drawFloors && archive->segs.size() >= nearestFirstSegs) {
        renderPlainNearestFirst();
        return;
    }
    cullBoxes = &wallBoxes;
    renderNode(static_cast<uint32_t>(archive->rootNode));
    cullBoxes = nullptr;
}

// No wall drawer reads the frame, so the wall drawn last over a pixel back to front is the
// first to reach it front to back: drawn nearest first into a coverage mask, each pixel is
// stored once, and what nearer walls hide is passed over. The floors, filled before each
// subsector's walls, need the painter's order. Testing the mask costs more per pixel than
// storing it, so only big maps, where most of what lies in view is hidden, are drawn so.
void Renderer::renderPlainNearestFirst() {
    if (!plainCoverage) {
        plainCoverage = std::make_unique<CoverageMask>();
    }
    RowBand band;
    band.coverage = plainCoverage.get();
    plainCoverage->clearRows(band.first, band.last);
    visitFrontToBack(static_cast<uint32_t>(archive->rootNode), wallBoxes, band,
                     [&](int32_t subsector) { drawSegs(subsector, Look::plain, band); });
    pixelsWritten = band.pixelsWritten;
}

int16_t Renderer::renderNode(uint32_t child) {
    if ((child & subsectorFlag) != 0) {
        return renderSubsector(static_cast<int32_t>(child & childIndexMask));
    }
    visitBackToFront(child, [this](int32_t subsector) { renderSubsector(subsector); });
    return 1;
}

void Renderer::visitBackToFront(uint32_t child, const std::function<void(int32_t)>& visit) {
    // Depth-first with an explicit stack instead of recursion, so that a deep tree cannot
    // exhaust the call stack. Pushing the near child before the far one pops the far subtree
    // first and finishes it before the near one starts: the same order as recursing.
    const std::vector<Node>& nodes = archive->nodes;
    std::vector<uint32_t> pending;
    pending.reserve(64);
    pending.push_back(child);
    size_t expanded = 0;
    while (!pending.empty()) {
        const uint32_t next = pending.back();
        pending.pop_back();
        if (cullBoxes != nullptr && boxOutOfView(*this, cullBoxes->childBox(next))) {
            continue;
        }
        if ((next & subsectorFlag) != 0) {
            visit(static_cast<int32_t>(next & childIndexMask));
            continue;
        }
        // Each node of a tree is expanded once; more means a damaged tree.
        if (!validIndex(static_cast<int32_t>(next), nodes) || ++expanded > nodes.size()) {
            continue;
        }
        const Node& node = nodes[next];
        // The viewer left of the partition line (or on it) sees the right child as the far one.
        const bool viewerRight = pointOnNodeSide(viewX, viewY, static_cast<int32_t>(next)) == 1;
        const uint32_t farChild = viewerRight ? node.leftChild : node.rightChild;
        const uint32_t nearChild = viewerRight ? node.rightChild : node.leftChild;
        const int16_t* box = node.leftBox;
        if (boxVisible(box[0], box[1], box[2], box[3]) == 1) {
            pending.push_back(nearChild);
        }
        if (boxVisible(box[0], box[1], box[2], box[3]) == 1) {
            pending.push_back(farChild);
        }
    }
}

void Renderer::visitFrontToBack(uint32_t child, const SubtreeBoxes& boxes, const RowBand& band,
                                const std::function<void(int32_t)>& visit) {
    // The reverse of visitBackToFront's order: the near subtree first, then the far one.
    const std::vector<Node>& nodes = archive->nodes;
    std::vector<uint32_t> pending;
    pending.reserve(64);
    pending.push_back(child);
    size_t expanded = 0;
    while (!pending.empty()) {
        if (band.coverage != nullptr && band.coverage->full()) {
            return;
        }
        const uint32_t next = pending.back();
        pending.pop_back();
        const MapBox& box = boxes.childBox(next);
        if (boxOutOfView(*this, box) ||
            (band.coverage != nullptr && boxHidden(*this, box, *band.coverage, band))) {
            continue;
        }
        if ((next & subsectorFlag) != 0) {
            visit(static_cast<int32_t>(next & childIndexMask));
            continue;
        }
        if (!validIndex(static_cast<int32_t>(next), nodes) || ++expanded > nodes.size()) {
            continue;
        }
        const Node& node = nodes[next];
        const bool viewerRight = pointOnNodeSide(viewX, viewY, static_cast<int32_t>(next)) == 1;
        pending.push_back(viewerRight ? node.leftChild : node.rightChild);
        pending.push_back(viewerRight ? node.rightChild : node.leftChild);
    }
}

}  // namespace brindle
