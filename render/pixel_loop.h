// Marks the innermost loops over pixels and what they call for every pixel. The fuzz build counts
// every branch taken for its coverage; inside these loops that bookkeeping costs more than the
// loops' own work, while branches taken row by row or pixel by pixel tell the fuzzer nothing that
// the code around them does not. Nor are their pointer sums checked for wrapping: they add at
// most 32-bit offsets to pointers into the frame and the tables, which cannot wrap the address
// space. AddressSanitizer still checks every access made through them.
#pragma once

#if defined(__clang__)
#define BRINDLE_PIXEL_LOOP __attribute__((no_sanitize("coverage", "pointer-overflow")))
#else
#define BRINDLE_PIXEL_LOOP
#endif
