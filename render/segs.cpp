// One subsector's segs: which face the viewer, which wall pieces each needs, and the
// distances that anchor their textures.
#include <vector>

#include "render/fixed_math.h"
#include "render/projection.h"
#include "render/renderer.h"
#include "render/seg_geometry.h"
#include "render/game_look/sky.h"

namespace brindle {

namespace {

template <typename T>
bool validIndex(int32_t index, const std::vector<T>& records) {
    return index >= 0 && static_cast<size_t>(index) < records.size();
}

// The sidedef on the seg's own side: side 1 runs against its linedef, so it faces the
// linedef's left side.
int32_t frontSidedefOf(const Seg& seg, const Linedef& line) {
    return seg.side == 1 ? line.leftSidedef : line.rightSidedef;
}

int32_t backSidedefOf(const Seg& seg, const Linedef& line) {
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

// The sector a subsector's first seg on a linedef faces; -1 when it has no usable such seg.
int32_t Renderer::sectorOfSubsector(int32_t subsector) const {
    const WadArchive& level = *archive;
    const int32_t first = level.firstLinedefSeg(subsector);
    if (!validIndex(first, level.segs) || !validIndex(level.segs[first].linedef, level.linedefs)) {
        return -1;
    }
    const Seg& seg = level.segs[first];
    const int32_t front = frontSidedefOf(seg, level.linedefs[seg.linedef]);
    if (!validIndex(front, level.sidedefs) ||
        !validIndex(level.sidedefs[front].sector, level.sectors)) {
        return -1;
    }
    return level.sidedefs[front].sector;
}

int16_t Renderer::renderSubsector(int32_t subsector) {
    const WadArchive& level = *archive;
    if (!validIndex(subsector, level.subsectors)) {
        return 1;
    }
    if (drawFloors) {
        const int32_t sector = sectorOfSubsector(subsector);
        if (sector >= 0 && level.sectors[sector].floorHeight < viewHeight) {
            const Subsector& sub = level.subsectors[subsector];
            fillFloor(static_cast<uint32_t>(sub.firstSeg), static_cast<uint32_t>(sub.segCount),
                      level.sectors[sector].floorHeight);
        }
    }
    RowBand wholeFrame;
    drawSegs(subsector, Look::plain, wholeFrame);
    pixelsWritten += wholeFrame.pixelsWritten;
    return 1;
}

// The game look lights each wall from its front sector and leaves out the upper piece between
// two sky ceilings, so that the sky joins over it. A band drawn nearest first (one with a
// coverage mask) takes the segs, and each seg's pieces, in the reverse order.
void Renderer::drawSegs(int32_t subsector, Look segLook, RowBand& band) {
    const WadArchive& level = *archive;
    if (!validIndex(subsector, level.subsectors)) {
        return;
    }
    const Subsector& sub = level.subsectors[subsector];
    const bool game = segLook == Look::game;
    const bool reversed = band.coverage != nullptr;
    for (int32_t k = 0; k < sub.segCount; ++k) {
        const int32_t i = reversed ? sub.segCount - 1 - k : k;
        const int32_t segIndex = add32(sub.firstSeg, i);
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
        const int32_t frontIndex = frontSidedefOf(seg, line);
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
        WallLight light;
        if (game && validIndex(line.startVertex, level.vertices) &&
            validIndex(line.endVertex, level.vertices)) {
            light.startMap =
                startMapOf(wallLightBand(frontSector.lightLevel, level.vertices[line.startVertex],
                                         level.vertices[line.endVertex]));
        } else if (game) {
            light.startMap = startMapOf(lightBand(frontSector.lightLevel));
        }

        // Two-sided when the other side exists; a side index that names no sidedef is treated
        // as no side at all. The pieces in drawing order: upper, lower, middle.
        struct Piece {
            WallAnchor anchor;
            int16_t top;
            int16_t bottom;
            const char* texture;
        };
        Piece pieces[3];
        int count = 0;
        const int32_t backIndex = backSidedefOf(seg, line);
        if (validIndex(backIndex, level.sidedefs) &&
            validIndex(level.sidedefs[backIndex].sector, level.sectors)) {
            const Sector& backSector = level.sectors[level.sidedefs[backIndex].sector];
            const bool skyJoins =
                game && isSkyFlat(frontSector.ceilingFlat) && isSkyFlat(backSector.ceilingFlat);
            if (backSector.ceilingHeight != frontSector.ceilingHeight && !skyJoins) {
                pieces[count++] = {WallAnchor::top, frontSector.ceilingHeight,
                                   backSector.ceilingHeight, front.upperTexture};
            }
            if (backSector.floorHeight != frontSector.floorHeight) {
                pieces[count++] = {WallAnchor::bottom, backSector.floorHeight,
                                   frontSector.floorHeight, front.lowerTexture};
            }
        }
        pieces[count++] = {WallAnchor::top, frontSector.ceilingHeight, frontSector.floorHeight,
                           front.middleTexture};
        for (int p = 0; p < count; ++p) {
            const Piece& piece = pieces[reversed ? count - 1 - p : p];
            drawWallPiece(piece.anchor, start.depth, start.lateral, end.depth, end.lateral,
                          piece.top, piece.bottom, seg.angle, piece.texture, xOffset, front.yOffset,
                          g.perpDistance, g.alongOffset, light, band);
        }
    }
}

}  // namespace brindle
