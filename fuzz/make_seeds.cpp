// Writes the fuzzers' seed corpora: whole archives for fuzz_archive and selector-prefixed
// lump bodies for fuzz_lump, taken from the synthetic test archives and, when it is
// installed, from freedoom1.wad's E1M1 trimmed to what that level needs.
//
//   brindle_fuzz_seeds OUTPUT_FOLDER [FREEDOOM1_WAD]
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fuzz/archive_bytes.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/lump_splice.h"
#include "fuzz/synthetic_seeds.h"
#include "fuzz/text_map_seeds.h"
#include "wad/lump_names.h"

namespace fs = std::filesystem;
using brindle::fuzz::NamedLump;

namespace {

constexpr const char* levelLumps[] = {"THINGS", "LINEDEFS", "SIDEDEFS", "VERTEXES",
                                      "SEGS",   "SSECTORS", "NODES",    "SECTORS"};

int32_t int32At(const std::vector<uint8_t>& bytes, size_t at) {
    int32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

int16_t int16At(const std::vector<uint8_t>& bytes, size_t at) {
    int16_t value = 0;
    std::memcpy(&value, bytes.data() + at, 2);
    return value;
}

template <typename T>
void put(std::vector<uint8_t>& bytes, T value) {
    const auto* raw = reinterpret_cast<const uint8_t*>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof value);
}

const NamedLump* findNamed(const std::vector<NamedLump>& lumps, const std::string& name) {
    for (const NamedLump& lump : lumps) {
        if (lump.name == name) {
            return &lump;
        }
    }
    return nullptr;
}

// A level's marker and its eight used lumps, without the two the viewer never reads.
std::vector<NamedLump> levelOf(const std::vector<NamedLump>& lumps, const std::string& marker) {
    std::vector<NamedLump> level;
    for (size_t i = 0; i < lumps.size(); ++i) {
        if (lumps[i].name != marker) {
            continue;
        }
        level.push_back(lumps[i]);
        for (size_t j = i + 1; j < lumps.size() && j <= i + 10; ++j) {
            for (const char* name : levelLumps) {
                if (lumps[j].name == name) {
                    level.push_back(lumps[j]);
                }
            }
        }
        break;
    }
    return level;
}

// PNAMES, one TEXTURE1 and the patch lumps for exactly the wall textures the level's
// sidedefs name (from TEXTURE1 and TEXTURE2, the first definition of a name winning).
std::vector<NamedLump> texturesFor(const std::vector<NamedLump>& lumps,
                                   const std::vector<NamedLump>& level) {
    std::set<std::string> wanted;
    if (const NamedLump* sidedefs = findNamed(level, "SIDEDEFS")) {
        for (size_t at = 0; at + 30 <= sidedefs->data.size(); at += 30) {
            for (size_t field : {4, 12, 20}) {
                wanted.insert(brindle::lumpName(
                    reinterpret_cast<const char*>(sidedefs->data.data() + at + field)));
            }
        }
    }
    const NamedLump* pnames = findNamed(lumps, "PNAMES");
    if (pnames == nullptr || pnames->data.size() < 4) {
        return {};
    }
    const int32_t patchCount = int32At(pnames->data, 0);

    std::vector<std::vector<uint8_t>> entries;  // kept texture entries, placements remapped
    std::vector<std::string> patchNames;        // the new PNAMES
    std::map<int32_t, int16_t> remap;           // old patch index -> new
    std::set<std::string> taken;
    for (const char* textureLump : {"TEXTURE1", "TEXTURE2"}) {
        const NamedLump* texture = findNamed(lumps, textureLump);
        if (texture == nullptr || texture->data.size() < 4) {
            continue;
        }
        const std::vector<uint8_t>& data = texture->data;
        const int32_t count = int32At(data, 0);
        for (int32_t t = 0; t < count && 4 + size_t(t) * 4 + 4 <= data.size(); ++t) {
            const size_t at = static_cast<size_t>(int32At(data, 4 + size_t(t) * 4));
            if (at + 22 > data.size()) {
                continue;
            }
            const std::string name =
                brindle::lumpName(reinterpret_cast<const char*>(data.data() + at));
            if (!wanted.count(name) || taken.count(name)) {
                continue;
            }
            taken.insert(name);
            const int16_t placements = int16At(data, at + 20);
            std::vector<uint8_t> entry(data.begin() + at,
                                       data.begin() + at + 22 + placements * size_t{10});
            for (int16_t p = 0; p < placements; ++p) {
                const size_t field = 22 + size_t(p) * 10 + 4;
                const int16_t old = int16At(entry, field);
                if (old < 0 || old >= patchCount) {
                    continue;
                }
                auto [it, added] = remap.try_emplace(old, static_cast<int16_t>(remap.size()));
                if (added) {
                    patchNames.push_back(brindle::lumpName(
                        reinterpret_cast<const char*>(pnames->data.data() + 4 + old * 8)));
                }
                std::memcpy(entry.data() + field, &it->second, 2);
            }
            entries.push_back(std::move(entry));
        }
    }

    NamedLump newPnames{"PNAMES", {}};
    put(newPnames.data, static_cast<int32_t>(patchNames.size()));
    for (const std::string& name : patchNames) {
        char field[8] = {};
        std::memcpy(field, name.data(), name.size());
        newPnames.data.insert(newPnames.data.end(), field, field + 8);
    }
    NamedLump newTextures{"TEXTURE1", {}};
    put(newTextures.data, static_cast<int32_t>(entries.size()));
    int32_t offset = static_cast<int32_t>(4 + 4 * entries.size());
    for (const auto& entry : entries) {
        put(newTextures.data, offset);
        offset += static_cast<int32_t>(entry.size());
    }
    for (const auto& entry : entries) {
        newTextures.data.insert(newTextures.data.end(), entry.begin(), entry.end());
    }

    std::vector<NamedLump> result{newPnames, newTextures};
    for (const std::string& name : patchNames) {
        if (const NamedLump* patch = findNamed(lumps, name)) {
            result.push_back(*patch);
        }
    }
    return result;
}

void writeSeed(const fs::path& file, const std::vector<uint8_t>& bytes) {
    if (!brindle::fuzz::writeWholeFile(file.string(), bytes.data(), bytes.size())) {
        std::fprintf(stderr, "brindle_fuzz_seeds: cannot write %s\n", file.c_str());
        std::exit(1);
    }
}

// One lump-fuzzer seed per splice target that the archive has: the selector byte, then the
// lump's own body.
int writeLumpSeeds(const fs::path& folder, const std::string& prefix,
                   const std::vector<NamedLump>& lumps) {
    const auto& targets = brindle::fuzz::spliceTargets();
    int written = 0;
    for (size_t selector = 0; selector < targets.size(); ++selector) {
        const std::string name = brindle::fuzz::resolveTarget(lumps, targets[selector]);
        const NamedLump* lump = name.empty() ? nullptr : findNamed(lumps, name);
        if (lump == nullptr) {
            continue;
        }
        std::vector<uint8_t> seed{static_cast<uint8_t>(selector)};
        seed.insert(seed.end(), lump->data.begin(), lump->data.end());
        std::string label = targets[selector] == brindle::fuzz::firstPatch ? "patch" : name;
        writeSeed(folder / (prefix + "-" + label), seed);
        ++written;
    }
    return written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: brindle_fuzz_seeds OUTPUT_FOLDER [FREEDOOM1_WAD]\n");
        return 1;
    }
    const fs::path archiveFolder = fs::path(argv[1]) / "archive";
    const fs::path lumpFolder = fs::path(argv[1]) / "lump";
    const fs::path layerFolder = fs::path(argv[1]) / "layers";
    const fs::path nodeFolder = fs::path(argv[1]) / "nodes";
    fs::create_directories(nodeFolder);
    fs::create_directories(archiveFolder);
    fs::create_directories(lumpFolder);
    fs::create_directories(layerFolder);
    const fs::path textMapFolder = fs::path(argv[1]) / "textmap";
    fs::create_directories(textMapFolder);
    int archives = 0;
    int lumpSeeds = 0;

    for (const auto& [name, bytes] : brindle::fuzz::syntheticSeedArchives()) {
        writeSeed(archiveFolder / ("synthetic-" + name + ".wad"), bytes);
        ++archives;
    }
    lumpSeeds += writeLumpSeeds(lumpFolder, "synthetic",
                                brindle::fuzz::splitArchive(brindle::fuzz::baseArchive()));
    int nodeSeeds = 0;
    for (const auto& [name, bytes] : brindle::fuzz::nodeLumpSeeds()) {
        writeSeed(nodeFolder / name, bytes);
        ++nodeSeeds;
    }
    int layerSeeds = 0;
    for (const auto& [name, bytes] : brindle::fuzz::syntheticLayerSeeds()) {
        writeSeed(layerFolder / name, bytes);
        ++layerSeeds;
    }

    int textMapSeeds = 0;
    for (const auto& [name, bytes] : brindle::fuzz::textMapSeeds()) {
        writeSeed(textMapFolder / name, bytes);
        ++textMapSeeds;
    }

    if (argc == 3) {
        const std::vector<NamedLump> lumps =
            brindle::fuzz::splitArchive(brindle::fuzz::readWholeFile(argv[2]));
        const std::vector<NamedLump> level = levelOf(lumps, "E1M1");
        if (level.empty()) {
            std::fprintf(stderr, "brindle_fuzz_seeds: no E1M1 in %s, skipped\n", argv[2]);
        } else {
            // The walls alone: palette and level, no textures.
            std::vector<NamedLump> wallsOnly = level;
            if (const NamedLump* palette = findNamed(lumps, "PLAYPAL")) {
                wallsOnly.insert(wallsOnly.begin(), *palette);
            }
            writeSeed(archiveFolder / "freedoom1-e1m1-untextured.wad",
                      brindle::fuzz::joinArchive(wallsOnly));
            // The level with the textures it names.
            std::vector<NamedLump> textured = wallsOnly;
            const std::vector<NamedLump> textures = texturesFor(lumps, level);
            textured.insert(textured.begin() + 1, textures.begin(), textures.end());
            writeSeed(archiveFolder / "freedoom1-e1m1.wad", brindle::fuzz::joinArchive(textured));
            archives += 2;
            lumpSeeds += writeLumpSeeds(lumpFolder, "freedoom1-e1m1", textured);
        }
    }
    std::printf(
        "%d archive seeds in %s, %d lump seeds in %s, %d layer seeds in %s, %d node seeds in %s, "
        "%d TEXTMAP seeds in %s\n",
        archives, archiveFolder.c_str(), lumpSeeds, lumpFolder.c_str(), layerSeeds,
        layerFolder.c_str(), nodeSeeds, nodeFolder.c_str(), textMapSeeds, textMapFolder.c_str());
    return 0;
}
