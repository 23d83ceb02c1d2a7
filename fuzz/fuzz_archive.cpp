// Arbitrary bytes as a whole archive file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"

namespace {
// Enough maps to reach past the first marker; more only slows each run down.
constexpr size_t maxMapsPerInput = 4;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string archivePath = brindle::fuzz::processTempPath(".wad");
    if (!brindle::fuzz::writeInputFile(archivePath, data, size)) {
        return 0;
    }
    brindle::fuzz::exerciseArchive(archivePath, maxMapsPerInput, size,
                                   brindle::fuzz::Looks::byLength);
    return 0;
}
