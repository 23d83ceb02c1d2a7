// Frame cost on freedoom1.wad's E1M1: renderFrame at the player start and at two viewpoints
// deeper in the map, in both looks, and setView; the game look at the start of freedoom2.wad's
// MAP01, drawn by one thread and by two, with its things and without; and, when BRINDLE_BIG_MAP
// names the PWAD that scripts/make-big-map.sh makes (MAP01 copied 6 x 5 times), five viewpoints
// on that map in both looks, to set beside MAP01's start. Each frame's pixel stores are reported
// with the time per stored pixel. Times are wall-clock: a game-look frame on two threads takes as
// long as its slower band.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/viewer.h"
#include "render/renderer.h"
#include "wad/wad_archive.h"

namespace {

using brindle::Look;
using brindle::Renderer;
using brindle::WadArchive;

struct Level {
    WadArchive archive;
    std::unique_ptr<Renderer> renderer;
    bool ready = false;

    Level(const char* path, const char* map, const std::vector<std::string>& added = {}) {
        if (archive.open(path, added) == 1 && archive.loadLevel(map) == 1) {
            renderer = std::make_unique<Renderer>(nullptr, &archive);
            ready = true;
        }
    }
};

Level& level() {
    static Level l("/usr/share/games/doom/freedoom1.wad", "E1M1");
    return l;
}

Level& secondLevel() {
    static Level l("/usr/share/games/doom/freedoom2.wad", "MAP01");
    return l;
}

Level& bigLevel() {
    const char* pwad = std::getenv("BRINDLE_BIG_MAP");
    static Level l("/usr/share/games/doom/freedoom2.wad", "MAP01",
                   {pwad != nullptr ? pwad : "(BRINDLE_BIG_MAP unset)"});
    return l;
}

struct Viewpoint {
    int16_t x;
    int16_t y;
    int16_t angle;
};

Viewpoint startOf(const Level& l) {
    int16_t x = 0, y = 0, degrees = 0;
    l.archive.getPlayerStart(&x, &y, &degrees);
    return {x, y, static_cast<int16_t>(brindle::startAngleFromDegrees(degrees))};
}

// Views 0 to 2 are on E1M1, view 3 is the start of freedoom2's MAP01, views 4 to 8 are on the
// big map: player starts of its copies, copy (c, r) moved by (2760 c, 3716 r) from the first.
Level& levelOf(int index) {
    return index >= 4 ? bigLevel() : index == 3 ? secondLevel() : level();
}

Viewpoint viewpoint(int index) {
    switch (index) {
        case 4:
            return {-8144, -7654, 0};  // the first copy's start, facing along a row of six
        case 5:
            return {-2624, -222, 0};  // copy (2, 2)
        case 6:
            return {-2624, -222, 16384};  // copy (2, 2), facing north
        case 7:
            return {5656, 7210, -32768};  // the last copy, facing back along its row
        case 8:
            return {136, -3938, 8192};  // copy (3, 1), facing north-east
        case 1:
            return {200, 304, 0};  // the corridor east of the start
        case 2:
            return {1000, 600, 16384};  // the room with the door, facing north
        default:
            return startOf(levelOf(index));
    }
}

void renderFrame(benchmark::State& state) {
    Level& l = levelOf(static_cast<int>(state.range(0)));
    if (!l.ready) {
        state.SkipWithError("the archive or map is not available (the big map: BRINDLE_BIG_MAP)");
        return;
    }
    const Viewpoint v = viewpoint(static_cast<int>(state.range(0)));
    Renderer& r = *l.renderer;
    r.drawFloors = state.range(1) != 0;
    r.look = state.range(2) != 0 ? Look::game : Look::plain;
    const int threads = r.frameThreads;
    r.frameThreads = static_cast<int>(state.range(3));
    r.drawThings = state.range(4) != 0;
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
    r.look = Look::plain;
    r.frameThreads = threads;
    r.drawThings = true;
}
BENCHMARK(renderFrame)
    ->ArgNames({"view", "floors", "game", "threads", "things"})
    ->Args({0, 0, 0, 1, 0})
    ->Args({1, 0, 0, 1, 0})
    ->Args({2, 0, 0, 1, 0})
    ->Args({0, 1, 0, 1, 0})
    ->Args({3, 0, 0, 1, 0})
    ->ArgsProduct({{0, 1, 2, 3}, {0}, {1}, {1, 2}, {0, 1}})
    ->ArgsProduct({{3, 4, 5, 6, 7, 8}, {0}, {0, 1}, {1}, {0}})
    ->UseRealTime()
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
