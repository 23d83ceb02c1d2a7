// Screen projection shared by the wall drawers and the floor fill: the near-plane clip at
// depth 1 and the perspective divide onto the 640 x 400 frame.
#pragma once

#include <cstdint>

#include "render/fixed_math.h"

namespace brindle {

constexpr int32_t centerColumn = 320;  // the view axis
constexpr int32_t horizonRow = 240;    // eye level sits 40 rows below the middle of the frame
constexpr int32_t projectionFactor = 554;
constexpr int16_t nearDepth = 1;

// Moves an end that lies in front of the near plane (depth < 1) onto it, sliding its lateral
// coordinate along the line towards the other end: first the first end, then the second.
// Returns false when both ends lie in front of the plane, leaving them unchanged.
// The interpolation is 32-bit and truncating; the new lateral keeps its low 16 bits.
inline bool clipToNearPlane(int16_t& depth1, int16_t& lateral1, int16_t& depth2,
                            int16_t& lateral2) {
    if (depth1 < nearDepth && depth2 < nearDepth) {
        return false;
    }
    // In each branch one depth is below 1 and the other at least 1, so the divisor is nonzero.
    if (depth1 < nearDepth) {
        if (lateral1 != lateral2) {
            const int32_t shift =
                div32(mul32(lateral2 - lateral1, nearDepth - depth1), depth2 - depth1);
            lateral1 = wrap16(add32(lateral1, shift));
        }
        depth1 = nearDepth;
    }
    if (depth1 >= nearDepth && depth2 < nearDepth) {
        if (lateral1 != lateral2) {
            const int32_t shift =
                div32(mul32(lateral2 - lateral1, nearDepth - depth1), depth2 - depth1);
            lateral2 = wrap16(add32(lateral1, shift));
        }
        depth2 = nearDepth;
    }
    return true;
}

// Screen column of a view-space point; depth must be at least 1.
constexpr int32_t projectColumn(int16_t lateral, int16_t depth) {
    return centerColumn - (lateral * projectionFactor) / depth;
}

// Screen row of a height relative to the eye, at a depth of at least 1.
constexpr int32_t projectRow(int32_t heightAboveEye, int16_t depth) {
    return horizonRow - (heightAboveEye * projectionFactor) / depth;
}

// Whether a wall between two view-space ends can reach the frame: not wholly in front of the
// near plane, not projecting onto a single column, not wholly left of column 0 or right of
// column 640. Every piece of a seg shares its ends, so one answer holds for all of them.
inline bool reachesFrame(int16_t depth1, int16_t lateral1, int16_t depth2, int16_t lateral2) {
    if (!clipToNearPlane(depth1, lateral1, depth2, lateral2)) {
        return false;
    }
    const int32_t x1 = projectColumn(lateral1, depth1);
    const int32_t x2 = projectColumn(lateral2, depth2);
    constexpr int32_t lastEdge = 640;  // ends beyond it on both sides miss the frame
    return !(x1 == x2 || (x1 < 0 && x2 < 0) || (x1 > lastEdge && x2 > lastEdge));
}

}  // namespace brindle
