// The game-look frame: the sky above the horizon, then the tree back to front, each subsector
// drawing its floor, its ceiling (or sky) and its lit walls, nearer ones over farther ones.
#include <cstring>

#include "render/game_look.h"
#include "render/renderer.h"

namespace brindle {

void Renderer::renderGameFrame() {
    pixelsWritten = 0;
    clearFrame(0);
    if (!gameLook) {
        gameLook = std::make_unique<GameLookState>();
    }
    GameLookState& state = *gameLook;
    state.cells.fit(*archive);
    state.planes.beginFrame(*this);
    // The sky first, so that wherever no plane or wall is drawn above the horizon it shows.
    state.skyShown = state.sky.prepare(*this);
    if (state.skyShown) {
        for (int32_t y = 0; y < skyRows; ++y) {
            std::memcpy(frameBuffer + y * frameWidth + 1, state.sky.row(y) + 1, frameWidth - 1);
        }
        pixelsWritten += skyRows * (frameWidth - 1);
    }
    if (archive->rootNode < 0) {
        drawGameSubsector(0);  // a level without nodes is its subsector 0
        return;
    }
    visitBackToFront(static_cast<uint16_t>(archive->rootNode),
                     [this](int16_t subsector) { drawGameSubsector(subsector); });
}

void Renderer::drawGameSubsector(int16_t subsector) {
    GameLookState& state = *gameLook;
    const int16_t sectorIndex = sectorOfSubsector(subsector);
    if (sectorIndex >= 0) {
        const Sector& sector = archive->sectors[static_cast<size_t>(sectorIndex)];
        const PlaneCell& cell = state.cells.cell(subsector);
        const int32_t startMap = startMapOf(lightBand(sector.lightLevel));
        if (sector.floorHeight < viewHeight) {
            if (const uint8_t* flat = archive->findFlat(sector.floorFlat)) {
                state.planes.draw(*this, state.cells, cell, PlaneKind::floor, sector.floorHeight,
                                  PlaneSurface{flat, startMap, nullptr});
            }
        }
        if (sector.ceilingHeight > viewHeight) {
            if (isSkyFlat(sector.ceilingFlat)) {
                if (state.skyShown) {
                    state.planes.draw(*this, state.cells, cell, PlaneKind::ceiling,
                                      sector.ceilingHeight, PlaneSurface{nullptr, 0, &state.sky});
                }
            } else if (const uint8_t* flat = archive->findFlat(sector.ceilingFlat)) {
                state.planes.draw(*this, state.cells, cell, PlaneKind::ceiling,
                                  sector.ceilingHeight, PlaneSurface{flat, startMap, nullptr});
            }
        }
    }
    drawSegs(subsector, Look::game);
}

}  // namespace brindle
