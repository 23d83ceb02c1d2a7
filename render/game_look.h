// What the game look keeps from frame to frame.
#pragma once

#include "render/plane_cells.h"
#include "render/planes.h"
#include "render/sky.h"

namespace brindle {

struct GameLookState {
    PlaneCells cells;
    SkyBackdrop sky;
    PlaneDrawer planes;
    bool skyShown = false;  // the map has a sky texture, this frame
};

}  // namespace brindle
