// The lump-body fuzzer's input: one selector byte naming the lump to replace, then the
// replacement body. Shared by the fuzz target and the seed generator so that both agree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/archive_bytes.h"

namespace brindle::fuzz {

// Stands for the first patch that PNAMES names.
constexpr const char* firstPatch = "<patch>";

// The lumps a selector byte can name, in selector order (the byte is taken modulo the count).
inline const std::vector<std::string>& spliceTargets() {
    static const std::vector<std::string> targets = {
        "PNAMES", "TEXTURE1", firstPatch, "THINGS",  "LINEDEFS", "SIDEDEFS", "VERTEXES",
        "SEGS",   "SSECTORS", "NODES",    "SECTORS", "PLAYPAL",  "POSSA0",   "SARGA2A8",
    };
    return targets;
}

// The directory name of a splice target in this archive ("<patch>" resolved through PNAMES);
// empty when the archive has no such lump.
std::string resolveTarget(const std::vector<NamedLump>& lumps, const std::string& target);

}  // namespace brindle::fuzz
