// Arbitrary bytes as an IWAD with a PWAD layered over it: the first four bytes (little-endian)
// give the IWAD's length, the IWAD's bytes follow, and the rest is the PWAD. Every map of the
// combined list is drawn, so mutations reach the lookup across files and levels taken from
// either file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/layer_split.h"

namespace {
constexpr size_t maxMapsPerInput = 4;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string iwadPath = brindle::fuzz::processTempPath("-iwad.wad");
    static const std::string pwadPath = brindle::fuzz::processTempPath("-pwad.wad");
    const brindle::fuzz::LayerSplit split = brindle::fuzz::splitLayers(data, size);
    if (!brindle::fuzz::writeInputFile(iwadPath, split.iwad, split.iwadSize) ||
        !brindle::fuzz::writeInputFile(pwadPath, split.pwad, split.pwadSize)) {
        return 0;
    }
    brindle::fuzz::exerciseArchive(iwadPath, maxMapsPerInput, size, brindle::fuzz::Looks::both,
                                   {pwadPath});
    return 0;
}
