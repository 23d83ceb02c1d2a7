// UDMF levels: the TEXTMAP lump, a text of blocks and assignments, read into the map records.
#pragma once

#include <string>

#include "wad/formats/level_lumps.h"

namespace brindle {

// Reads the vertices, linedefs, sidedefs, sectors and things of a TEXTMAP. A problem is a text
// to follow "MAP01 in x.wad" (see node_formats.h); empty when read.
std::string readTextMap(const LevelLump& textmap, MapRecords& out);

}  // namespace brindle
