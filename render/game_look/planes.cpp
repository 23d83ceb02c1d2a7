// Drawing a subsector's plane row by row. Along one row the depth is fixed and the points step
// evenly across the map, so each bound of the cell (a line) is crossed near one column. Its
// exact side at a point needs the point's rounded coordinates, but the rounding moves the
// bound's value by less than a known amount: wherever the unrounded value lies farther from
// zero than that, the side is certain. Where that begins is found exactly, by two integer
// divisions per limit, and only the few columns between the certain inside and the certain
// outside are tested point by point.
#include "render/game_look/planes.h"
#include "render/fixed_math.h"
#include "render/game_look/surface_owners.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/game_look/coverage.h"
#include "render/game_look/flat_spans.h"
#include "render/game_look/lighting.h"
#include "render/game_look/sky.h"

namespace brindle {

namespace {

constexpr int32_t firstColumn = 1;
constexpr int32_t lastColumn = frameWidth - 1;
constexpr int64_t roundingSpan = 65535;  // the most a coordinate's rounding takes off, x 65536
// Lt / D stays below 319 / 554 on screen; the polygon's margins make up the rest.
constexpr double screenSlope = 0.5759;

int64_t positivePart(int64_t v) {
    return v > 0 ? v : 0;
}

}  // namespace

void PlaneDrawer::beginFrame(const Renderer& r) {
    view.x = r.viewX;
    view.y = r.viewY;
    view.cos = r.cosine(r.viewAngle);
    view.sin = r.sine(r.viewAngle);
    view.eye = r.viewHeight;
}

// The frame rows on which a point of the cell can show, from the depths of the polygon's
// corners: a point of a row of depth D lies within 1.5 of D along the view, and within 1.5 of
// its lateral offset across it. False when the cell lies wholly behind, beside or beyond the
// plane's rows.
bool PlaneDrawer::rowRange(const PlaneCells& cells, const PlaneCell& cell, PlaneKind kind,
                           int64_t rise, int32_t& firstRow, int32_t& lastRow) const {
    const int32_t rowsBelowHorizon = kind == PlaneKind::floor ? frameHeight - 1 - 240 : 240;
    int64_t fewestRows = 1;
    int64_t mostRows = rowsBelowHorizon;
    if (!cell.everywhere) {
        const std::span<const CellCorner> corners = cells.corners(cell);
        if (corners.empty()) {
            return false;
        }
        const double c = static_cast<double>(view.cos);
        const double s = static_cast<double>(view.sin);
        const double scale = 65536.0 / (c * c + s * s);
        double nearest = INFINITY;
        double farthest = -INFINITY;
        double leftOfRightEdge = -INFINITY;  // the most a corner reaches right of the view's
        double rightOfLeftEdge = INFINITY;   // right edge, and left of its left edge
        for (const CellCorner& p : corners) {
            const double dx = p.x - static_cast<double>(view.x);
            const double dy = p.y - static_cast<double>(view.y);
            const double depth = (dx * c + dy * s) * scale;
            const double lateral = (dy * c - dx * s) * scale;
            nearest = std::min(nearest, depth);
            farthest = std::max(farthest, depth);
            leftOfRightEdge = std::max(leftOfRightEdge, lateral + screenSlope * depth);
            rightOfLeftEdge = std::min(rightOfLeftEdge, lateral - screenSlope * depth);
        }
        if (leftOfRightEdge < -4 || rightOfLeftEdge > 4 || farthest < 0) {
            return false;
        }
        // Row depths are rise * 554 / rows, truncated; those in [lowest, highest] may show.
        const int64_t riseTerm = rise * 554;
        const int64_t highest = static_cast<int64_t>(std::floor(std::min(farthest + 2, 1e12)));
        const int64_t lowest = static_cast<int64_t>(std::ceil(std::max(nearest - 2, 0.0)));
        fewestRows = std::max<int64_t>(fewestRows, riseTerm / (highest + 1) + 1);
        if (lowest >= 1) {
            mostRows = std::min(mostRows, riseTerm / lowest);
        }
        if (fewestRows > mostRows) {
            return false;
        }
    }
    if (kind == PlaneKind::floor) {
        firstRow = static_cast<int32_t>(240 + fewestRows);
        lastRow = static_cast<int32_t>(240 + mostRows);
    } else {
        firstRow = static_cast<int32_t>(240 - mostRows);
        lastRow = static_cast<int32_t>(240 - fewestRows);
    }
    return true;
}

void PlaneDrawer::addSpan(size_t rowStart, int32_t first, int32_t last) {
    if (spans.size() > rowStart && spans.back().last + 1 >= first) {
        spans.back().last = std::max(spans.back().last, last);
    } else {
        spans.push_back({first, last});
    }
}

// The first column at which sign * T, which falls along the row, is at most `limit`, given
// that it is above it at column 1 and not above it at column 639. sign * T = signedBase +
// Lt * slope, so the offsets that meet the limit are those up to F = floor((limit -
// signedBase) / slope), and the columns whose offset is at most F are those with
// (320 - x) * step < (F + 1) * 65536, from x = 321 - ceil((F + 1) * 65536 / step) on. F lies
// between the offsets of columns 639 and 1, so the product stays small.
int32_t PlaneDrawer::firstColumnAtOrBelow(const PlaneRow& row, const RowBound& b,
                                          int64_t signedBase, int64_t limit) const {
    const int64_t lastOffset = floorDiv64(limit - signedBase, b.slope);
    return static_cast<int32_t>(321 - ceilDiv64((lastOffset + 1) * 65536, row.step));
}

// The columns that are neither certainly inside nor certainly outside: each point is tested
// against the bounds that cross the row (the others hold along all of it). Neighbouring
// columns often share a point.
void PlaneDrawer::testColumns(const PlaneRow& row, int32_t from, int32_t to, size_t rowStart) {
    int64_t lastLateral = row.lateralAt(from) + 1;  // no column has it
    bool inside = false;
    int32_t runStart = 0;
    for (int32_t x = from; x <= to; ++x) {
        const int64_t lateral = row.lateralAt(x);
        if (lateral == lastLateral) {
            continue;
        }
        lastLateral = lateral;
        const int64_t wx = row.mapX(view, lateral);
        const int64_t wy = row.mapY(view, lateral);
        bool holds = true;
        for (const RowBound* b : crossing) {
            holds = holds && b->plane.holds(wx, wy);
        }
        if (holds != inside) {
            if (inside) {
                addSpan(rowStart, runStart, x - 1);
            }
            inside = holds;
            runStart = x;
        }
    }
    if (inside) {
        addSpan(rowStart, runStart, to);
    }
}

// Appends the spans of the row whose own points lie in the cell, left to right.
void PlaneDrawer::findSpans(const PlaneRow& row) {
    const size_t rowStart = spans.size();
    const int64_t lateralLeft = row.lateralAt(firstColumn);
    const int64_t lateralRight = row.lateralAt(lastColumn);
    // Columns outside [maybeFirst, maybeLast] lie outside for certain, columns inside
    // [surelyFirst, surelyLast] inside.
    int32_t maybeFirst = firstColumn;
    int32_t maybeLast = lastColumn;
    int32_t surelyFirst = firstColumn;
    int32_t surelyLast = lastColumn;
    crossing.clear();
    for (const RowBound& b : bounds) {
        const int64_t base = b.r0 + row.depth * b.r1;
        const int64_t atLeft = base + lateralLeft * b.r2;
        const int64_t atRight = base + lateralRight * b.r2;
        if (std::max(atLeft, atRight) <= b.inLimit) {
            continue;  // the whole row lies inside
        }
        if (std::min(atLeft, atRight) >= b.outLimit) {
            return;  // the whole row lies outside
        }
        crossing.push_back(&b);
        if (b.r2 == 0) {
            surelyLast = 0;  // the row runs along the line: every column is tested
            continue;
        }
        const int64_t signedBase = b.sign * base;
        const int64_t signedLeft = b.sign * atLeft;
        const int64_t signedRight = b.sign * atRight;
        const auto first = [&](int64_t limit) {
            if (signedLeft <= limit) {
                return firstColumn;
            }
            if (signedRight > limit) {
                return lastColumn + 1;
            }
            return firstColumnAtOrBelow(row, b, signedBase, limit);
        };
        const int32_t surely = first(b.surelyLimit);
        const int32_t maybe = first(b.maybeLimit);
        if (b.sign > 0) {
            surelyFirst = std::max(surelyFirst, surely);
            maybeFirst = std::max(maybeFirst, maybe);
        } else {
            surelyLast = std::min(surelyLast, surely - 1);
            maybeLast = std::min(maybeLast, maybe - 1);
        }
    }
    if (maybeFirst > maybeLast) {
        return;
    }
    surelyFirst = std::max(surelyFirst, maybeFirst);
    surelyLast = std::min(surelyLast, maybeLast);
    if (surelyFirst > surelyLast) {
        testColumns(row, maybeFirst, maybeLast, rowStart);
        return;
    }
    testColumns(row, maybeFirst, surelyFirst - 1, rowStart);
    addSpan(rowStart, surelyFirst, surelyLast);
    testColumns(row, surelyLast + 1, maybeLast, rowStart);
}

// Draws the row's spans, only where the coverage mask (if any) has nothing yet; returns the
// pixels stored.
int64_t PlaneDrawer::drawRow(Renderer& r, CoverageMask* coverage, int32_t y, const PlaneRow& row,
                             const Span* rowSpans, size_t count, const PlaneSurface& surface,
                             const PlaneMarker* marker) const {
    uint8_t* out = r.frameBuffer + static_cast<ptrdiff_t>(y) * frameWidth;
    const uint8_t* sky = surface.sky != nullptr ? surface.sky->row(y) : nullptr;
    const uint8_t* colorMap = sky != nullptr
                                  ? nullptr
                                  : r.archive
                                        ->colorMaps[static_cast<size_t>(
                                            litMap(surface.startMap, planeDepthShade(row.depth)))]
                                        .data();
    const uint8_t* flat = surface.flat;
    const auto drawSpan = [&](int32_t first, int32_t last) {
        if (sky != nullptr) {
            std::memcpy(out + first, sky + first, static_cast<size_t>(last - first + 1));
        } else {
            drawFlatSpan(out, row, view, first, last, flat, colorMap);
        }
    };
    int64_t written = 0;
    for (size_t i = 0; i < count; ++i) {
        const Span& span = rowSpans[i];
        if (coverage != nullptr) {
            coverage->coverRow(y, span.first, span.last, [&](int32_t first, int32_t last) {
                drawSpan(first, last);
                if (marker != nullptr) {
                    marker->mark(y, first, last);
                }
                written += last - first + 1;
            });
        } else {
            drawSpan(span.first, span.last);
            written += span.last - span.first + 1;
        }
    }
    return written;
}

void PlaneDrawer::draw(Renderer& r, const PlaneCells& cells, const PlaneCell& cell, PlaneKind kind,
                       int16_t height, const PlaneSurface& surface, RowBand& band) {
    const int64_t rise = kind == PlaneKind::floor ? view.eye - height : height - view.eye;
    if (rise <= 0 || !cell.reached) {
        return;
    }
    int32_t firstRow = 0;
    int32_t lastRow = 0;
    if (!rowRange(cells, cell, kind, rise, firstRow, lastRow)) {
        return;
    }
    // A pixel also belongs to the cell when the pixel above or below it on the plane does:
    // that closes the one-row seams the walls' rounded edges leave. So the rows drawn reach
    // one beyond the rows whose points may lie in the cell, and each needs the spans of its
    // neighbours. Of those, only the band's rows are drawn, and of them only the rows where
    // something is still uncovered.
    const int32_t planeFirst = kind == PlaneKind::floor ? firstFloorRow : 0;
    const int32_t planeLast = kind == PlaneKind::floor ? frameHeight - 1 : lastCeilingRow;
    int32_t drawFirst = std::max({firstRow - 1, planeFirst, band.first});
    int32_t drawLast = std::min({lastRow + 1, planeLast, band.last});
    CoverageMask* coverage = band.coverage;
    if (coverage != nullptr) {
        while (drawFirst <= drawLast && coverage->rowFull(drawFirst)) {
            ++drawFirst;
        }
        while (drawFirst <= drawLast && coverage->rowFull(drawLast)) {
            --drawLast;
        }
    }
    if (drawFirst > drawLast) {
        return;
    }
    firstRow = std::max(firstRow, drawFirst - 1);
    lastRow = std::min(lastRow, drawLast + 1);
    if (firstRow > lastRow) {
        return;
    }
    open.assign(static_cast<size_t>(drawLast - drawFirst + 1), 1);
    if (coverage != nullptr) {
        for (int32_t y = drawFirst + 1; y < drawLast; ++y) {
            open[static_cast<size_t>(y - drawFirst)] = coverage->rowFull(y) ? 0 : 1;
        }
    }
    const auto isOpen = [&](int32_t y) {
        return y >= drawFirst && y <= drawLast && open[static_cast<size_t>(y - drawFirst)] != 0;
    };

    bounds.clear();
    for (const HalfPlane& h : cells.bounds(cell)) {
        RowBound b;
        b.plane = h;
        b.r0 = 65536 * (h.a * view.x + h.b * view.y + h.e);
        b.r1 = h.a * view.cos + h.b * view.sin;
        b.r2 = h.b * view.cos - h.a * view.sin;
        b.inLimit = -roundingSpan * (positivePart(-h.a) + positivePart(-h.b)) - 1;
        b.outLimit = roundingSpan * (positivePart(h.a) + positivePart(h.b));
        // With sign -1: T > inLimit is -T <= -inLimit - 1, and T >= outLimit is -T <= -outLimit.
        b.sign = b.r2 < 0 ? -1 : 1;
        b.slope = b.sign * b.r2;
        b.surelyLimit = b.sign > 0 ? b.inLimit : -b.inLimit - 1;
        b.maybeLimit = b.sign > 0 ? b.outLimit - 1 : -b.outLimit;
        bounds.push_back(b);
    }

    // The rows drawn and the rows whose spans are found.
    const int32_t rowsFirst = std::min(drawFirst, firstRow);
    const int32_t rowsLast = std::max(drawLast, lastRow);
    rows.resize(static_cast<size_t>(rowsLast - rowsFirst + 1));
    for (int32_t y = rowsFirst; y <= rowsLast; ++y) {
        rows[static_cast<size_t>(y - rowsFirst)] =
            PlaneRow(view, rise, kind == PlaneKind::floor ? y - 240 : 240 - y);
    }
    // With things to draw over the frame, the pixels stored in the rows they reach are marked
    // as this plane's.
    const bool marking = band.owners != nullptr && coverage != nullptr;
    PlaneMarker marker{nullptr, SurfaceOwners::sky, PlaneOwnerMap::sky};
    if (marking) {
        marker.planes = band.owners->planes;
        if (surface.sky == nullptr) {
            SurfaceOwner plane;
            plane.kind =
                kind == PlaneKind::floor ? SurfaceOwner::Kind::floor : SurfaceOwner::Kind::ceiling;
            plane.height = height;
            marker.id = band.owners->add(plane);
        }
        marker.heights = band.owners->heightsOf(marker.id);
    }
    const auto rowMarker = [&](int32_t y) -> const PlaneMarker* {
        return marking && marker.planes->reaches(y) ? &marker : nullptr;
    };
    const int64_t storedBefore = band.pixelsWritten;
    const auto rowAt = [&](int32_t y) -> const PlaneRow& {
        return rows[static_cast<size_t>(y - rowsFirst)];
    };
    spans.clear();
    rowSpans.clear();
    for (int32_t y = firstRow; y <= lastRow; ++y) {
        rowSpans.push_back(static_cast<uint32_t>(spans.size()));
        if (isOpen(y - 1) || isOpen(y) || isOpen(y + 1)) {
            findSpans(rowAt(y));
        }
    }
    rowSpans.push_back(static_cast<uint32_t>(spans.size()));

    for (int32_t y = drawFirst; y <= drawLast; ++y) {
        if (!isOpen(y)) {
            continue;
        }
        const int32_t from = std::max(y - 1, firstRow);
        const int32_t to = std::min(y + 1, lastRow);
        const Span* first = spans.data() + rowSpans[static_cast<size_t>(from - firstRow)];
        const Span* end = spans.data() + rowSpans[static_cast<size_t>(to - firstRow) + 1];
        if (first == end) {
            continue;
        }
        // Nearly always the rows have one span each, and they overlap.
        if (end - first <= 3) {
            int32_t lowest = first->first;
            int32_t highest = first->last;
            bool overlapping = true;
            for (const Span* span = first + 1; span != end; ++span) {
                overlapping = overlapping && span->first <= highest + 1 && span->last + 1 >= lowest;
                lowest = std::min(lowest, span->first);
                highest = std::max(highest, span->last);
            }
            if (overlapping) {
                const Span whole{lowest, highest};
                band.pixelsWritten +=
                    drawRow(r, coverage, y, rowAt(y), &whole, 1, surface, rowMarker(y));
                continue;
            }
        }
        merged.assign(first, end);
        std::sort(merged.begin(), merged.end(),
                  [](const Span& a, const Span& b) { return a.first < b.first; });
        size_t kept = 0;
        for (size_t i = 1; i < merged.size(); ++i) {
            if (merged[i].first <= merged[kept].last + 1) {
                merged[kept].last = std::max(merged[kept].last, merged[i].last);
            } else {
                merged[++kept] = merged[i];
            }
        }
        band.pixelsWritten +=
            drawRow(r, coverage, y, rowAt(y), merged.data(), kept + 1, surface, rowMarker(y));
    }
    if (marker.id != SurfaceOwners::sky && band.pixelsWritten == storedBefore) {
        band.owners->drop(marker.id);
    }
}

}  // namespace brindle
