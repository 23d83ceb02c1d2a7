// What the game look keeps from frame to frame.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "render/game_look/coverage.h"
#include "render/game_look/helper_thread.h"
#include "render/game_look/plane_cells.h"
#include "render/game_look/planes.h"
#include "render/game_look/sky.h"
#include "render/game_look/surface_owners.h"
#include "render/game_look/things.h"

namespace brindle {

// What one band of rows needs for itself while it is drawn beside the others.
struct GameBand {
    RowBand rows;
    CoverageMask coverage;  // of the band's rows
    PlaneDrawer planes;
    SurfaceOwners owners;  // of the band's pixels, while things are drawn

    // The flats of each sector, looked up once a frame (by name, which takes a hash).
    struct SectorFlats {
        uint64_t frame = 0;
        const uint8_t* floor = nullptr;
        const uint8_t* ceiling = nullptr;
        bool skyCeiling = false;
    };
    std::vector<SectorFlats> sectorFlats;
};

struct GameLookState {
    PlaneCells cells;
    SubtreeBoxes boxes;  // around the walls and the cells
    SkyBackdrop sky;
    bool skyShown = false;  // the map has a sky texture, this frame
    uint64_t frame = 0;
    std::array<GameBand, 2> bands;
    HelperThread helper;        // draws the second band
    PlaneOwnerMap planeOwners;  // which plane stored each pixel, with things on
    ThingDrawer things;
};

}  // namespace brindle
