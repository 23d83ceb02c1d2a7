// Arbitrary bytes as the node lump of the small valid archive's level: NODES, where every node
// format may stand. SEGS and SSECTORS hold the level's records in DeePBSP's layout when the
// bytes announce DeePBSP, and are empty otherwise, as the one-lump formats leave them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/archive_bytes.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/synthetic_seeds.h"

namespace {

using brindle::fuzz::NamedLump;

struct NodeBase {
    std::vector<NamedLump> lumps;
    std::vector<uint8_t> deepSegs;
    std::vector<uint8_t> deepSubsectors;
};

NamedLump& lumpNamed(std::vector<NamedLump>& lumps, const std::string& name) {
    for (NamedLump& lump : lumps) {
        if (lump.name == name) {
            return lump;
        }
    }
    __builtin_trap();  // the base archive has every level lump
}

const NodeBase& nodeBase() {
    static const NodeBase base = [] {
        NodeBase built;
        built.lumps = brindle::fuzz::splitArchive(brindle::fuzz::baseArchive());
        const brindle::fuzz::DeepBspLevelLumps deep = brindle::fuzz::deepBspLevelLumps();
        built.deepSegs = deep.segs;
        built.deepSubsectors = deep.subsectors;
        return built;
    }();
    return base;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const NodeBase& base = nodeBase();
    // Only the node lumps change from input to input; the rest stays as built.
    static std::vector<NamedLump> lumps = base.lumps;
    const bool deep = size >= 8 && std::memcmp(data, "xNd4\0\0\0\0", 8) == 0;
    lumpNamed(lumps, "SEGS").data = deep ? base.deepSegs : std::vector<uint8_t>{};
    lumpNamed(lumps, "SSECTORS").data = deep ? base.deepSubsectors : std::vector<uint8_t>{};
    lumpNamed(lumps, "NODES").data.assign(data, data + size);
    static brindle::fuzz::ArchiveLayout archive;
    archive.lay(lumps);
    static const std::string archivePath = brindle::fuzz::processTempPath(".wad");
    if (!brindle::fuzz::writeInputFile(archivePath, archive.pieces())) {
        return 0;
    }
    brindle::fuzz::exerciseArchive(archivePath, 1, size, brindle::fuzz::Looks::byLength);
    return 0;
}
