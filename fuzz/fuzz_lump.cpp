// Arbitrary bytes as the body of one lump of a small valid archive, so that mutations reach
// the texture composition and the level checks at once instead of first having to build a
// believable directory. The first byte picks the lump (see spliceTargets), the rest is its
// body.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/lump_splice.h"
#include "fuzz/synthetic_seeds.h"

namespace {

struct SpliceBase {
    std::vector<brindle::fuzz::NamedLump> lumps;
    std::vector<std::string> targetNames;  // directory name per selector, empty if absent
};

const SpliceBase& spliceBase() {
    static const SpliceBase base = [] {
        SpliceBase built;
        built.lumps = brindle::fuzz::splitArchive(brindle::fuzz::baseArchive());
        for (const std::string& target : brindle::fuzz::spliceTargets()) {
            built.targetNames.push_back(brindle::fuzz::resolveTarget(built.lumps, target));
        }
        return built;
    }();
    return base;
}

}  // namespace

// A coverage counter per splice target, which libFuzzer counts beside its own. An input that
// replaces a lump with its original body builds the base archive whichever lump it names, so
// the seeds of all targets would otherwise reach the same code and all but one be dropped,
// losing the valid bodies that mutations of the larger lumps start from.
__attribute__((used, section("__libfuzzer_extra_counters"))) uint8_t spliceTargetCounters[32];

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const SpliceBase& base = spliceBase();
    const size_t target = data[0] % base.targetNames.size();
    spliceTargetCounters[target % sizeof spliceTargetCounters] = 1;
    const std::string& lumpName = base.targetNames[target];
    if (lumpName.empty()) {
        return 0;
    }
    static brindle::fuzz::ArchiveLayout archive;
    const brindle::fuzz::LumpReplacement replacement{lumpName, data + 1, size - 1};
    archive.lay(base.lumps, &replacement);
    static const std::string archivePath = brindle::fuzz::processTempPath(".wad");
    if (!brindle::fuzz::writeInputFile(archivePath, archive.pieces())) {
        return 0;
    }
    brindle::fuzz::exerciseArchive(archivePath, 1, size, brindle::fuzz::Looks::byLength);
    return 0;
}
