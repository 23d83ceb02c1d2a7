// How a wall piece's columns are filled once projected: each screen column receives one run of
// rows down one texture column, its texel accumulator stepped per row; neighbouring columns are
// drawn four at a time. Where the game look draws nearest first, a run stores only the pixels
// its band's coverage mask leaves open.
#pragma once

#include <algorithm>
#include <cstdint>

#include "render/fixed_math.h"
#include "render/game_look/coverage.h"
#include "render/pixel_loop.h"
#include "render/renderer.h"

namespace brindle::wall_columns {

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
template <WallAnchor anchor>
void setColumnRun(ColumnRun& run, int32_t top, int32_t bottom, int32_t q, int32_t anchorT,
                  int32_t heightFixed, const uint8_t* texels) {
    run.texels = texels;
    run.step = static_cast<uint32_t>(wrapTo(q, heightFixed));
    if constexpr (anchor == WallAnchor::top) {
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
struct Painted {
    static constexpr bool masked = false;
};
struct Masked {
    static constexpr bool masked = true;
};

// Draws rows from..to - 1 of a run whose accumulator stands at row `from`, and moves it on.
// A masked run counts the pixels it stores.
template <typename Light, typename Store, bool powerOfTwoHeight>
BRINDLE_PIXEL_LOOP void drawRows(uint8_t* frame, CoverageMask* coverage, int64_t& stored,
                                 ColumnRun& run, typename Light::Shade shade,
                                 TexelWalk<powerOfTwoHeight> walk, int32_t from, int32_t to) {
    uint8_t* pixel = frame + from * frameWidth + run.column;
    uint32_t t = run.t;
    if constexpr (Store::masked) {
        if (from < to) {
            uint64_t* word = coverage->rowWords(from) + (run.column >> 6);
            const uint64_t bit = uint64_t{1} << (run.column & 63);
            int32_t covered = 0;
            for (int32_t r = from; r < to; ++r) {
                if ((*word & bit) == 0) {
                    *word |= bit;
                    *pixel = Light::apply(shade, walk.texel(run.texels, t));
                    coverage->coveredInRow(r, 1);
                    ++covered;
                }
                word += CoverageMask::wordsPerRow;
                pixel += frameWidth;
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
BRINDLE_PIXEL_LOOP void drawGroup(uint8_t* frame, CoverageMask* coverage, int64_t& stored,
                                  ColumnRun (&runs)[groupWidth],
                                  const typename Light::Shade (&shades)[groupWidth],
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
            drawRows<Light, Store>(frame, coverage, stored, runs[k], shades[k], walk, runs[k].first,
                                   runs[k].end);
        }
        return;
    }
    for (int k = 0; k < groupWidth; ++k) {
        drawRows<Light, Store>(frame, coverage, stored, runs[k], shades[k], walk, runs[k].first,
                               sharedFirst);
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
        int32_t allFour = 0;  // rows stored in all four columns; the others one by one
        int32_t storedAlone[groupWidth] = {};
        for (int32_t r = sharedFirst; r < sharedEnd; ++r) {
            const uint64_t covered = *word & bits;
            if (covered == 0) {
                pixel[0] = Light::apply(shadeA, walk.texel(texelsA, ta));
                pixel[1] = Light::apply(shadeB, walk.texel(texelsB, tb));
                pixel[2] = Light::apply(shadeC, walk.texel(texelsC, tc));
                pixel[3] = Light::apply(shadeD, walk.texel(texelsD, td));
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
        drawRows<Light, Store>(frame, coverage, stored, runs[k], shades[k], walk, sharedEnd,
                               runs[k].end);
    }
}

}  // namespace brindle::wall_columns
