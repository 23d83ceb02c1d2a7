// The renderer's arithmetic: 16- and 32-bit two's complement that wraps, division that
// truncates toward zero and right shifts that round toward minus infinity. Signed overflow
// is never relied on; the wrapping goes through unsigned arithmetic.
#pragma once

#include <cstdint>

namespace brindle {

// Keeps the low 16 bits of a value as a signed 16-bit number.
constexpr int16_t wrap16(int32_t v) {
    return static_cast<int16_t>(static_cast<uint16_t>(v));
}
constexpr int16_t wrap16(int64_t v) {
    return static_cast<int16_t>(static_cast<uint16_t>(v));
}

// Keeps the low 32 bits of a value as a signed 32-bit number.
constexpr int32_t wrap32(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

constexpr int32_t add32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
constexpr int32_t sub32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
constexpr int32_t mul32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
constexpr int32_t neg32(int32_t a) {
    return static_cast<int32_t>(0u - static_cast<uint32_t>(a));
}

// Truncating 32-bit division. The one quotient that does not fit (INT32_MIN / -1) wraps to
// INT32_MIN, as the hardware's two's-complement result would; division by zero is the
// caller's to avoid.
constexpr int32_t div32(int32_t a, int32_t b) {
    if (b == -1) {
        return neg32(a);
    }
    return a / b;
}

// Arithmetic right shift: the floor of a / 2^n.
constexpr int32_t shr32(int32_t a, int n) {
    return a >> n;
}

// Left shift without signed overflow: the low 32 bits of a * 2^n.
constexpr int32_t shl32(int32_t a, int n) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) << n);
}

// Quotients of 64-bit values by a positive divisor, rounded down and up.
constexpr int64_t floorDiv64(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}
constexpr int64_t ceilDiv64(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && a > 0) ? q + 1 : q;
}

}  // namespace brindle
