// Storing one span of a flat-textured plane row: the texels of the map points the row's depth
// and each column's lateral offset give, through one colour map.
#pragma once

#include <cstdint>

#include "render/game_look/planes.h"

namespace brindle {

void drawFlatSpan(uint8_t* out, const PlaneRow& row, const PlaneView& view, int32_t first,
                  int32_t last, const uint8_t* flat, const uint8_t* colorMap);

}  // namespace brindle
