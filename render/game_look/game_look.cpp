// The game-look frame: the sky above the horizon, then the tree back to front, each subsector
// drawing its floor, its ceiling (or sky) and its lit walls, nearer ones over farther ones.
// No drawer reads the frame, so the same frame comes out when everything is drawn in the
// reverse order, each pixel stored only by the first drawer to reach it: that is how it is
// drawn, nearest first, with a mask of the pixels covered so far, so that hidden surfaces cost
// little and their rows of planes nothing. For the same reason two bands of rows can be drawn
// at once, one thread each, and give the same pixels as one.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "render/game_look/game_look.h"
#include "render/renderer.h"

namespace brindle {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int32_t lowestSplit = 8;
constexpr int32_t highestSplit = frameHeight - 9;

// The split that would have given the last frame's two bands equal times, were each band's
// time spread evenly over its rows; the split moves half of the way there, so that a frame
// slowed by something else does not throw it far.
int32_t balancedSplit(int32_t split, Clock::duration first, Clock::duration second) {
    const double firstTime = std::chrono::duration<double>(first).count();
    const double secondTime = std::chrono::duration<double>(second).count();
    if (firstTime <= 0 || secondTime <= 0) {
        return split;
    }
    double move = 0;
    if (firstTime > secondTime) {
        move = -(split + 1) * (1 - secondTime / firstTime) / 2;
    } else {
        move = (frameHeight - 1 - split) * (1 - firstTime / secondTime) / 2;
    }
    return std::clamp(split + static_cast<int32_t>(std::lround(move / 2)), lowestSplit,
                      highestSplit);
}

}  // namespace

void Renderer::renderGameFrame() {
    pixelsWritten = 0;
    if (!gameLook) {
        gameLook = std::make_unique<GameLookState>();
    }
    GameLookState& state = *gameLook;
    state.cells.fit(*archive);
    ++state.frame;
    state.skyShown = state.sky.prepare(*this);
    state.boxes.fit(*archive, &state.cells);

    // With things to draw over it, the frame keeps who stored each pixel.
    const bool things = drawThings && !archive->things.empty();
    if (things) {
        state.things.place(*this);
        state.planeOwners.fit(state.things.reach());
    }
    for (size_t b = 0; b < state.bands.size(); ++b) {
        SurfaceOwners& owners = state.bands[b].owners;
        owners.planes = &state.planeOwners;
        owners.bandBit = b == 0 ? 0 : SurfaceOwners::secondBand;
        owners.beginFrame();
    }

    // Bands of rows rather than of columns: each plane row is then worked out by one thread.
    const int32_t split = std::clamp(splitRow, lowestSplit, highestSplit);
    state.bands[0].rows = RowBand{0, split, 0};
    state.bands[1].rows = RowBand{split + 1, frameHeight - 1, 0};
    Clock::duration helperTime{};
    const auto helperBand = [this, &helperTime] {
        const Clock::time_point start = Clock::now();
        drawGameBand(1);
        helperTime = Clock::now() - start;
    };
    if (frameThreads < 2 || !state.helper.start(helperBand)) {
        state.bands[0].rows = RowBand{};
        drawGameBand(0);
        pixelsWritten = state.bands[0].rows.pixelsWritten;
        if (things) {
            drawGameThings(frameHeight - 1);
        }
        return;
    }
    const Clock::time_point start = Clock::now();
    try {
        drawGameBand(0);
    } catch (...) {
        state.helper.finish();  // the helper's band is done before the frame is given up
        throw;
    }
    const Clock::duration ownTime = Clock::now() - start;
    state.helper.finish();
    pixelsWritten = state.bands[0].rows.pixelsWritten + state.bands[1].rows.pixelsWritten;
    splitRow = balancedSplit(split, ownTime, helperTime);
    if (things) {
        drawGameThings(split);
    }
}

