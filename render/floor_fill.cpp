// The flat floor fill: one subsector's floor, projected seg by seg into screen edges and
// filled row by row between a left and a right edge in one colour.
#include <algorithm>
#include <cstring>
#include <vector>

#include "render/fixed_math.h"
#include "render/projection.h"
#include "render/renderer.h"

namespace brindle {

namespace {

struct FloorEdge {
    int32_t topRow;
    int32_t topX;
    int32_t bottomRow;  // always greater than topRow
    int32_t bottomX;
};

// An edge's column on the current row and its step per row, both 16.16.
struct ActiveEdge {
    int32_t x;
    int32_t step;
};

// Starts an edge at its upper column, whatever row the scan has reached.
ActiveEdge activate(const FloorEdge& e) {
    // The rows differ (edges of one row were left out), so the divisor is positive.
    return {shl32(e.topX, 16), div32(shl32(sub32(e.bottomX, e.topX), 16), e.bottomRow - e.topRow)};
}

// Of two edges, the one with the greater upper column is the right one; on equal columns the
// later of the two is the left one.
void pairEdges(const FloorEdge* first, const FloorEdge* second, const FloorEdge*& left,
               const FloorEdge*& right) {
    if (second->topX > first->topX) {
        left = first;
        right = second;
    } else {
        left = second;
        right = first;
    }
}

}  // namespace

int16_t Renderer::fillFloor(uint32_t firstSeg, uint32_t segCount, int16_t floorHeight) {
    const WadArchive& level = *archive;
    const int32_t floorAboveEye = floorHeight - viewHeight;
    std::vector<FloorEdge> edges;
    edges.reserve(segCount);
    int32_t maxRow = 0;
    for (uint32_t k = 0; k < segCount; ++k) {
        const uint64_t segIndex = uint64_t{firstSeg} + k;
        if (segIndex >= level.segs.size()) {
            continue;
        }
        const Seg& seg = level.segs[segIndex];
        // A miniseg closes the polygon of a GL subsector, not of the floor the walls bound.
        if (seg.linedef == noRecord) {
            continue;
        }
        if (seg.startVertex < 0 || static_cast<size_t>(seg.startVertex) >= viewVertices.size() ||
            seg.endVertex < 0 || static_cast<size_t>(seg.endVertex) >= viewVertices.size()) {
            continue;
        }
        int16_t d1 = viewVertices[seg.startVertex].depth;
        int16_t l1 = viewVertices[seg.startVertex].lateral;
        int16_t d2 = viewVertices[seg.endVertex].depth;
        int16_t l2 = viewVertices[seg.endVertex].lateral;
        if (!clipToNearPlane(d1, l1, d2, l2)) {
            continue;
        }
        const int32_t x1 = projectColumn(l1, d1);
        const int32_t y1 = projectRow(floorAboveEye, d1);
        const int32_t x2 = projectColumn(l2, d2);
        const int32_t y2 = projectRow(floorAboveEye, d2);
        if (x1 == x2 || (x1 < 0 && x2 < 0) || (x1 > frameWidth && x2 > frameWidth) || y1 == y2) {
            continue;
        }
        const FloorEdge edge = y2 < y1 ? FloorEdge{y2, x2, y1, x1} : FloorEdge{y1, x1, y2, x2};
        maxRow = std::max({maxRow, y1, y2});
        edges.push_back(edge);
    }
    // Ordered by upper row; edges that start on the same row keep the order they came in.
    std::stable_sort(edges.begin(), edges.end(),
                     [](const FloorEdge& a, const FloorEdge& b) { return a.topRow < b.topRow; });
    if (edges.size() < 2) {
        return 1;
    }

    const FloorEdge* left = nullptr;
    const FloorEdge* right = nullptr;
    pairEdges(&edges[0], &edges[1], left, right);
    size_t next = 2;  // the first edge not yet taken
    ActiveEdge l = activate(*left);
    ActiveEdge r = activate(*right);
    maxRow = std::min(maxRow, frameHeight);
    // Rows above the frame are not stepped over: the edges start at their upper columns.
    int32_t y = std::max(left->topRow, 0);
    int64_t written = 0;
    for (; y < maxRow; ++y) {
        if (left->bottomRow < y && right->bottomRow >= y) {
            if (next == edges.size()) {
                break;
            }
            left = &edges[next++];
            l = activate(*left);
        } else if (right->bottomRow < y && left->bottomRow >= y) {
            if (next == edges.size()) {
                break;
            }
            right = &edges[next++];
            r = activate(*right);
        } else if (left->bottomRow < y && right->bottomRow < y) {
            if (next + 1 >= edges.size()) {
                break;
            }
            pairEdges(&edges[next], &edges[next + 1], left, right);
            next += 2;
            l = activate(*left);
            r = activate(*right);
        }
        // The columns are read as 16-bit signed numbers; only columns 1 to 639 are written.
        const int32_t from = std::max<int32_t>(wrap16(shr32(l.x, 16)), 1);
        const int32_t to = std::min<int32_t>(wrap16(shr32(r.x, 16)), frameWidth - 1);
        if (from <= to) {
            std::memset(frameBuffer + y * frameWidth + from, floorColor, to - from + 1);
            written += to - from + 1;
        }
        l.x = add32(l.x, l.step);
        r.x = add32(r.x, r.step);
    }
    pixelsWritten += written;
    return 1;
}

}  // namespace brindle
