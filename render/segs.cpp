// One subsector's segs: which face the viewer, which wall pieces each needs, and the
// distances that anchor their textures.
#include <vector>

#include "render/fixed_math.h"
#include "render/projection.h"
#include "render/renderer.h"
#include "render/seg_geometry.h"

namespace brindle {

namespace {

template <typename T>
bool validIndex(int32_t index, const std::vector<T>& records) {
    return index >= 0 && static_cast<size_t>(index) < records.size();
}

// The sidedef on the seg's own side: side 1 runs against its linedef, so it faces the
// linedef's left side.
int16_t frontSidedefOf(const Seg& seg, const Linedef& line) {
    return seg.side == 1 ? line.leftSidedef : line.rightSidedef;
}

int16_t backSidedefOf(const Seg& seg, const Linedef& line) {
    return seg.side == 1 ? line.rightSidedef : line.leftSidedef;
}

}  // namespace

SegGeometry measureSeg(const Renderer& renderer, ViewVertex start, int16_t segAngle) {
    SegGeometry g{};
    g.bearing = wrap16(renderer.angleOf(start.lateral, start.depth));
    g.relativeAngle = wrap16(segAngle + 16384 - renderer.viewAngle);
    g.startDistance = renderer.distance(start.depth, start.lateral);
    g.perpDistance =
        shr32(mul32(renderer.sine(g.relativeAngle + 16384 - g.bearing), g.startDistance), 16);
    g.alongOffset = shr32(mul32(renderer.sine(g.relativeAngle - g.bearing), g.startDistance), 16);
    return g;
}

int16_t Renderer::renderSubsector(int16_t subsector) {
    const WadArchive& level = *archive;
    if (!validIndex(subsector, level.subsectors)) {
        return 1;
    }
    const Subsector& sub = level.subsectors[subsector];

    if (drawFloors && sub.segCount > 0) {
        // The subsector's sector is the one its first seg faces.
        const int32_t first = sub.firstSeg;
        if (validIndex(first, level.segs) &&
            validIndex(level.segs[first].linedef, level.linedefs)) {
            const Seg& seg = level.segs[first];
            const int16_t front = frontSidedefOf(seg, level.linedefs[seg.linedef]);
            if (validIndex(front, level.sidedefs) &&
                validIndex(level.sidedefs[front].sector, level.sectors)) {
                const int16_t floor = level.sectors[level.sidedefs[front].sector].floorHeight;
                if (floor < viewHeight) {
                    fillFloor(static_cast<uint16_t>(sub.firstSeg),
                              static_cast<uint16_t>(sub.segCount), floor);
                }
            }
        }
    }

    for (int32_t i = 0; i < sub.segCount; ++i) {
        const int16_t segIndex = wrap16(sub.firstSeg + i);
        if (!validIndex(segIndex, level.segs)) {
            continue;
        }
        const Seg& seg = level.segs[segIndex];
        if (!validIndex(seg.linedef, level.linedefs) ||
            !validIndex(seg.startVertex, viewVertices) ||
            !validIndex(seg.endVertex, viewVertices)) {
            continue;
        }
        const Linedef& line = level.linedefs[seg.linedef];
        const int16_t frontIndex = frontSidedefOf(seg, line);
        if (!validIndex(frontIndex, level.sidedefs) ||
            !validIndex(level.sidedefs[frontIndex].sector, level.sectors)) {
            continue;
        }
        // A seg on the viewer's side of its linedef faces away (a side-1 seg is seen from the
        // left of the line or from on it).
        if (pointOnLineSide(viewX, viewY, seg.linedef) == seg.side) {
            continue;
        }
        const ViewVertex start = viewVertices[seg.startVertex];
        const ViewVertex end = viewVertices[seg.endVertex];
        // The drawers would give up every piece of a seg that cannot reach the frame; skipping
        // it here saves its two arctangents.
        if (!reachesFrame(start.depth, start.lateral, end.depth, end.lateral)) {
            continue;
        }
        const Sidedef& front = level.sidedefs[frontIndex];
        const Sector& frontSector = level.sectors[front.sector];
        const SegGeometry g = measureSeg(*this, start, seg.angle);
        const int32_t xOffset = add32(front.xOffset, seg.offset);

        // Two-sided when the other side exists; a side index that names no sidedef is treated
        // as no side at all.
        const int16_t backIndex = backSidedefOf(seg, line);
        if (validIndex(backIndex, level.sidedefs) &&
            validIndex(level.sidedefs[backIndex].sector, level.sectors)) {
            const Sector& backSector = level.sectors[level.sidedefs[backIndex].sector];
            if (backSector.ceilingHeight != frontSector.ceilingHeight) {
                drawWallFromTop(start.depth, start.lateral, end.depth, end.lateral,
                                frontSector.ceilingHeight, backSector.ceilingHeight, seg.angle,
                                front.upperTexture, xOffset, front.yOffset, g.perpDistance,
                                g.alongOffset);
            }
            if (backSector.floorHeight != frontSector.floorHeight) {
                drawWallFromBottom(start.depth, start.lateral, end.depth, end.lateral,
                                   backSector.floorHeight, frontSector.floorHeight, seg.angle,
                                   front.lowerTexture, xOffset, front.yOffset, g.perpDistance,
                                   g.alongOffset);
            }
        }
        drawWallFromTop(start.depth, start.lateral, end.depth, end.lateral,
                        frontSector.ceilingHeight, frontSector.floorHeight, seg.angle,
                        front.middleTexture, xOffset, front.yOffset, g.perpDistance, g.alongOffset);
    }
    return 1;
}

}  // namespace brindle