// The things, over the whole finished frame, on this thread: a shadow thing reads the row above
// each of its pixels, which may lie in the other band.
void Renderer::drawGameThings(int32_t firstBandLast) {
    GameLookState& state = *gameLook;
    FrameOwners owners;
    owners.planes = &state.planeOwners;
    owners.firstBandLast = firstBandLast;
    for (size_t b = 0; b < state.bands.size(); ++b) {
        state.bands[b].owners.gatherRunsByColumn();
        owners.bands[b] = &state.bands[b].owners;
        owners.coverage[b] = &state.bands[b].coverage;
        owners.bandFull[b] = state.bands[b].coverage.full();
    }
    pixelsWritten += state.things.draw(*this, owners);
}

void Renderer::drawGameBand(int bandIndex) {
    GameLookState& state = *gameLook;
    GameBand& band = state.bands[static_cast<size_t>(bandIndex)];
    const RowBand& rows = band.rows;
    band.sectorFlats.resize(archive->sectors.size());
    band.planes.beginFrame(*this);
    band.rows.coverage = &band.coverage;
    band.rows.owners = !drawThings || archive->things.empty() ? nullptr : &band.owners;
    band.coverage.clearRows(rows.first, rows.last);
    std::memset(frameBuffer + rows.first * frameWidth, 0,
                static_cast<size_t>((rows.last - rows.first + 1) * frameWidth));
    const auto draw = [&](int32_t subsector) { drawGameSubsector(subsector, bandIndex); };
    if (archive->rootNode < 0) {
        draw(0);  // a level without nodes is its subsector 0
    } else {
        visitFrontToBack(static_cast<uint32_t>(archive->rootNode), state.boxes, band.rows, draw);
    }
    // The sky, drawn first in painter's terms, shows wherever nothing else is above the horizon.
    if (state.skyShown) {
        const int32_t last = std::min(rows.last, skyRows - 1);
        for (int32_t y = rows.first; y <= last; ++y) {
            uint8_t* out = frameBuffer + y * frameWidth;
            const uint8_t* sky = state.sky.row(y);
            band.coverage.coverRow(y, 1, frameWidth - 1, [&](int32_t first, int32_t end) {
                std::memcpy(out + first, sky + first, static_cast<size_t>(end - first + 1));
                if (band.rows.owners != nullptr) {
                    band.owners.mark(y, first, end, SurfaceOwners::sky);
                }
                band.rows.pixelsWritten += end - first + 1;
            });
        }
    }
}

// One subsector, nearest first: its walls, then its ceiling (or sky), then its floor.
void Renderer::drawGameSubsector(int32_t subsector, int bandIndex) {
    GameLookState& state = *gameLook;
    GameBand& band = state.bands[static_cast<size_t>(bandIndex)];
    band.owners.subsector = subsector;
    drawSegs(subsector, Look::game, band.rows);
    const int32_t sectorIndex = sectorOfSubsector(subsector);
    if (sectorIndex < 0) {
        return;
    }
    const Sector& sector = archive->sectors[static_cast<size_t>(sectorIndex)];
    GameBand::SectorFlats& flats = band.sectorFlats[static_cast<size_t>(sectorIndex)];
    if (flats.frame != state.frame) {
        flats.frame = state.frame;
        flats.floor = archive->findFlat(sector.floorFlat);
        flats.skyCeiling = isSkyFlat(sector.ceilingFlat);
        flats.ceiling = flats.skyCeiling ? nullptr : archive->findFlat(sector.ceilingFlat);
    }
    const PlaneCell& cell = state.cells.cell(subsector);
    const int32_t startMap = startMapOf(lightBand(sector.lightLevel));
    if (sector.ceilingHeight > viewHeight) {
        if (flats.skyCeiling && state.skyShown) {
            band.planes.draw(*this, state.cells, cell, PlaneKind::ceiling, sector.ceilingHeight,
                             PlaneSurface{nullptr, 0, &state.sky}, band.rows);
        } else if (flats.ceiling != nullptr) {
            band.planes.draw(*this, state.cells, cell, PlaneKind::ceiling, sector.ceilingHeight,
                             PlaneSurface{flats.ceiling, startMap, nullptr}, band.rows);
        }
    }
    if (sector.floorHeight < viewHeight && flats.floor != nullptr) {
        band.planes.draw(*this, state.cells, cell, PlaneKind::floor, sector.floorHeight,
                         PlaneSurface{flats.floor, startMap, nullptr}, band.rows);
    }
}

}  // namespace brindle
