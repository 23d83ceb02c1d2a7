// Things as sprites over the game-look frame. Everything is integer arithmetic in 32 bits:
// with the picture's width w, height h and offsets lo, to, and the thing at depth d and
// lateral offset l, column i shows picture column floor(((l + lo) * 554 - (320 - i) * d) / 554)
// and row r picture row floor(((top - eye) * 554 - (240 - r) * d) / 554). Both grow with i and
// r, so the columns and each run's rows that land on the picture are found by solving for the
// edges; each pixel's own texel is then computed exactly.
#include "render/game_look/things.h"

#include <algorithm>
#include <cstring>

#include "render/fixed_math.h"
#include "render/game_look/lighting.h"
#include "render/projection.h"

namespace brindle {

namespace {

constexpr int32_t nearestThingDepth = 4;
constexpr int32_t scaleAtDepthOne = 0x45400000;
constexpr int32_t shadowMap = 6;
constexpr int32_t rotations = 8;

int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

int64_t ceilDiv(int64_t a, int64_t b) {
    return -floorDiv(-a, b);
}

template <typename T>
bool validIndex(int32_t index, const std::vector<T>& records) {
    return index >= 0 && static_cast<size_t>(index) < records.size();
}

// The first k with a + k * d >= limit, for d > 0.
int64_t firstReaching(int64_t a, int64_t d, int64_t limit) {
    return ceilDiv(limit - a, d);
}

}  // namespace

int32_t wallOwnerLinedef(const Renderer& r, const SurfaceOwner& owner) {
    const WadArchive& level = *r.archive;
    if (!validIndex(owner.subsector, level.subsectors)) {
        return -1;
    }
    const Subsector& sub = level.subsectors[static_cast<size_t>(owner.subsector)];
    // The segs as the game look draws them, last first: the first that fits drew the piece.
    for (int32_t k = sub.segCount - 1; k >= 0; --k) {
        const int32_t segIndex = wrap16(sub.firstSeg + k);
        if (!validIndex(segIndex, level.segs)) {
            continue;
        }
        const Seg& seg = level.segs[static_cast<size_t>(segIndex)];
        if (seg.angle != owner.segAngle || !validIndex(seg.linedef, level.linedefs) ||
            !validIndex(seg.startVertex, r.viewVertices) ||
            !validIndex(seg.endVertex, r.viewVertices)) {
            continue;
        }
        const Linedef& line = level.linedefs[static_cast<size_t>(seg.linedef)];
        const int32_t front = seg.side == 1 ? line.leftSidedef : line.rightSidedef;
        const ViewVertex start = r.viewVertices[static_cast<size_t>(seg.startVertex)];
        const ViewVertex end = r.viewVertices[static_cast<size_t>(seg.endVertex)];
        if (front == owner.sidedef && start.depth == owner.depth1 &&
            start.lateral == owner.lateral1 && end.depth == owner.depth2 &&
            end.lateral == owner.lateral2) {
            return seg.linedef;
        }
    }
    return -1;
}

const std::vector<PlacedThing>& ThingDrawer::place(const Renderer& r) {
    placed.clear();
    const WadArchive& level = *r.archive;
    const std::vector<ThingKind>& kinds = thingKinds();
    if (choicesOf != level.spriteGeneration() || choices.size() != kinds.size() * rotations) {
        choicesOf = level.spriteGeneration();
        choices.assign(kinds.size() * rotations, SpriteChoice{});
        chosen.assign(kinds.size() * rotations, 0);
    }
    // setView's transform of a vertex.
    const int32_t cosA = r.cosine(neg32(r.viewAngle));
    const int32_t sinA = r.sine(neg32(r.viewAngle));
    for (size_t index = 0; index < level.things.size(); ++index) {
        const Thing& thing = level.things[index];
        const ThingKind* kind = thingKindOf(thing.type);
        if (kind == nullptr || !thingShownAtSkill(thing, r.skill)) {
            continue;
        }
        const int32_t dx = wrap16(thing.x - r.viewX);
        const int32_t dy = wrap16(thing.y - r.viewY);
        const int32_t depth = wrap16(shr32(sub32(mul32(dx, cosA), mul32(dy, sinA)), 16));
        const int32_t lateral = wrap16(shr32(add32(mul32(dy, cosA), mul32(dx, sinA)), 16));
        if (depth < nearestThingDepth) {
            continue;
        }
        const int32_t rotation = thingRotation(r.viewAngle, r.angleOf(lateral, depth),
                                               thingAngleFromDegrees(thing.angle));
        const size_t slot = static_cast<size_t>(kind - kinds.data()) * rotations +
                            static_cast<size_t>(rotation - 1);
        if (chosen[slot] == 0) {
            choices[slot] = chooseSprite(level, kind->sprite, kind->frame, rotation);
            chosen[slot] = 1;
        }
        const SpriteChoice sprite = choices[slot];
        if (sprite.picture == nullptr) {
            continue;
        }
        const int32_t sector = r.sectorAt(thing.x, thing.y);
        if (!validIndex(sector, level.sectors)) {
            continue;
        }
        const Sector& s = level.sectors[static_cast<size_t>(sector)];
        PlacedThing p;
        p.index = static_cast<int32_t>(index);
        p.x = thing.x;
        p.y = thing.y;
        p.depth = depth;
        p.lateral = lateral;
        p.kind = kind;
        p.sprite = sprite;
        p.floorHeight = s.floorHeight;
        p.ceilingHeight = s.ceilingHeight;
        const int32_t z = kind->ceiling ? s.ceilingHeight - kind->height : s.floorHeight;
        p.top = z + sprite.picture->topOffset;
        p.scale = scaleAtDepthOne / depth;
        const int32_t map = kind->bright ? 0
                                         : litMap(startMapOf(lightBand(s.lightLevel)),
                                                  wallDepthShade(p.scale >> 14));
        p.colorMap = level.colorMaps[static_cast<size_t>(map)].data();
        // Column i shows picture column floorDiv(across + i * d, 554), row y picture row
        // floorDiv(down + y * d, 554).
        const SpritePicture& picture = *sprite.picture;
        const int64_t across = int64_t{lateral + picture.leftOffset} * projectionFactor -
                               int64_t{centerColumn} * depth;
        const int64_t down =
            int64_t{p.top - r.viewHeight} * projectionFactor - int64_t{horizonRow} * depth;
        p.firstColumn = static_cast<int32_t>(std::max<int64_t>(firstReaching(across, depth, 0), 1));
        p.lastColumn = static_cast<int32_t>(std::min<int64_t>(
            firstReaching(across, depth, int64_t{picture.width} * projectionFactor) - 1,
            frameWidth - 1));
        p.firstRow = static_cast<int32_t>(std::max<int64_t>(firstReaching(down, depth, 0), 0));
        p.lastRow = static_cast<int32_t>(std::min<int64_t>(
            firstReaching(down, depth, int64_t{picture.height} * projectionFactor) - 1,
            frameHeight - 1));
        if (p.firstColumn <= p.lastColumn && p.firstRow <= p.lastRow) {
            placed.push_back(p);
        }
    }
    reached.columns.fill(0);
    reached.rowFirst.fill(frameWidth);
    reached.rowLast.fill(-1);
    for (const PlacedThing& p : placed) {
        std::fill(reached.columns.begin() + p.firstColumn,
                  reached.columns.begin() + p.lastColumn + 1, uint8_t{1});
        for (int32_t y = p.firstRow; y <= p.lastRow; ++y) {
            const auto row = static_cast<size_t>(y);
            reached.rowFirst[row] =
                static_cast<int16_t>(std::min<int32_t>(reached.rowFirst[row], p.firstColumn));
            reached.rowLast[row] =
                static_cast<int16_t>(std::max<int32_t>(reached.rowLast[row], p.lastColumn));
        }
    }
    std::stable_sort(placed.begin(), placed.end(),
                     [](const PlacedThing& a, const PlacedThing& b) { return a.depth > b.depth; });
    return placed;
}

bool surfaceHidesThing(const Renderer& r, SurfaceOwner& owner, const PlacedThing& thing, int32_t x,
                       int32_t y) {
    switch (owner.kind) {
        case SurfaceOwner::Kind::wall: {
            const int32_t wallScale = add32(owner.scale, mul32(x - owner.x1, owner.scaleStep));
            if (wallScale < thing.scale) {
                return false;
            }
            if (owner.linedef == -2) {
                owner.linedef = wallOwnerLinedef(r, owner);
                if (owner.linedef >= 0) {
                    owner.viewerSide = r.pointOnLineSide(r.viewX, r.viewY, owner.linedef);
                }
            }
            if (owner.sideOf != thing.index) {
                owner.sideOf = thing.index;
                owner.thingBehind =
                    owner.linedef < 0 ||
                    r.pointOnLineSide(thing.x, thing.y, owner.linedef) != owner.viewerSide;
            }
            return owner.thingBehind;
        }
        case SurfaceOwner::Kind::floor: {
            if (owner.height <= thing.floorHeight) {
                return false;
            }
            // D = rise * 554 / rows (truncated) is at most d when rise * 554 < (d + 1) * rows.
            return int64_t{r.viewHeight - owner.height} * projectionFactor <
                   (int64_t{thing.depth} + 1) * (y - horizonRow);
        }
        case SurfaceOwner::Kind::ceiling: {
            if (owner.height >= thing.ceilingHeight) {
                return false;
            }
            return int64_t{owner.height - r.viewHeight} * projectionFactor <
                   (int64_t{thing.depth} + 1) * (horizonRow - y);
        }
    }
    return true;
}

// Whether the surface that stored frame pixel (x, y) stands in front of the thing there.
bool ThingDrawer::hidden(const Renderer& r, const FrameOwners& owners, const PlacedThing& thing,
                         int32_t x, int32_t y) const {
    const int band = y <= owners.firstBandLast ? 0 : 1;
    const CoverageMask* coverage = owners.coverage[band];
    if (coverage == nullptr ||
        ((const_cast<CoverageMask*>(coverage)->rowWords(y)[x >> 6] >> (x & 63)) & 1) == 0) {
        return false;  // nothing was drawn there
    }
    const uint16_t id = owners.pixels[y * frameWidth + x];
    const uint16_t number = id & SurfaceOwners::unrecorded;
    if (id == SurfaceOwners::sky) {
        return false;
    }
    SurfaceOwners* surfaces = owners.bands[(id & SurfaceOwners::secondBand) != 0 ? 1 : 0];
    if (number == SurfaceOwners::unrecorded || surfaces == nullptr ||
        number > surfaces->owners.size()) {
        return true;
    }
    return surfaceHidesThing(r, surfaces->owners[number - 1u], thing, x, y);
}

void ThingDrawer::drawThing(Renderer& r, const FrameOwners& owners, const PlacedThing& thing) {
    const SpritePicture& picture = *thing.sprite.picture;
    const int64_t d = thing.depth;
    // Column i shows picture column floorDiv(across + i * d, 554).
    const int64_t across =
        int64_t{thing.lateral + picture.leftOffset} * projectionFactor - int64_t{centerColumn} * d;
    const int64_t firstColumn = std::max<int64_t>(firstReaching(across, d, 0), 1);
    const int64_t lastColumn = std::min<int64_t>(
        firstReaching(across, d, int64_t{picture.width} * projectionFactor) - 1, frameWidth - 1);
    // Row r shows picture row floorDiv(down + r * d, 554).
    const int64_t down =
        int64_t{thing.top - r.viewHeight} * projectionFactor - int64_t{horizonRow} * d;
    const uint8_t* shadowSource = nullptr;
    if (thing.kind->shadow) {
        before.assign(r.frameBuffer, r.frameBuffer + frameBytes);
        shadowSource = before.data();
    }
    const uint8_t* shadowMapRow = r.archive->colorMaps[shadowMap].data();
    for (int64_t i = firstColumn; i <= lastColumn; ++i) {
        const int32_t c = static_cast<int32_t>(floorDiv(across + i * d, projectionFactor));
        if (c < 0 || c >= picture.width) {
            continue;
        }
        const int32_t column = thing.sprite.flipped ? picture.width - 1 - c : c;
        for (const SpriteRun* run = picture.runsBegin(column); run != picture.runsEnd(column);
             ++run) {
            const int64_t runEnd = std::min(run->top + run->length, picture.height);
            if (run->top >= runEnd) {
                continue;
            }
            const int64_t firstRow =
                std::max<int64_t>(firstReaching(down, d, int64_t{run->top} * projectionFactor), 0);
            const int64_t lastRow = std::min<int64_t>(
                firstReaching(down, d, runEnd * projectionFactor) - 1, frameHeight - 1);
            // The picture row and its remainder, moved on by d each frame row: within the run
            // the numerator is not negative, so t is its plain quotient by 554.
            int64_t t = firstRow <= lastRow ? floorDiv(down + firstRow * d, projectionFactor) : 0;
            int64_t rest = down + firstRow * d - t * projectionFactor;
            for (int64_t y = firstRow; y <= lastRow; ++y, rest += d) {
                while (rest >= projectionFactor) {
                    rest -= projectionFactor;
                    ++t;
                }
                const int32_t x = static_cast<int32_t>(i);
                const int32_t row = static_cast<int32_t>(y);
                if (hidden(r, owners, thing, x, row)) {
                    continue;
                }
                uint8_t& pixel = r.frameBuffer[row * frameWidth + x];
                if (shadowSource != nullptr) {
                    pixel = shadowMapRow[shadowSource[std::max(row - 1, 0) * frameWidth + x]];
                } else {
                    pixel =
                        thing.colorMap[picture
                                           .bytes[static_cast<size_t>(run->data + (t - run->top))]];
                }
                ++stored;
            }
        }
    }
}

int64_t ThingDrawer::draw(Renderer& r, const FrameOwners& owners) {
    stored = 0;
    for (const PlacedThing& thing : placed) {
        drawThing(r, owners, thing);
    }
    return stored;
}

}  // namespace brindle
