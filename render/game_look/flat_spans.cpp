// The span drawers of the planes, one per range of row depths: the general 64-bit loop, a
// table of texels for near rows, and 32-bit vector arithmetic for the rest.
#include "render/game_look/flat_spans.h"

#include <algorithm>

#include "render/pixel_loop.h"

namespace brindle {

namespace {

// The texel of a plane pixel is ((-wy) AND 63) * 64 + (wx AND 63) with
//   wx = (X >> 16), X = depthCos + viewX * 65536 - Lt * sin,
//   -wy = (N >> 16), N = 65535 - (depthSin + viewY * 65536) - Lt * cos,
// folding the view's position in before the shift (it is a whole multiple of 65536) and the
// negation too: -floor(Y / 65536) = floor((65535 - Y) / 65536). Only bits 16 to 21 of X and N
// count.
struct TexelTerms {
    int64_t x;
    int64_t negatedY;
};

TexelTerms texelTerms(const PlaneRow& row, const PlaneView& view) {
    return {row.depthCos + view.x * 65536, 65535 - (row.depthSin + view.y * 65536)};
}

// The 64-bit loop, for any row.
BRINDLE_PIXEL_LOOP void drawFlatSpanWide(uint8_t* out, const PlaneRow& row, const PlaneView& view,
                                         int32_t first, int32_t last, const uint8_t* flat,
                                         const uint8_t* colorMap) {
    // Held in locals: the frame's byte stores could otherwise make the compiler read them
    // again for every pixel.
    const TexelTerms terms = texelTerms(row, view);
    const int64_t step = row.step;
    const int64_t c = view.cos;
    const int64_t s = view.sin;
    int64_t across = (320 - first) * step;
    for (int32_t x = first; x <= last; ++x) {
        const int64_t lateral = across >> 16;
        across -= step;
        const int64_t mapX = terms.x - lateral * s;
        const int64_t negatedMapY = terms.negatedY - lateral * c;
        out[x] = colorMap[flat[((negatedMapY >> 10) & 0xFC0) | ((mapX >> 16) & 63)]];
    }
}

// Rows nearer than 554 (step below 65536) move the lateral offset by 0 or 1 from column to
// column, and one offset less moves X by +sin and N by +cos exactly. So the texels of the
// span's offsets are tabulated with additions alone, and each column looks its offset up.
constexpr int64_t nearStepLimit = 65536;

// Where a span's shaded texels are kept before they are copied to the frame: half a page away,
// in the low 12 bits of the address, from the frame pixels they are copied to. A load whose
// address matches a pending store's in those bits waits for the store, and a buffer on the stack
// fell wherever the callers' frames left it: some builds copied a third slower.
uint8_t* shadedTexelsFor(const uint8_t* firstPixel) {
    static thread_local uint8_t scratch[4096 + frameWidth];
    const uintptr_t offset =
        (reinterpret_cast<uintptr_t>(firstPixel) + 2048 - reinterpret_cast<uintptr_t>(scratch)) &
        4095;
    return scratch + offset;
}

BRINDLE_PIXEL_LOOP void drawFlatSpanNear(uint8_t* out, const PlaneRow& row, const PlaneView& view,
                                         int32_t first, int32_t last, const uint8_t* flat,
                                         const uint8_t* colorMap) {
    const TexelTerms terms = texelTerms(row, view);
    const int64_t step = row.step;
    const int64_t firstLateral = row.lateralAt(first);
    const int64_t count = firstLateral - row.lateralAt(last) + 1;
    uint8_t* const shaded = shadedTexelsFor(out + first);
    int64_t mapX = terms.x - firstLateral * view.sin;
    int64_t negatedMapY = terms.negatedY - firstLateral * view.cos;
    for (int64_t k = 0; k < count; ++k) {
        shaded[k] = colorMap[flat[((negatedMapY >> 10) & 0xFC0) | ((mapX >> 16) & 63)]];
        mapX += view.sin;
        negatedMapY += view.cos;
    }
    int64_t across = (320 - first) * step;
    for (int32_t x = first; x <= last; ++x) {
        out[x] = shaded[firstLateral - (across >> 16)];
        across -= step;
    }
}

// Rows whose step is below 2^22 (depths below about 35000) keep (320 - x) * step within 31
// bits, so the lateral offset is exact in 32 bits; X and N are then needed only modulo 2^32,
// which unsigned 32-bit arithmetic gives. Sixteen indices at a time, in a loop of fixed length
// that the compiler turns into vector instructions, then the texels.
constexpr int64_t narrowStepLimit = int64_t{1} << 22;
constexpr int32_t chunk = 16;

BRINDLE_PIXEL_LOOP void drawFlatSpanNarrow(uint8_t* out, const PlaneRow& row, const PlaneView& view,
                                           int32_t first, int32_t last, const uint8_t* flat,
                                           const uint8_t* colorMap) {
    const TexelTerms terms = texelTerms(row, view);
    const int32_t step = static_cast<int32_t>(row.step);
    const uint32_t termX = static_cast<uint32_t>(terms.x);
    const uint32_t termY = static_cast<uint32_t>(terms.negatedY);
    const uint32_t c = static_cast<uint32_t>(view.cos);
    const uint32_t s = static_cast<uint32_t>(view.sin);
    uint16_t texel[chunk];
    for (int32_t x0 = first; x0 <= last; x0 += chunk) {
        for (int32_t k = 0; k < chunk; ++k) {
            const int32_t lateral = ((320 - x0 - k) * step) >> 16;
            const uint32_t mapX = termX - static_cast<uint32_t>(lateral) * s;
            const uint32_t negatedMapY = termY - static_cast<uint32_t>(lateral) * c;
            texel[k] = static_cast<uint16_t>(((negatedMapY >> 10) & 0xFC0) | ((mapX >> 16) & 63));
        }
        const int32_t n = std::min(chunk, last - x0 + 1);
        for (int32_t k = 0; k < n; ++k) {
            out[x0 + k] = colorMap[flat[texel[k]]];
        }
    }
}

}  // namespace

void drawFlatSpan(uint8_t* out, const PlaneRow& row, const PlaneView& view, int32_t first,
                  int32_t last, const uint8_t* flat, const uint8_t* colorMap) {
    if (row.step < nearStepLimit) {
        drawFlatSpanNear(out, row, view, first, last, flat, colorMap);
    } else if (row.step < narrowStepLimit) {
        drawFlatSpanNarrow(out, row, view, first, last, flat, colorMap);
    } else {
        drawFlatSpanWide(out, row, view, first, last, flat, colorMap);
    }
}

}  // namespace brindle
