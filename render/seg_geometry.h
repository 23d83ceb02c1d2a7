// The per-seg measurements that let the wall drawers map screen columns to texture columns.
#pragma once

#include <cstdint>

#include "render/renderer.h"

namespace brindle {

struct SegGeometry {
    int16_t bearing;        // angle of the seg's start vertex seen from the viewer
    int16_t relativeAngle;  // the seg's left normal relative to the view direction
    int32_t startDistance;  // viewer to start vertex (negative when nearly beside the viewer)
    int32_t perpDistance;   // viewer to the seg's line; positive on the seg's front side
    int32_t alongOffset;    // start vertex along the seg, from the foot of that perpendicular
};

// Measures a seg with the given start vertex (in view space) and direction against the
// renderer's current view.
SegGeometry measureSeg(const Renderer& renderer, ViewVertex start, int16_t segAngle);

}  // namespace brindle
