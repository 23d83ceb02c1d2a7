// Opening freedoom1.wad and loading E1M1, against reading the whole file into memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "wad/wad_archive.h"

namespace {

const char* const archivePath = "/usr/share/games/doom/freedoom1.wad";

bool archivePresent(benchmark::State& state) {
    if (!std::filesystem::exists(archivePath)) {
        state.SkipWithError("freedoom1.wad not installed (/usr/share/games/doom)");
        return false;
    }
    return true;
}

void BM_Open(benchmark::State& state) {
    if (!archivePresent(state)) {
        return;
    }
    for (auto _ : state) {
        brindle::WadArchive archive;
        benchmark::DoNotOptimize(archive.open(archivePath));
    }
}

void BM_LoadLevelE1M1(benchmark::State& state) {
    if (!archivePresent(state)) {
        return;
    }
    brindle::WadArchive archive(archivePath);
    for (auto _ : state) {
        benchmark::DoNotOptimize(archive.loadLevel("E1M1"));
    }
}

void BM_ReadWholeFile(benchmark::State& state) {
    if (!archivePresent(state)) {
        return;
    }
    for (auto _ : state) {
        std::FILE* file = std::fopen(archivePath, "rb");
        std::fseek(file, 0, SEEK_END);
        std::vector<char> bytes(static_cast<size_t>(std::ftell(file)));
        std::rewind(file);
        benchmark::DoNotOptimize(std::fread(bytes.data(), 1, bytes.size(), file));
        std::fclose(file);
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadLevelE1M1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWholeFile)->Unit(benchmark::kMillisecond);
