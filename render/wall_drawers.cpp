// The two textured wall drawers: project one wall piece, then fill it column by column,
// sampling one texture column per screen column. drawWallFromTop anchors the texture at the
// piece's upper edge and fills downwards; drawWallFromBottom anchors it at the lower edge and
// fills upwards.
#include <algorithm>
#include <cstring>
#include <type_traits>

#include "render/fixed_math.h"
#include "render/game_look/coverage.h"
#include "render/game_look/lighting.h"
#include "render/game_look/surface_owners.h"
#include "render/projection.h"
#include "render/renderer.h"

namespace brindle {

namespace {

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

// Whether a positive n is a power of two. (std::has_single_bit becomes a library call on
// processors assumed to lack a popcount instruction.)
constexpr bool isPowerOfTwo(int32_t n) {
    return (n & (n - 1)) == 0;
}

// The non-negative remainder of x by a positive modulus: the same value as adding or
// subtracting the modulus until x lies in range. Texture sizes are mostly powers of two, for
// which the remainder is a mask.
int32_t wrapTo(int32_t x, int32_t modulus) {
    if (isPowerOfTwo(modulus)) {
        return x & (modulus - 1);
    }
    const int32_t rest = x % modulus;
    return rest < 0 ? rest + modulus : rest;
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

// The rows one screen column receives, as a run drawn top to bottom: rows first to end - 1,
// with the texel accumulator t (18.14) at row `first` and its step per row. Empty when
// end <= first.
struct ColumnRun {
    int32_t column;
    int32_t first;
    int32_t end;
    uint32_t t;
    uint32_t step;
    const uint8_t* texels;  // the chosen texture column
};

// What a texel becomes on the screen. The plain frame shows texels as they are; the game look
// passes them through each column's colour map, its shade. A policy type rather than a flag,
// so that the unlit drawers stay exactly as they were: their shade is empty.
struct Unlit {
    struct Shade {};
    static uint8_t apply(Shade, uint8_t texel) { return texel; }
};
struct Lit {
    using Shade = const uint8_t*;
    static uint8_t apply(Shade colorMap, uint8_t texel) { return colorMap[texel]; }
};

// How a run's texel accumulator walks down one texture column of a piece. The accumulator
// stays below the column's height in 18.14 and wraps to its top. When the height is a power of
// two, so is the height in 18.14, and it divides 2^32: the wrap is left to unsigned 32-bit
// overflow and a mask picks the row, which gives the same texels without a compare per row;
// otherwise each step compares and subtracts once (the step itself is already reduced below the
// height).
template <bool powerOfTwoHeight>
struct TexelWalk {
    uint32_t heightFixed;

    uint8_t texel(const uint8_t* texels, uint32_t t) const {
        if constexpr (powerOfTwoHeight) {
            return texels[(t & (heightFixed - 1)) >> 14];
        } else {
            return texels[t >> 14];
        }
    }
    uint32_t next(uint32_t t, uint32_t step) const {
        t += step;
        if constexpr (powerOfTwoHeight) {
            return t;
        } else {
            return t >= heightFixed ? t - heightFixed : t;
        }
    }
};

// The run of one column whose edges lie at `top` and `bottom` (18.14), with texel step q and
// the accumulator's value at the anchored edge already reduced. drawWallFromTop anchors the
// texture at the upper edge and leaves out the lower edge's row; drawWallFromBottom anchors it
// at the lower edge and includes that row. Rows outside the frame move the accumulator as if
// they had been drawn. Both come out as a downward run: for the lower-edge anchor, t at the top
// row is the anchor's value less q for every row above it. The run is filled in place:
// building it elsewhere and copying it in costs a store-forwarding stall per column.
template <Anchor anchor>
void setColumnRun(ColumnRun& run, int32_t top, int32_t bottom, int32_t q, int32_t anchorT,
                  int32_t heightFixed, const uint8_t* texels) {
    run.texels = texels;
    run.step = static_cast<uint32_t>(wrapTo(q, heightFixed));
    if constexpr (anchor == Anchor::top) {
        int32_t t = anchorT;
        run.first = shr32(top, 14);
        if (run.first < 0) {
            t = wrapTo(add32(t, mul32(-run.first, q)), heightFixed);
            run.first = 0;
        }
        run.t = static_cast<uint32_t>(t);
        run.end = std::min(shr32(bottom, 14), frameHeight);
    } else {
        int32_t t = anchorT;
        int32_t last = shr32(bottom, 14);
        if (last > frameHeight - 1) {
            t = wrapTo(sub32(t, mul32(last - (frameHeight - 1), q)), heightFixed);
            last = frameHeight - 1;
        }
        run.first = std::max(shr32(top, 14), 0);
        run.end = last + 1;
        if (run.end > run.first) {
            // At most 399 rows of at most 2^20 each: the product and difference fit 32 bits.
            run.t = static_cast<uint32_t>(wrapTo(t - (last - run.first) * q, heightFixed));
        }
    }
}

// Keeps the part of a run that lies in the band's rows, its accumulator moved on over the rows
// left out above as if they had been drawn. The accumulator and its step lie below the
// column's height in 18.14, so n steps of it are a sum taken modulo that height (which also
// gives the texels of the walk that leaves power-of-two wraps to 32-bit overflow).
void keepBandRows(ColumnRun& run, const RowBand& band, int32_t heightFixed) {
    if (run.first < band.first && run.end > band.first) {
        const uint64_t skipped = static_cast<uint64_t>(band.first - run.first);
        run.t = static_cast<uint32_t>((run.t + skipped * run.step) %
                                      static_cast<uint64_t>(heightFixed));
    }
    run.first = std::max(run.first, band.first);
    run.end = std::min(run.end, band.last + 1);
}

// Where a piece may store its pixels: anywhere, each piece over the ones drawn before it; or,
// when the pieces come nearest first, only where the coverage mask says nothing is drawn yet,
// covering what it stores. The accumulators move on over covered rows all the same.
// With things to draw over the frame, a masked piece also marks the pixels it stores as its own.
struct Painted {
    static constexpr bool masked = false;
    static constexpr bool owned = false;
};
struct Masked {
    static constexpr bool masked = true;
    static constexpr bool owned = false;
};
struct MaskedOwned {
    static constexpr bool masked = true;
    static constexpr bool owned = true;
};

// Where a piece marks its pixels: the frame-sized owner map and its number.
struct OwnerMark {
    uint16_t* pixels = nullptr;
    uint16_t id = 0;
};

// Draws rows from..to - 1 of a run whose accumulator stands at row `from`, and moves it on.
// A masked run counts the pixels it stores.
template <typename Light, typename Store, bool powerOfTwoHeight>
void drawRows(uint8_t* frame, CoverageMask* coverage, OwnerMark owner, int64_t& stored,
              ColumnRun& run, typename Light::Shade shade, TexelWalk<powerOfTwoHeight> walk,
              int32_t from, int32_t to) {
    uint8_t* pixel = frame + from * frameWidth + run.column;
    uint32_t t = run.t;
    if constexpr (Store::masked) {
        if (from < to) {
            uint64_t* word = coverage->rowWords(from) + (run.column >> 6);
            const uint64_t bit = uint64_t{1} << (run.column & 63);
            uint16_t* owned =
                Store::owned ? owner.pixels + from * frameWidth + run.column : nullptr;
            int32_t covered = 0;
            for (int32_t r = from; r < to; ++r) {
                if ((*word & bit) == 0) {
                    *word |= bit;
                    *pixel = Light::apply(shade, walk.texel(run.texels, t));
                    if constexpr (Store::owned) {
                        *owned = owner.id;
                    }
                    coverage->coveredInRow(r, 1);
                    ++covered;
                }
                word += CoverageMask::wordsPerRow;
                pixel += frameWidth;
                if constexpr (Store::owned) {
                    owned += frameWidth;
                }
                t = walk.next(t, run.step);
            }
            coverage->coveredInColumn(run.column, covered);
            stored += covered;
        }
    } else {
        for (int32_t r = from; r < to; ++r) {
            *pixel = Light::apply(shade, walk.texel(run.texels, t));
            pixel += frameWidth;
            t = walk.next(t, run.step);
        }
    }
    run.t = t;
}

constexpr int groupWidth = 4;
// How many of a group's four columns a 4-bit mask of open columns names.
constexpr int32_t openColumns[16] = {0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4};

// Draws the runs of four neighbouring columns of one piece. Rows that all four share are drawn
// across the four at once, so that each frame row's cache line is visited once rather than four
// times and the four accumulators advance side by side; the rest of each run is drawn column by
// column. Every pixel gets the same value either way.
template <typename Light, typename Store, bool powerOfTwoHeight>
void drawGroup(uint8_t* frame, CoverageMask* coverage, OwnerMark owner, int64_t& stored,
               ColumnRun (&runs)[groupWidth], const typename Light::Shade (&shades)[groupWidth],
               TexelWalk<powerOfTwoHeight> walk) {
    int32_t sharedFirst = runs[0].first;
    int32_t sharedEnd = runs[0].end;
    for (const ColumnRun& run : runs) {
        sharedFirst = std::max(sharedFirst, run.first);
        sharedEnd = std::min(sharedEnd, run.end);
    }
    // The four columns' coverage bits lie in one word unless the group straddles two.
    const int32_t bitOffset = runs[0].column & 63;
    if (sharedFirst >= sharedEnd || (Store::masked && bitOffset > 64 - groupWidth)) {
        for (int k = 0; k < groupWidth; ++k) {
            drawRows<Light, Store>(frame, coverage, owner, stored, runs[k], shades[k], walk,
                                   runs[k].first, runs[k].end);
        }
        return;
    }
    for (int k = 0; k < groupWidth; ++k) {
        drawRows<Light, Store>(frame, coverage, owner, stored, runs[k], shades[k], walk,
                               runs[k].first, sharedFirst);
    }
    uint32_t ta = runs[0].t, tb = runs[1].t, tc = runs[2].t, td = runs[3].t;
    const uint8_t *texelsA = runs[0].texels, *texelsB = runs[1].texels, *texelsC = runs[2].texels,
                  *texelsD = runs[3].texels;
    const uint32_t stepA = runs[0].step, stepB = runs[1].step, stepC = runs[2].step,
                   stepD = runs[3].step;
    const typename Light::Shade shadeA = shades[0], shadeB = shades[1], shadeC = shades[2],
                                shadeD = shades[3];
    uint8_t* pixel = frame + sharedFirst * frameWidth + runs[0].column;
    if constexpr (Store::masked) {
        uint64_t* word = coverage->rowWords(sharedFirst) + (runs[0].column >> 6);
        const uint64_t bits = uint64_t{0xF} << bitOffset;
        // The four columns' owner numbers in one 64-bit store.
        uint16_t* owned =
            Store::owned ? owner.pixels + sharedFirst * frameWidth + runs[0].column : nullptr;
        const uint64_t fourOwners = uint64_t{owner.id} * 0x0001000100010001u;
        int32_t allFour = 0;  // rows stored in all four columns; the others one by one
        int32_t storedAlone[groupWidth] = {};
        for (int32_t r = sharedFirst; r < sharedEnd; ++r) {
            const uint64_t covered = *word & bits;
            if (covered == 0) {
                pixel[0] = Light::apply(shadeA, walk.texel(texelsA, ta));
                pixel[1] = Light::apply(shadeB, walk.texel(texelsB, tb));
                pixel[2] = Light::apply(shadeC, walk.texel(texelsC, tc));
                pixel[3] = Light::apply(shadeD, walk.texel(texelsD, td));
                if constexpr (Store::owned) {
                    std::memcpy(owned, &fourOwners, sizeof fourOwners);
                }
                *word |= bits;
                coverage->coveredInRow(r, groupWidth);
                ++allFour;
            } else if (covered != bits) {
                // Some of the four are covered (rare: at the edges of nearer surfaces).
                const uint64_t open = ~*word >> bitOffset;
                const uint32_t t[groupWidth] = {ta, tb, tc, td};
                for (int k = 0; k < groupWidth; ++k) {
                    if ((open >> k) & 1) {
                        pixel[k] = Light::apply(shades[k], walk.texel(runs[k].texels, t[k]));
                        if constexpr (Store::owned) {
                            owned[k] = owner.id;
                        }
                        ++storedAlone[k];
                    }
                }
                coverage->coveredInRow(r, openColumns[open & 0xF]);
                *word |= bits;
            }
            ta = walk.next(ta, stepA);
            tb = walk.next(tb, stepB);
            tc = walk.next(tc, stepC);
            td = walk.next(td, stepD);
            word += CoverageMask::wordsPerRow;
            pixel += frameWidth;
            if constexpr (Store::owned) {
                owned += frameWidth;
            }
        }
        const int32_t column = runs[0].column;
        for (int k = 0; k < groupWidth; ++k) {
            coverage->coveredInColumn(column + k, allFour + storedAlone[k]);
            stored += allFour + storedAlone[k];
        }
    } else {
        for (int32_t r = sharedFirst; r < sharedEnd; ++r) {
            pixel[0] = Light::apply(shadeA, walk.texel(texelsA, ta));
            pixel[1] = Light::apply(shadeB, walk.texel(texelsB, tb));
            pixel[2] = Light::apply(shadeC, walk.texel(texelsC, tc));
            pixel[3] = Light::apply(shadeD, walk.texel(texelsD, td));
            ta = walk.next(ta, stepA);
            tb = walk.next(tb, stepB);
            tc = walk.next(tc, stepC);
            td = walk.next(td, stepD);
            pixel += frameWidth;
        }
    }
    runs[0].t = ta;
    runs[1].t = tb;
    runs[2].t = tc;
    runs[3].t = td;
    for (int k = 0; k < groupWidth; ++k) {
        drawRows<Light, Store>(frame, coverage, owner, stored, runs[k], shades[k], walk, sharedEnd,
                               runs[k].end);
    }
}

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
    OwnerMark owner;
    if constexpr (Store::owned) {
        owner = {band.owners->pixels, band.owners->current};
    }
    int64_t written = 0;  // the pixels of the runs
    int64_t stored = 0;   // of those, the pixels a masked piece stores
    ColumnRun group[groupWidth];
    typename Light::Shade shades[groupWidth] = {};
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
        }
        if (grouped == groupWidth) {
            // Owners are marked only in the columns things may reach.
            if (Store::owned && !band.owners->reaches(group[0].column) &&
                !band.owners->reaches(group[groupWidth - 1].column) &&
                !band.owners->reaches(group[1].column) && !band.owners->reaches(group[2].column)) {
                drawGroup<Light, Masked>(r.frameBuffer, band.coverage, owner, stored, group, shades,
                                         walk);
            } else {
                drawGroup<Light, Store>(r.frameBuffer, band.coverage, owner, stored, group, shades,
                                        walk);
            }
            grouped = 0;
        }
        top = add32(top, piece.topStep);
        bottom = add32(bottom, piece.bottomStep);
        scale = add32(scale, piece.scaleStep);
    }
    for (int k = 0; k < grouped; ++k) {
        if (Store::owned && !band.owners->reaches(group[k].column)) {
            drawRows<Light, Masked>(r.frameBuffer, band.coverage, owner, stored, group[k],
                                    shades[k], walk, group[k].first, group[k].end);
        } else {
            drawRows<Light, Store>(r.frameBuffer, band.coverage, owner, stored, group[k], shades[k],
                                   walk, group[k].first, group[k].end);
        }
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
        owners.current = owners.add(wallOwner(r, owners.subsector, depth1, lateral1, depth2,
                                              lateral2, segAngle, textureName, piece));
        drawPiece<anchor, Lit, MaskedOwned>(r, piece, segAngle, xOffset, yOffset, perpDistance,
                                            alongOffset, light, band);
        if (band.pixelsWritten == before) {
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
