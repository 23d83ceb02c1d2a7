// The TEXTMAP fuzzer's level and seeds: the base archive with its E1M1 as a UDMF level whose
// ZNODES hold GL-style nodes of the large room, so that a text keeping the room's six
// vertices is drawn.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "fuzz/archive_bytes.h"

namespace brindle::fuzz {

// The base archive's lumps with E1M1 as marker, TEXTMAP (the large room), ZNODES and ENDMAP.
std::vector<NamedLump> textMapBaseLumps();

// TEXTMAP texts: the large room as editors write it, the room with a step, and the room
// after a header that uses the rest of the grammar.
std::vector<std::pair<std::string, std::vector<uint8_t>>> textMapSeeds();

}  // namespace brindle::fuzz
