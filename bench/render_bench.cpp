// Frame cost on freedoom1.wad's E1M1: renderFrame at the player start and at two viewpoints
// deeper in the map, and setView. Each frame's pixel stores (overdraw included) are reported
// with the time per stored pixel.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/viewer.h"
#include "render/renderer.h"
#include "wad/wad_archive.h"

namespace {

using brindle::Renderer;
using brindle::WadArchive;

constexpr const char* archivePath = "/usr/share/games/doom/freedoom1.wad";

struct Level {
    WadArchive archive;
    std::unique_ptr<Renderer> renderer;
    bool ready = false;
};

Level& level() {
    static Level l;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (l.archive.open(archivePath) == 1 && l.archive.loadLevel("E1M1") == 1) {
            l.renderer = std::make_unique<Renderer>(nullptr, &l.archive);
            l.ready = true;
        }
    }
    return l;
}

struct Viewpoint {
    int16_t x;
    int16_t y;
    int16_t angle;
};

Viewpoint viewpoint(int index) {
    Level& l = level();
    int16_t x = 0, y = 0, degrees = 0;
    l.archive.getPlayerStart(&x, &y, &degrees);
    switch (index) {
        case 0:
            return {x, y, static_cast<int16_t>(brindle::startAngleFromDegrees(degrees))};
        case 1:
            return {200, 304, 0};  // the corridor east of the start
        default:
            return {1000, 600, 16384};  // the room with the door, facing north
    }
}

void renderFrame(benchmark::State& state) {
    Level& l = level();
    if (!l.ready) {
        state.SkipWithError("freedoom1.wad E1M1 not available");
        return;
    }
    const Viewpoint v = viewpoint(static_cast<int>(state.range(0)));
    Renderer& r = *l.renderer;
    r.drawFloors = state.range(1) != 0;
    r.setView(v.x, v.y, v.angle);
    for (auto _ : state) {
        r.renderFrame();
        benchmark::DoNotOptimize(r.frameBuffer[0]);
        benchmark::ClobberMemory();
    }
    const double pixels = static_cast<double>(r.pixelsWritten);
    state.counters["pixelsWritten"] = pixels;
    // CPU time per stored pixel, averaged over the iterations (shown as seconds, e.g. 0.9ns).
    state.counters["timePerPixel"] = benchmark::Counter(
        pixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    r.drawFloors = false;
}
BENCHMARK(renderFrame)
    ->ArgNames({"view", "floors"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond);

void setView(benchmark::State& state) {
    Level& l = level();
    if (!l.ready) {
        state.SkipWithError("freedoom1.wad E1M1 not available");
        return;
    }
    const Viewpoint v = viewpoint(0);
    int16_t angle = v.angle;
    for (auto _ : state) {
        benchmark::DoNotOptimize(l.renderer->setView(v.x, v.y, angle));
        angle = static_cast<int16_t>(angle + 8);
    }
    state.counters["vertices"] = l.archive.vertexCount;
}
BENCHMARK(setView)->Unit(benchmark::kMicrosecond);

}  // namespace
