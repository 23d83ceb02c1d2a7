// The atlas of freedoom2.wad (32 maps, 64 pictures) drawn with one thread and with every core,
// in wall time. The archive is opened once, outside the timing; the pictures go to a temporary
// folder.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "app/render_cli/atlas.h"
#include "wad/wad_archive.h"

namespace {

constexpr const char* archivePath = "/usr/share/games/doom/freedoom2.wad";

void drawAtlas(benchmark::State& state) {
    static brindle::WadArchive archive;
    if (archive.loaded == 0 && archive.open(archivePath) != brindle::resultOk) {
        state.SkipWithError("freedoom2.wad not available (/usr/share/games/doom)");
        return;
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "brindle-atlas-bench";
    std::filesystem::create_directories(folder);
    brindle::AtlasOptions options;
    options.folder = folder.string();
    options.threads = static_cast<unsigned>(state.range(0));
    size_t failed = 0;
    for (auto _ : state) {
        for (const brindle::AtlasEntry& entry : brindle::drawAtlas(archive, options, {})) {
            failed += entry.error.empty() ? 0 : 1;
        }
    }
    std::filesystem::remove_all(folder);
    if (failed > 0) {
        state.SkipWithError("some maps could not be drawn");
    }
    state.counters["maps"] = static_cast<double>(archive.mapNames().size());
}
BENCHMARK(drawAtlas)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(static_cast<int>(std::max(1u, std::thread::hardware_concurrency())))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace
