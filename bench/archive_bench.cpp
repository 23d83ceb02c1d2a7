// Opening freedoom1.wad and loading E1M1, against reading the whole file into memory; and
// opening freedoom2.wad alone and with a PWAD layered over it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "tests/support/synthetic_wad.h"
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

const char* const freedoom2Path = "/usr/share/games/doom/freedoom2.wad";

// A PWAD of the kind users make: a map (freedoom2's MAP01 as MAP33) with its own PNAMES and
// TEXTURE1, so that every texture is composed from the PWAD's lumps.
const std::string& pwadPath() {
    static const brindle::test::TempFile file = [] {
        const auto lumps = brindle::test::readWadLumps(freedoom2Path);
        brindle::test::SyntheticWad pwad;
        pwad.setIdentification("PWAD");
        for (size_t i = 0; i < lumps.size(); ++i) {
            if (lumps[i].name == "MAP01") {
                pwad.addMarker("MAP33");
                for (size_t j = i + 1; j <= i + 10 && j < lumps.size(); ++j) {
                    pwad.addLump(lumps[j].name, lumps[j].data);
                }
            } else if (lumps[i].name == "PNAMES" || lumps[i].name == "TEXTURE1") {
                pwad.addLump(lumps[i].name, lumps[i].data);
            }
        }
        return pwad.writeTemp();
    }();
    static const std::string path = file.path();
    return path;
}

void BM_OpenFreedoom2(benchmark::State& state) {
    if (!std::filesystem::exists(freedoom2Path)) {
        state.SkipWithError("freedoom2.wad not installed (/usr/share/games/doom)");
        return;
    }
    const std::vector<std::string> added =
        state.range(0) == 0 ? std::vector<std::string>{} : std::vector<std::string>{pwadPath()};
    for (auto _ : state) {
        brindle::WadArchive archive;
        benchmark::DoNotOptimize(archive.open(freedoom2Path, added));
    }
}

}  // namespace

BENCHMARK(BM_OpenFreedoom2)->Arg(0)->Arg(1)->ArgName("pwads")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadLevelE1M1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWholeFile)->Unit(benchmark::kMillisecond);
