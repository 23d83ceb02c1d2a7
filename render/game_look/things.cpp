// Where the things stand on the game-look frame, and what hides them. Everything is integer
// arithmetic: with the picture's width w, height h and offsets lo, to, and the thing at depth d
// and lateral offset l, column i shows picture column floor(((l + lo) * 554 - (320 - i) * d) /
// 554) and row r picture row floor(((top - eye) * 554 - (240 - r) * d) / 554). Both grow with i
// and r, so the columns and rows that land on the picture are found by solving for the edges.
#include "render/game_look/things.h"

#include <algorithm>

#include "render/fixed_math.h"
#include "render/game_look/lighting.h"
#include "render/projection.h"

namespace brindle {

namespace {

constexpr int32_t nearestThingDepth = 4;
constexpr int32_t scaleAtDepthOne = 0x45400000;
constexpr int32_t rotations = 8;

template <typename T>
bool validIndex(int32_t index, const std::vector<T>& records) {
    return index >= 0 && static_cast<size_t>(index) < records.size();
}

// The first k with a + k * d >= limit, for d > 0.
int64_t firstReaching(int64_t a, int64_t d, int64_t limit) {
    return ceilDiv64(limit - a, d);
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
        widths.assign(kinds.size(), KindWidth{});
    }
    // The picture of a kind and rotation, chosen once; the pictures read for them share a
    // stream of each file.
    const WadArchive::SpriteReading reading(level);
    const auto choice = [&](size_t kindIndex, int32_t rotation) {
        const size_t slot = kindIndex * rotations + static_cast<size_t>(rotation - 1);
        if (chosen[slot] == 0) {
            const ThingKind& kind = kinds[kindIndex];
            choices[slot] = chooseSprite(level, kind.sprite, kind.frame, rotation);
            chosen[slot] = 1;
        }
        return choices[slot];
    };
    // How far left and right of a thing's position any picture of its kind reaches.
    const auto widthOf = [&](size_t kindIndex) -> const KindWidth& {
        KindWidth& width = widths[kindIndex];
        if (!width.known) {
            width.known = true;
            for (int32_t rotation = 1; rotation <= rotations; ++rotation) {
                if (const SpritePicture* picture = choice(kindIndex, rotation).picture) {
                    width.any = true;
                    width.left = std::max(width.left, picture->leftOffset);
                    width.right = std::max(width.right, picture->width - picture->leftOffset);
                }
            }
        }
        return width;
    };
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
        // Things wholly left or right of the frame in every rotation are passed over before their
        // rotation and sector are worked out: the columns a picture reaches are the placement's
        // below, with its offset and width at their extremes.
        const auto kindIndex = static_cast<size_t>(kind - kinds.data());
        const KindWidth& width = widthOf(kindIndex);
        if (!width.any ||
            ceilDiv64(
                int64_t{centerColumn} * depth - int64_t{lateral + width.left} * projectionFactor,
                depth) > frameWidth - 1 ||
            ceilDiv64(
                int64_t{width.right - lateral} * projectionFactor + int64_t{centerColumn} * depth,
                depth) -
                    1 <
                1) {
            continue;
        }
        const int32_t rotation = thingRotation(r.viewAngle, r.angleOf(lateral, depth),
                                               thingAngleFromDegrees(thing.angle));
        const SpriteChoice sprite = choice(kindIndex, rotation);
        if (sprite.picture == nullptr) {
            continue;
        }
        // Things stay where the map puts them: each one's sector is found once for the level.
        if (sectorsOf != &level || sectorsSerial != level.levelSerial ||
            sectors.size() != level.things.size()) {
            sectorsOf = &level;
            sectorsSerial = level.levelSerial;
            sectors.assign(level.things.size(), unknownSector);
        }
        int32_t& sector = sectors[index];
        if (sector == unknownSector) {
            sector = r.sectorAt(thing.x, thing.y);
        }
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
    reached.columnFirst.fill(frameHeight);
    reached.columnLast.fill(-1);
    reached.rowFirst.fill(frameWidth);
    reached.rowLast.fill(-1);
    for (const PlacedThing& p : placed) {
        for (int32_t x = p.firstColumn; x <= p.lastColumn; ++x) {
            const auto column = static_cast<size_t>(x);
            reached.columnFirst[column] =
                static_cast<int16_t>(std::min<int32_t>(reached.columnFirst[column], p.firstRow));
            reached.columnLast[column] =
                static_cast<int16_t>(std::max<int32_t>(reached.columnLast[column], p.lastRow));
        }
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

}  // namespace brindle
