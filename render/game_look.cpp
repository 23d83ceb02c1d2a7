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
    ++state.frame;
    state.sectorFlats.resize(archive->sectors.size());
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
        GameLookState::SectorFlats& flats = state.sectorFlats[static_cast<size_t>(sectorIndex)];
        if (flats.frame != state.frame) {
            flats.frame = state.frame;
            flats.floor = archive->findFlat(sector.floorFlat);
            flats.skyCeiling = isSkyFlat(sector.ceilingFlat);
            flats.ceiling = flats.skyCeiling ? nullptr : archive->findFlat(sector.ceilingFlat);
        }
        const PlaneCell& cell = state.cells.cell(subsector);
        const int32_t startMap = startMapOf(lightBand(sector.lightLevel));
        if (sector.floorHeight < viewHeight && flats.floor != nullptr) {
            state.planes.draw(*this, state.cells, cell, PlaneKind::floor, sector.floorHeight,
                              PlaneSurface{flats.floor, startMap, nullptr});
        }
        if (sector.ceilingHeight > viewHeight) {
            if (flats.skyCeiling && state.skyShown) {
                state.planes.draw(*this, state.cells, cell, PlaneKind::ceiling,
                                  sector.ceilingHeight, PlaneSurface{nullptr, 0, &state.sky});
            } else if (flats.ceiling != nullptr) {
                state.planes.draw(*this, state.cells, cell, PlaneKind::ceiling,
                                  sector.ceilingHeight,
                                  PlaneSurface{flats.ceiling, startMap, nullptr});
            }
        }
    }
    drawSegs(subsector, Look::game);
}

}  // namespace brindle
