// The two textured wall drawers: project one wall piece, then fill it column by column,
// sampling one texture column per screen column. drawWallFromTop anchors the texture at the
// piece's upper edge and fills downwards; drawWallFromBottom anchors it at the lower edge and
// fills upwards.
#include <algorithm>
#include <type_traits>

#include "render/fixed_math.h"
#include "render/game_look/coverage.h"
#include "render/game_look/lighting.h"
#include "render/game_look/surface_owners.h"
#include "render/projection.h"
#include "render/renderer.h"
#include "render/wall_columns.h"

namespace brindle {

namespace {

using namespace wall_columns;

constexpr int32_t rowOne = 1 << 14;  // one row in the 18.14 row and texel formats
// 554 * 2^21: one world unit's projected size at depth 1, in 11.21.
constexpr int32_t scaleAtDepthOne = 0x45400000;
constexpr int32_t texelStepNumerator = 0x200000;  // 2^21
constexpr int32_t firstDrawnColumn = 1;           // column 0 always keeps the clear colour
constexpr int32_t lastDrawnColumn = frameWidth - 1;

// A wall piece projected onto the screen, ready for its column loop. The edge rows and the
// scale are stepped linearly from column x1 to column x2.
struct ProjectedPiece {
    int32_t x1;
    int32_t x2;
    int32_t top;  // 18.14 row of the upper edge at column x1
    int32_t topStep;
    int32_t bottom;  // 18.14 row of the lower edge
    int32_t bottomStep;
    int32_t scale;  // 11.21 projected size of one world unit
    int32_t scaleStep;
    const uint8_t* texels;  // column-major
    int32_t width;
    int32_t height;
};

// Everything both drawers do before their column loops: the name check, the near-plane clip,
// the projection, the rejection of pieces wholly off screen, the texture and the steps.
// Returns false when the piece is given up.
bool projectPiece(const Renderer& r, int16_t depth1, int16_t lateral1, int16_t depth2,
                  int16_t lateral2, int16_t topHeight, int16_t bottomHeight,
                  const char* textureName, ProjectedPiece& piece) {
    if (textureName[0] == '-') {
        return false;
    }
    if (!reachesFrame(depth1, lateral1, depth2, lateral2)) {
        return false;
    }
    clipToNearPlane(depth1, lateral1, depth2, lateral2);
    const int32_t x1 = projectColumn(lateral1, depth1);
    const int32_t x2 = projectColumn(lateral2, depth2);
    int16_t width = 0;
    int16_t height = 0;
    const uint8_t* texels = r.archive->findTexture(textureName, &width, &height);
    if (texels == nullptr || width <= 0 || height <= 0) {
        return false;
    }
    const int32_t topAboveEye = topHeight - r.viewHeight;
    const int32_t bottomAboveEye = bottomHeight - r.viewHeight;
    const int32_t top1 = projectRow(topAboveEye, depth1);
    const int32_t top2 = projectRow(topAboveEye, depth2);
    const int32_t bottom1 = projectRow(bottomAboveEye, depth1);
    const int32_t bottom2 = projectRow(bottomAboveEye, depth2);
    const int32_t n = x2 - x1;  // nonzero: equal columns were rejected above
    piece.x1 = x1;
    piece.x2 = x2;
    piece.top = mul32(top1, rowOne);
    piece.topStep = div32(mul32(sub32(top2, top1), rowOne), n);
    piece.bottom = mul32(bottom1, rowOne);
    piece.bottomStep = div32(mul32(sub32(bottom2, bottom1), rowOne), n);
    piece.scale = scaleAtDepthOne / depth1;
    piece.scaleStep = div32(sub32(scaleAtDepthOne / depth2, piece.scale), n);
    piece.texels = texels;
    piece.width = width;
    piece.height = height;
    return true;
}

using Anchor = WallAnchor;

// The texture column that a signed 16-bit column coordinate selects. The upper-edge drawer
// widens v to 32 bits and takes the unsigned remainder; the lower-edge drawer takes the
// remainder of v read as unsigned 16-bit. For widths that are not powers of two a negative v
// lands on different columns in the two; for powers of two both keep v's low bits.
template <Anchor anchor>
uint32_t textureColumn(int16_t v, int32_t width) {
    if (isPowerOfTwo(width)) {
        return static_cast<uint32_t>(v) & static_cast<uint32_t>(width - 1);
    }
    if constexpr (anchor == Anchor::top) {
        return static_cast<uint32_t>(int32_t{v}) % static_cast<uint32_t>(width);
    } else {
        return static_cast<uint32_t>(static_cast<uint16_t>(v)) % static_cast<uint32_t>(width);
    }
}

// With things to draw over the frame, a masked piece also lists its runs where things reach.
struct MaskedOwned {
    static constexpr bool masked = true;
};

template <Anchor anchor, typename Light, typename Store, bool powerOfTwoHeight>
int64_t drawColumns(Renderer& r, const ProjectedPiece& piece, int32_t first, int32_t last,
                    int16_t segAngle, int32_t xOffset, int16_t yOffset, int32_t perpDistance,
                    int32_t alongOffset, WallLight light, const RowBand& band) {
    // Columns left of the frame are skipped by stepping over them in one go; the wrapping
    // product gives the same values as stepping column by column.
    const int32_t skipped = first - piece.x1;
    int32_t top = add32(piece.top, mul32(piece.topStep, skipped));
    int32_t bottom = add32(piece.bottom, mul32(piece.bottomStep, skipped));
    int32_t scale = add32(piece.scale, mul32(piece.scaleStep, skipped));
    // Angle between the seg's left normal and the ray of a column, less the column's own angle.
    const int32_t normalAngle = segAngle - r.viewAngle + 16384;
    const int32_t heightFixed = piece.height * rowOne;
    const TexelWalk<powerOfTwoHeight> walk{static_cast<uint32_t>(heightFixed)};
    // The accumulator at the anchored edge: the texture's row yOffset lies on the upper edge,
    // or row -yOffset on the lower edge.
    const int32_t anchorT =
        wrapTo((anchor == Anchor::top ? -yOffset : yOffset) * rowOne, heightFixed);
    constexpr bool owned = std::is_same_v<Store, MaskedOwned>;
    using Drawn = std::conditional_t<owned, Masked, Store>;
    int64_t written = 0;  // the pixels of the runs
    int64_t stored = 0;   // of those, the pixels a masked piece stores
    ColumnRun group[groupWidth];
    typename Light::Shade shades[groupWidth] = {};
    // With owners: where each column's run was listed (-1: not), and its open pixels before it
    // is drawn.
    int32_t listed[groupWidth] = {};
    int32_t openBefore[groupWidth] = {};
    const auto noteWholeRuns = [&](int count) {
        for (int k = 0; k < count; ++k) {
            const ColumnRun& run = group[k];
            if (listed[k] >= 0 &&
                openBefore[k] - band.coverage->openIn(run.column) == run.end - run.first) {
                band.owners->markRunWhole(listed[k]);
            }
        }
    };
    int grouped = 0;
    for (int32_t i = first; i <= last; ++i) {
        const int32_t along = mul32(r.tangent(r.columnAngles[i] + normalAngle), perpDistance);
        const int32_t u = sub32(shr32(along, 16), alongOffset);
        const int16_t v = wrap16(sub32(u, xOffset));
        const uint32_t c = textureColumn<anchor>(v, piece.width);
        const int32_t rowsPerUnit = shr32(scale, 14);
        // A column needs its edges at least one whole row apart. The scale stays between its
        // values at the two ends, 35456 or more, so rowsPerUnit is at least 2; were it ever 0
        // the texel step would be infinite, and such a column is left undrawn.
        ColumnRun& run = group[grouped++];
        run.column = i;
        run.first = 0;
        run.end = 0;
        listed[grouped - 1] = -1;
        if constexpr (std::is_same_v<Light, Lit>) {
            // Nearer columns (more rows per world unit) take brighter maps.
            const int32_t map = litMap(light.startMap, wallDepthShade(rowsPerUnit));
            shades[grouped - 1] = r.archive->colorMaps[static_cast<size_t>(map)].data();
        }
        // A column whose pixels are all covered already is passed over.
        const bool hidden = Store::masked && band.coverage->columnFull(i);
        if (!hidden && sub32(bottom, top) >= rowOne && rowsPerUnit != 0) {
            const int32_t q = texelStepNumerator / rowsPerUnit;
            setColumnRun<anchor>(run, top, bottom, q, anchorT, heightFixed,
                                 piece.texels + c * piece.height);
            keepBandRows(run, band, heightFixed);
            written += std::max(run.end - run.first, 0);
            if constexpr (owned) {
                listed[grouped - 1] = band.owners->listWallRun(i, run.first, run.end, scale);
                openBefore[grouped - 1] = band.coverage->openIn(i);
            }
        }
        if (grouped == groupWidth) {
            drawGroup<Light, Drawn>(r.frameBuffer, band.coverage, stored, group, shades, walk);
            if constexpr (owned) {
                noteWholeRuns(groupWidth);
            }
            grouped = 0;
        }
        top = add32(top, piece.topStep);
        bottom = add32(bottom, piece.bottomStep);
        scale = add32(scale, piece.scaleStep);
    }
    for (int k = 0; k < grouped; ++k) {
        drawRows<Light, Drawn>(r.frameBuffer, band.coverage, stored, group[k], shades[k], walk,
                               group[k].first, group[k].end);
    }
    if constexpr (owned) {
        noteWholeRuns(grouped);
    }
    return Store::masked ? stored : written;
}

template <Anchor anchor, typename Light, typename Store>
void drawPiece(Renderer& r, const ProjectedPiece& piece, int16_t segAngle, int32_t xOffset,
               int16_t yOffset, int32_t perpDistance, int32_t alongOffset, WallLight light,
               RowBand& band) {
    const int32_t first = std::max(piece.x1, firstDrawnColumn);
    const int32_t last = std::min(piece.x2, lastDrawnColumn);
    if (first > last) {
        return;
    }
    if (isPowerOfTwo(piece.height)) {
        band.pixelsWritten += drawColumns<anchor, Light, Store, true>(
            r, piece, first, last, segAngle, xOffset, yOffset, perpDistance, alongOffset, light,
            band);
    } else {
        band.pixelsWritten += drawColumns<anchor, Light, Store, false>(
            r, piece, first, last, segAngle, xOffset, yOffset, perpDistance, alongOffset, light,
            band);
    }
}

// What identifies a wall piece to the things drawn over it. Its texture name lies in its front
// sidedef's record, which with the subsector and the seg's ends finds its seg again.
SurfaceOwner wallOwner(const Renderer& r, int32_t subsector, int16_t depth1, int16_t lateral1,
                       int16_t depth2, int16_t lateral2, int16_t segAngle, const char* textureName,
                       const ProjectedPiece& piece) {
    SurfaceOwner owner;
    owner.kind = SurfaceOwner::Kind::wall;
    owner.subsector = subsector;
    const auto& sidedefs = r.archive->sidedefs;
    const auto name = reinterpret_cast<uintptr_t>(textureName);
    const auto first = reinterpret_cast<uintptr_t>(sidedefs.data());
    if (name >= first && name < first + sidedefs.size() * sizeof(Sidedef)) {
        owner.sidedef = static_cast<int32_t>((name - first) / sizeof(Sidedef));
    }
    owner.depth1 = depth1;
    owner.lateral1 = lateral1;
    owner.depth2 = depth2;
    owner.lateral2 = lateral2;
    owner.segAngle = segAngle;
    owner.x1 = piece.x1;
    owner.scale = piece.scale;
    owner.scaleStep = piece.scaleStep;
    return owner;
}

// Both drawers: 1 when the piece reached the column loop, 0 when it was given up before.
template <Anchor anchor>
int16_t drawWall(Renderer& r, int16_t depth1, int16_t lateral1, int16_t depth2, int16_t lateral2,
                 int16_t topHeight, int16_t bottomHeight, int16_t segAngle, const char* textureName,
                 int32_t xOffset, int16_t yOffset, int32_t perpDistance, int32_t alongOffset,
                 WallLight light, RowBand& band) {
    ProjectedPiece piece{};
    if (!projectPiece(r, depth1, lateral1, depth2, lateral2, topHeight, bottomHeight, textureName,
                      piece)) {
        return 0;
    }
    if (light.lit() && band.coverage != nullptr && band.owners != nullptr) {
        SurfaceOwners& owners = *band.owners;
        const int64_t before = band.pixelsWritten;
        const size_t runsBefore = owners.listedRunCount();
        owners.current = owners.add(wallOwner(r, owners.subsector, depth1, lateral1, depth2,
                                              lateral2, segAngle, textureName, piece));
        drawPiece<anchor, Lit, MaskedOwned>(r, piece, segAngle, xOffset, yOffset, perpDistance,
                                            alongOffset, light, band);
        if (band.pixelsWritten == before) {
            owners.unlistRunsFrom(runsBefore);
            owners.drop(owners.current);
        }
    } else if (light.lit() && band.coverage != nullptr) {
        drawPiece<anchor, Lit, Masked>(r, piece, segAngle, xOffset, yOffset, perpDistance,
                                       alongOffset, light, band);
    } else if (light.lit()) {
        drawPiece<anchor, Lit, Painted>(r, piece, segAngle, xOffset, yOffset, perpDistance,
                                        alongOffset, light, band);
    } else if (band.coverage != nullptr) {
        drawPiece<anchor, Unlit, Masked>(r, piece, segAngle, xOffset, yOffset, perpDistance,
                                         alongOffset, light, band);
    } else {
        drawPiece<anchor, Unlit, Painted>(r, piece, segAngle, xOffset, yOffset, perpDistance,
                                          alongOffset, light, band);
    }
    return 1;
}

}  // namespace

int16_t Renderer::drawWallPiece(WallAnchor anchor, int16_t depth1, int16_t lateral1, int16_t depth2,
                                int16_t lateral2, int16_t topHeight, int16_t bottomHeight,
                                int16_t segAngle, const char* textureName, int32_t xOffset,
                                int16_t yOffset, int32_t perpDistance, int32_t alongOffset,
                                WallLight light, RowBand& band) {
    if (anchor == WallAnchor::top) {
        return drawWall<Anchor::top>(*this, depth1, lateral1, depth2, lateral2, topHeight,
                                     bottomHeight, segAngle, textureName, xOffset, yOffset,
                                     perpDistance, alongOffset, light, band);
    }
    return drawWall<Anchor::bottom>(*this, depth1, lateral1, depth2, lateral2, topHeight,
                                    bottomHeight, segAngle, textureName, xOffset, yOffset,
                                    perpDistance, alongOffset, light, band);
}

int16_t Renderer::drawWallFromTop(int16_t depth1, int16_t lateral1, int16_t depth2,
                                  int16_t lateral2, int16_t topHeight, int16_t bottomHeight,
                                  int16_t segAngle, const char* textureName, int32_t xOffset,
                                  int16_t yOffset, int32_t perpDistance, int32_t alongOffset,
                                  WallLight light) {
    RowBand wholeFrame;
    const int16_t drawn = drawWallPiece(WallAnchor::top, depth1, lateral1, depth2, lateral2,
                                        topHeight, bottomHeight, segAngle, textureName, xOffset,
                                        yOffset, perpDistance, alongOffset, light, wholeFrame);
    pixelsWritten += wholeFrame.pixelsWritten;
    return drawn;
}

int16_t Renderer::drawWallFromBottom(int16_t depth1, int16_t lateral1, int16_t depth2,
                                     int16_t lateral2, int16_t topHeight, int16_t bottomHeight,
                                     int16_t segAngle, const char* textureName, int32_t xOffset,
                                     int16_t yOffset, int32_t perpDistance, int32_t alongOffset,
                                     WallLight light) {
    RowBand wholeFrame;
    const int16_t drawn = drawWallPiece(WallAnchor::bottom, depth1, lateral1, depth2, lateral2,
                                        topHeight, bottomHeight, segAngle, textureName, xOffset,
                                        yOffset, perpDistance, alongOffset, light, wholeFrame);
    pixelsWritten += wholeFrame.pixelsWritten;
    return drawn;
}

}  // namespace brindle
