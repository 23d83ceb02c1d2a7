// Text maps are not read yet.
#include "wad/formats/udmf_level.h"

namespace brindle {

std::string readTextMap(const LevelLump&, MapRecords&) {
    return " is a UDMF text map, which Brindle cannot read yet";
}

}  // namespace brindle
