// The map records of the binary level formats: Doom's and Hexen's. They share vertices,
// sidedefs and sectors, and differ in their linedefs and things.
#pragma once

#include <string>

#include "wad/formats/level_lumps.h"

namespace brindle {

struct BinaryMapLumps {
    const LevelLump* things;
    const LevelLump* linedefs;
    const LevelLump* sidedefs;
    const LevelLump* vertices;
    const LevelLump* sectors;
};

// Reads the records; trailing bytes of a lump that make no whole record are left out.
void readBinaryMap(const BinaryMapLumps& lumps, LevelFormat format, MapRecords& out);

}  // namespace brindle
