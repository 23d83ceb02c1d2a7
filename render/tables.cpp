// The fixed-point trigonometric tables, the column angles, and the two measurements built on
// them: the angle of a vector and its length.
#include <array>
#include <cmath>
#include <cstdlib>

#include "render/fixed_math.h"
#include "render/renderer.h"

namespace brindle {

namespace {

// Pi to ten significant digits. The tables are built from this value, not the exact one, which
// is why the quarter-turn entries come out as -1 rather than 0.
constexpr double tablePi = 3.141592654;

// angleOf counts 33127.99992 units per half turn, a little more than the tables' 32768.
constexpr double angleOfHalfTurn = 33127.99992;

// floor(value * 65536) as a 32-bit entry. A product beyond 32 bits (only next to the tangent's
// poles) keeps the low 32 bits of its 64-bit integer value; a value beyond even 64 bits, which
// the tables never produce, is stored as 0 instead of being converted undefinedly.
int32_t fixedEntry(double value) {
    const double product = std::floor(value * 65536.0);
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (!(product >= -limit && product < limit)) {
        return 0;
    }
    return wrap32(static_cast<int64_t>(product));
}

struct Tables {
    std::array<int32_t, Renderer::tableSize> sine{};
    std::array<int32_t, Renderer::tableSize> cosine{};
    std::array<int32_t, Renderer::tableSize> tangent{};
    std::array<int16_t, frameWidth> columnAngles{};
};

Tables computeTables() {
    Tables tables;
    for (int i = 0; i < Renderer::tableSize; ++i) {
        const double x = (i * tablePi) / 4096;
        tables.sine[i] = fixedEntry(std::sin(x));
        tables.cosine[i] = fixedEntry(std::cos(x));
        tables.tangent[i] = fixedEntry(std::tan(x));
    }
    // Each column turns the ray by 1/960 of a quarter turn; truncated toward zero.
    for (int i = 0; i < frameWidth; ++i) {
        tables.columnAngles[i] = static_cast<int16_t>(((i - 320) * 16384) / 960.0);
    }
    return tables;
}

}  // namespace

// The tables are the same for every renderer, so they are computed once per process (the
// first renderer pays for the 24,576 function evaluations) and copied into each.
int16_t Renderer::buildTables() {
    static const Tables tables = computeTables();
    sineTable = tables.sine;
    cosineTable = tables.cosine;
    tangentTable = tables.tangent;
    columnAngles = tables.columnAngles;
    return 1;
}

int32_t Renderer::angleOf(int32_t y, int32_t x) const {
    const double r = std::atan2(static_cast<double>(y), static_cast<double>(x));
    // |r| <= pi, so the scaled value stays within +-33128 and the conversion is defined.
    return static_cast<int32_t>(r * angleOfHalfTurn / tablePi);
}

int32_t Renderer::distance(int32_t a, int32_t b) const {
    // 32-bit absolute values: INT32_MIN stays as it is, as two's complement negation leaves it.
    const int32_t lengthA = a < 0 ? neg32(a) : a;
    const int32_t lengthB = b < 0 ? neg32(b) : b;
    if (lengthB == 0) {
        return lengthA;
    }
    if (lengthA == 0) {
        return lengthB;
    }
    const int32_t cos = cosine(wrap16(angleOf(lengthB, lengthA)));
    // For non-negative lengths the angle stays within 0..16563, where no entry is 0; only the
    // wrapped INT32_MIN could reach one, and then the length along a is the answer.
    if (cos == 0) {
        return lengthA;
    }
    return div32(shl32(lengthA, 16), cos);
}

}  // namespace brindle
