// The placed things drawn over the finished game-look frame, farthest first, column by column.
// Each pixel's picture column and row come from stepping the placement's exact quotients along
// the columns and rows rather than dividing again for each.
#include <algorithm>
#include <cstring>

#include "render/fixed_math.h"
#include "render/game_look/things.h"
#include "render/pixel_loop.h"
#include "render/projection.h"

namespace brindle {

namespace {

constexpr int32_t shadowMap = 6;

// floorDiv(start + k * d, 554) for k = 0, 1, 2, ... without a division per step.
class QuotientSteps {
  public:
    QuotientSteps(int64_t start, int64_t d)
        : quotient(floorDiv64(start, projectionFactor)),
          rest(start - quotient * projectionFactor),
          wholeStep(d / projectionFactor),
          restStep(d % projectionFactor) {}
    int64_t value() const { return quotient; }
    void next() {
        quotient += wholeStep;
        rest += restStep;
        if (rest >= projectionFactor) {
            rest -= projectionFactor;
            ++quotient;
        }
    }

  private:
    int64_t quotient;
    int64_t rest;
    int64_t wholeStep;
    int64_t restStep;
};

}  // namespace

// The record of surface `id` (null: one past the numbers kept, which hides what lies behind
// it). Neighbouring pixels mostly share their surface: the last one is remembered.
SurfaceOwner* ThingDrawer::ownerOf(const FrameOwners& owners, uint16_t id) {
    if (id != lastId) {
        lastId = id;
        lastOwner = nullptr;
        const uint16_t number = id & SurfaceOwners::unrecorded;
        SurfaceOwners* surfaces = owners.bands[(id & SurfaceOwners::secondBand) != 0 ? 1 : 0];
        if (number != 0 && number != SurfaceOwners::unrecorded && surfaces != nullptr &&
            number <= surfaces->owners.size()) {
            lastOwner = &surfaces->owners[number - 1u];
        }
    }
    return lastOwner;
}

// Whether any floor or ceiling that stored a pixel where the thing reaches may hide it: the
// highest floor and the lowest ceiling of each row's stretch of 64 columns are asked.
bool ThingDrawer::planesMayHideThing(const Renderer& r, const FrameOwners& owners,
                                     const PlacedThing& thing) {
    for (int32_t y = thing.firstRow; y <= thing.lastRow; ++y) {
        for (int32_t w = thing.firstColumn >> 6; w <= thing.lastColumn >> 6; ++w) {
            const PlaneOwnerMap::Heights extremes = owners.planes->extremes(y, w);
            if (extremes.floor == PlaneOwnerMap::hidesAll.floor ||
                extremes.ceiling == PlaneOwnerMap::hidesAll.ceiling) {
                return true;
            }
            SurfaceOwner floor;
            floor.kind = SurfaceOwner::Kind::floor;
            floor.height = extremes.floor;
            SurfaceOwner ceiling;
            ceiling.kind = SurfaceOwner::Kind::ceiling;
            ceiling.height = extremes.ceiling;
            if ((extremes.floor != PlaneOwnerMap::noFloor &&
                 surfaceHidesThing(r, floor, thing, 0, y)) ||
                (extremes.ceiling != PlaneOwnerMap::noCeiling &&
                 surfaceHidesThing(r, ceiling, thing, 0, y))) {
                return true;
            }
        }
    }
    return false;
}

// Whether a wall listed in column x over any of the thing's rows may hide it: one as near as the
// thing or nearer, or one past the numbers kept.
bool ThingDrawer::wallsMayHide(const FrameOwners& owners, const PlacedThing& thing, int32_t x) {
    for (const SurfaceOwners* band : owners.bands) {
        if (band == nullptr) {
            continue;
        }
        for (const WallRun& run : band->runsOf(x)) {
            if (run.end > thing.firstRow && run.first <= thing.lastRow &&
                (run.scale >= thing.scale || ownerOf(owners, run.id) == nullptr)) {
                return true;
            }
        }
    }
    return false;
}

// Whether a plane (or the sky) stored any of rows first to last of column x.
bool ThingDrawer::planesHoldAny(const FrameOwners& owners, int32_t x, int32_t first, int32_t last) {
    for (int32_t y = first; y <= last; ++y) {
        if (owners.planes->holds(x, y)) {
            return true;
        }
    }
    return false;
}

// Which wall stored each row of the thing in column x, where no plane did: the first run
// listed for the column that holds the row (sky: none).
void ThingDrawer::findColumnWalls(const FrameOwners& owners, const PlacedThing& thing, int32_t x) {
    const int32_t rows = thing.lastRow - thing.firstRow + 1;
    columnWalls.assign(static_cast<size_t>(rows), SurfaceOwners::sky);
    columnWall = SurfaceOwners::sky;
    columnWallHides = false;
    int32_t open = rows;
    for (const SurfaceOwners* band : owners.bands) {
        if (band == nullptr) {
            continue;
        }
        for (const WallRun& run : band->runsOf(x)) {
            const int32_t from = std::max<int32_t>(run.first, thing.firstRow);
            const int32_t to = std::min<int32_t>(run.end, thing.lastRow + 1);
            for (int32_t y = from; y < to; ++y) {
                uint16_t& wall = columnWalls[static_cast<size_t>(y - thing.firstRow)];
                if (wall == SurfaceOwners::sky) {
                    wall = run.id;
                    --open;
                }
            }
            if (open == 0) {
                return;
            }
        }
    }
}

// Whether column x of the thing is hidden whole, shown whole, or neither, by the first wall run
// listed there that holds any of its rows. When that run holds them all, no run listed before it
// holds any of them, so its wall stored each of them that no plane stored: when its piece stored
// every row of the run, or when no plane stored any of the thing's rows there, that wall stored
// every pixel of the thing's column.
ThingDrawer::ColumnCase ThingDrawer::columnCase(const Renderer& r, const FrameOwners& owners,
                                                const PlacedThing& thing, int32_t x) {
    const int band = thing.firstRow <= owners.firstBandLast ? 0 : 1;
    if (owners.bands[band] == nullptr || (band == 0 && thing.lastRow > owners.firstBandLast)) {
        return ColumnCase::mixed;
    }
    for (const WallRun& run : owners.bands[band]->runsOf(x)) {
        if (run.end <= thing.firstRow || run.first > thing.lastRow) {
            continue;
        }
        if (run.first > thing.firstRow || run.end <= thing.lastRow ||
            (!run.whole && planesHoldAny(owners, x, thing.firstRow, thing.lastRow))) {
            return ColumnCase::mixed;
        }
        SurfaceOwner* owner = ownerOf(owners, run.id);
        return owner == nullptr || surfaceHidesThing(r, *owner, thing, x, thing.firstRow)
                   ? ColumnCase::hidden
                   : ColumnCase::shown;
    }
    return ColumnCase::mixed;
}

// Whether the surface that stored frame pixel (x, y) of column x stands in front of the thing
// there. Down a column, a wall's answer is the same.
BRINDLE_PIXEL_LOOP bool ThingDrawer::hidden(const Renderer& r, const FrameOwners& owners,
                                            const PlacedThing& thing, int32_t x, int32_t y) {
    const int band = y <= owners.firstBandLast ? 0 : 1;
    const CoverageMask* coverage = owners.coverage[band];
    if (coverage == nullptr || (!owners.bandFull[band] && !coverage->covered(x, y))) {
        return false;  // nothing was drawn there
    }
    if (owners.planes->holds(x, y)) {
        if (!planesMayHide) {
            return false;
        }
        const uint16_t id = owners.planes->at(x, y);
        if (id == SurfaceOwners::sky) {
            return false;
        }
        // A floor hides the thing in the rows from some row down, a ceiling in the rows up to
        // some row; each plane's rows are found once for the thing.
        PlaneRows& rows = planeRows[id % planeRows.size()];
        if (rows.id != id) {
            rows = planeRowsOf(r, owners, thing, id);
        }
        return y >= rows.first && y <= rows.last;
    }
    if (!columnWallsFound) {
        columnWallsFound = true;
        findColumnWalls(owners, thing, x);
    }
    const uint16_t wall = columnWalls[static_cast<size_t>(y - thing.firstRow)];
    if (wall != columnWall) {
        columnWall = wall;
        SurfaceOwner* owner = ownerOf(owners, wall);
        columnWallHides = wall != SurfaceOwners::sky &&
                          (owner == nullptr || surfaceHidesThing(r, *owner, thing, x, y));
    }
    return columnWallHides;
}

// The rows in which plane `id` hides the thing: a floor above the thing's floor in the rows
// whose depth D is at most the thing's, a ceiling below its ceiling likewise (none: first >
// last). Both hold for a band of rows that reaches the frame's edge: D shrinks away from the
// horizon.
ThingDrawer::PlaneRows ThingDrawer::planeRowsOf(const Renderer& r, const FrameOwners& owners,
                                                const PlacedThing& thing, uint16_t id) {
    PlaneRows rows{id, frameHeight, -1};
    SurfaceOwner* owner = ownerOf(owners, id);
    if (owner == nullptr) {
        rows.first = 0;  // past the numbers kept: hides everything behind it
        rows.last = frameHeight - 1;
        return rows;
    }
    // The first (for a floor) or last (for a ceiling) row it hides, by asking the rule itself
    // at the rows where its answer can change: it changes once, so a binary search finds it.
    const bool floor = owner->kind == SurfaceOwner::Kind::floor;
    int32_t low = floor ? horizonRow : 0;
    int32_t high = floor ? frameHeight - 1 : horizonRow;
    const auto hides = [&](int32_t y) { return surfaceHidesThing(r, *owner, thing, 0, y); };
    if (floor) {
        if (!hides(high)) {
            return rows;
        }
        while (low < high) {  // the first row that hides
            const int32_t mid = low + (high - low) / 2;
            if (hides(mid)) {
                high = mid;
            } else {
                low = mid + 1;
            }
        }
        rows.first = low;
        rows.last = frameHeight - 1;
    } else {
        if (!hides(low)) {
            return rows;
        }
        while (low < high) {  // the last row that hides
            const int32_t mid = low + (high - low + 1) / 2;
            if (hides(mid)) {
                low = mid;
            } else {
                high = mid - 1;
            }
        }
        rows.first = 0;
        rows.last = low;
    }
    return rows;
}

// The picture row shown at each frame row the thing reaches, and for each picture row from the
// first of those to one past the last, the first of those frame rows that shows it or a later
// one: a run's frame rows are then found without a search.
void ThingDrawer::findTexelRows(const Renderer& r, const PlacedThing& thing) {
    const int64_t d = thing.depth;
    const int64_t down =
        int64_t{thing.top - r.viewHeight} * projectionFactor - int64_t{horizonRow} * d;
    QuotientSteps t(down + thing.firstRow * d, d);
    texelRows.clear();
    for (int32_t y = thing.firstRow; y <= thing.lastRow; ++y, t.next()) {
        texelRows.push_back(static_cast<int32_t>(t.value()));
    }
    rowOfTexel.clear();
    for (size_t k = 0; k < texelRows.size(); ++k) {
        // Picture rows up to this frame row's, and not already reached by an earlier one.
        const int32_t reached = texelRows.front() + static_cast<int32_t>(rowOfTexel.size());
        rowOfTexel.insert(rowOfTexel.end(), static_cast<size_t>(texelRows[k] - reached + 1),
                          static_cast<int32_t>(k));
    }
    rowOfTexel.push_back(static_cast<int32_t>(texelRows.size()));
}

// Draws picture column `column` at frame column x, run after run as the picture stores them,
// so that where two runs cover a row the later one's texel shows.
// Each pixel is tested against the surface that stored it, unless the whole column is known to
// be shown. What the loop reads is held in locals: its stores to the frame could otherwise be
// taken to change any of it.
template <bool tested>
BRINDLE_PIXEL_LOOP void ThingDrawer::drawColumn(Renderer& r, const FrameOwners& owners,
                                                const PlacedThing& thing, int32_t x,
                                                int32_t column) {
    const SpritePicture& picture = *thing.sprite.picture;
    const int32_t* const shownRows = texelRows.data();
    const int32_t* const firstRowShowing = rowOfTexel.data();
    const int32_t lowest = shownRows[0];
    const int32_t beyond = shownRows[texelRows.size() - 1] + 1;
    uint8_t* const top = r.frameBuffer + thing.firstRow * frameWidth + x;
    const uint8_t* const colorMap = thing.colorMap;
    // A shadow thing darkens the pixel above each of its own, as it stood before the thing.
    const uint8_t* const darkened =
        thing.kind->shadow ? r.archive->colorMaps[shadowMap].data() : nullptr;
    const uint8_t* const beforeColumn = darkened != nullptr ? before.data() + x : nullptr;
    int64_t count = 0;
    for (const SpriteRun* run = picture.runsBegin(column); run != picture.runsEnd(column); ++run) {
        const int32_t runTop = std::clamp(run->top, lowest, beyond);
        const int32_t end =
            std::clamp(std::min(run->top + run->length, picture.height), lowest, beyond);
        const int32_t last = firstRowShowing[std::max(end, runTop) - lowest];
        const uint8_t* texels = picture.bytes.data() + (run->data - run->top);
        for (int32_t k = firstRowShowing[runTop - lowest]; k < last; ++k) {
            if (tested && hidden(r, owners, thing, x, thing.firstRow + k)) {
                continue;
            }
            uint8_t* pixel = top + k * frameWidth;
            if (darkened != nullptr) {
                // Row 0 has no row above it: it darkens itself.
                *pixel = darkened[beforeColumn[std::max(thing.firstRow + k - 1, 0) * frameWidth]];
            } else {
                *pixel = colorMap[texels[shownRows[k]]];
            }
            ++count;
        }
    }
    stored += count;
}

void ThingDrawer::drawThing(Renderer& r, const FrameOwners& owners, const PlacedThing& thing) {
    const SpritePicture& picture = *thing.sprite.picture;
    const int64_t d = thing.depth;
    if (thing.kind->shadow) {
        // The rows it covers and the one above them, as they stand before it is drawn.
        const int32_t from = std::max(thing.firstRow - 1, 0) * frameWidth;
        before.resize(frameBytes);
        std::memcpy(before.data() + from, r.frameBuffer + from,
                    static_cast<size_t>((thing.lastRow + 1) * frameWidth - from));
    }
    // The picture rows and the planes' rows are found once a column is to be drawn: most things
    // placed stand wholly behind walls.
    bool rowsFound = false;
    const int64_t across =
        int64_t{thing.lateral + picture.leftOffset} * projectionFactor - int64_t{centerColumn} * d;
    QuotientSteps c(across + thing.firstColumn * d, d);
    for (int32_t x = thing.firstColumn; x <= thing.lastColumn; ++x, c.next()) {
        const auto shown = static_cast<int32_t>(c.value());
        if (shown < 0 || shown >= picture.width) {
            continue;
        }
        const int32_t column = thing.sprite.flipped ? picture.width - 1 - shown : shown;
        const ColumnCase seen = columnCase(r, owners, thing, x);
        if (seen != ColumnCase::hidden && !rowsFound) {
            rowsFound = true;
            findTexelRows(r, thing);
            planeRows.fill(PlaneRows{});
            planesMayHide = planesMayHideThing(r, owners, thing);
        }
        switch (seen) {
            case ColumnCase::hidden:
                break;
            case ColumnCase::shown:
                drawColumn<false>(r, owners, thing, x, column);
                break;
            case ColumnCase::mixed:
                if (!planesMayHide && !wallsMayHide(owners, thing, x)) {
                    drawColumn<false>(r, owners, thing, x, column);
                    break;
                }
                columnWallsFound = false;  // until a pixel no plane stored is asked about
                drawColumn<true>(r, owners, thing, x, column);
                break;
        }
    }
}

int64_t ThingDrawer::draw(Renderer& r, const FrameOwners& owners) {
    stored = 0;
    lastId = SurfaceOwners::sky;
    for (const PlacedThing& thing : placed) {
        drawThing(r, owners, thing);
    }
    return stored;
}

}  // namespace brindle
