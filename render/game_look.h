// What the game look keeps from frame to frame.
#pragma once

#include <cstdint>
#include <vector>

#include "render/plane_cells.h"
#include "render/planes.h"
#include "render/sky.h"

namespace brindle {

struct GameLookState {
    PlaneCells cells;
    SkyBackdrop sky;
    PlaneDrawer planes;
    bool skyShown = false;  // the map has a sky texture, this frame

    // The flats of each sector, looked up once a frame (by name, which takes a hash).
    struct SectorFlats {
        uint64_t frame = 0;
        const uint8_t* floor = nullptr;
        const uint8_t* ceiling = nullptr;
        bool skyCeiling = false;
    };
    std::vector<SectorFlats> sectorFlats;
    uint64_t frame = 0;
};

}  // namespace brindle
