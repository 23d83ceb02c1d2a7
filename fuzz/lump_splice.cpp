#include "fuzz/lump_splice.h"

#include <cstring>

#include "wad/lump_names.h"

namespace brindle::fuzz {

std::string resolveTarget(const std::vector<NamedLump>& lumps, const std::string& target) {
    if (target != firstPatch) {
        for (const NamedLump& lump : lumps) {
            if (lump.name == target) {
                return target;
            }
        }
        return {};
    }
    for (const NamedLump& lump : lumps) {
        if (lump.name == "PNAMES" && lump.data.size() >= 12) {
            return lumpName(reinterpret_cast<const char*>(lump.data.data() + 4));
        }
    }
    return {};
}

}  // namespace brindle::fuzz
