// Sector lighting through the archive's colour maps. A sector's light level gives a band of 16;
// the band gives the colour map used up close, and each wall column or plane row moves from
// there toward brighter maps the nearer it is. Only maps 0 to 31 are used for light.
#pragma once

#include <algorithm>
#include <cstdint>

#include "render/fixed_math.h"
#include "wad/map_records.h"

namespace brindle {

constexpr int32_t brightestBand = 15;
constexpr int32_t darkestLitMap = 31;
constexpr int32_t nearestShade = 47;  // the largest depth shade, for what is very near

// The band of a light level: level / 16, held to 0..15.
constexpr int32_t lightBand(int32_t lightLevel) {
    return std::clamp(shr32(lightLevel, 4), 0, brightestBand);
}

// A wall's band: one darker when its linedef runs along x, one brighter along y, so that
// corners show.
constexpr int32_t wallLightBand(int32_t lightLevel, Vertex lineStart, Vertex lineEnd) {
    int32_t band = lightBand(lightLevel);
    if (lineStart.y == lineEnd.y) {
        band -= 1;
    } else if (lineStart.x == lineEnd.x) {
        band += 1;
    }
    return std::clamp(band, 0, brightestBand);
}

// The colour map of a band's farthest surfaces, before the depth shade moves it.
constexpr int32_t startMapOf(int32_t band) {
    return (brightestBand - band) * 4;
}

// The depth shade of a wall column from its projected size (rows per world unit).
constexpr int32_t wallDepthShade(int32_t rowsPerUnit) {
    return std::min(rowsPerUnit / 28, nearestShade);
}

// The depth shade of a plane row at depth D (always at least 2 on screen).
constexpr int32_t planeDepthShade(int64_t depth) {
    return static_cast<int32_t>(std::min<int64_t>(2560 / depth, nearestShade));
}

// The colour map for a start map and a depth shade.
constexpr int32_t litMap(int32_t startMap, int32_t shade) {
    return std::clamp(startMap - shade / 2, 0, darkestLitMap);
}

// How a wall piece is lit: unlit texels as they are (the plain frame), or through the colour
// maps from a start map.
struct WallLight {
    int32_t startMap = -1;  // negative: unlit
    constexpr bool lit() const { return startMap >= 0; }
};

}  // namespace brindle
