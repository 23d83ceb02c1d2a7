// Doom-format maps written in the other level formats, as test data made from the real
// archives: the same geometry and things as Hexen-format records or as a UDMF text map.
#pragma once

#include <string>
#include <vector>

#include "tests/support/synthetic_wad.h"

namespace brindle::test {

// The ten lumps of a Doom-format map as they follow its marker (THINGS to BLOCKMAP), taken
// from an archive's lumps; empty when the archive has no such map.
std::vector<NamedLump> doomMapLumps(const std::vector<NamedLump>& archive,
                                    const std::string& marker);

// A Hexen-format thing record (20 bytes: no tid, height, special or arguments).
Bytes hexenThingRecord(int16_t x, int16_t y, int16_t angle, int16_t type, int16_t flags);
// Doom thing flags as Hexen flags: the skills and ambush kept, every class, cooperative and
// deathmatch, and single-player unless Doom marks the thing multiplayer-only.
int16_t hexenThingFlags(int16_t doomFlags);

// The map in the Hexen format: THINGS of 20 bytes, LINEDEFS of 16 (no specials), the other
// lumps as they are (the tree included), and a BEHAVIOR lump with an empty script library.
std::vector<NamedLump> hexenMapOf(const std::vector<NamedLump>& doomMap);

// The map as a UDMF TEXTMAP in the "doom" namespace, written as editors write it: every
// record a block, keys at their default values left out, coordinates with three decimals.
std::string textMapOf(const std::vector<NamedLump>& doomMap);
// TEXTMAP and ENDMAP, to follow a marker; a node builder adds the nodes.
std::vector<NamedLump> udmfMapOf(const std::vector<NamedLump>& doomMap);

}  // namespace brindle::test
