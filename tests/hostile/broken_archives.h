// A corpus of broken archives, each derived from the small valid synthetic archive by one
// damage, with what a sound reader makes of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/synthetic_wad.h"

namespace brindle::test {

// The outcome a broken archive must have. Anything else (a crash, a hang, a sanitizer
// report, another result code) is a fault.
struct Expected {
    int32_t open = 1;
    int32_t level = 1;          // when open succeeded
    std::string errorMentions;  // part of the error text of the failing operation
    // The data is only odd: the frame must be exactly the valid archive's.
    bool sameFrame = false;
};

struct BrokenArchive {
    std::string name;  // letters, digits and underscores: the test's name
    Bytes bytes;
    Expected expected;
};

// The archive every case starts from (PLAYPAL, COLORMAP, PNAMES, TEXTURE1, the patch
// WALLPAT and the square-room E1M1).
Bytes validBaseArchive();

std::vector<BrokenArchive> brokenHeaderAndDirectory();
std::vector<BrokenArchive> brokenLumpEntries();
std::vector<BrokenArchive> brokenGlobalLumps();  // PLAYPAL, COLORMAP, PNAMES, TEXTURE1
std::vector<BrokenArchive> brokenPatches();
std::vector<BrokenArchive> brokenLevelIndices();  // every index field of every record
std::vector<BrokenArchive> brokenLevelStructure();
// Small files that describe far more work than their size: each must be cut short.
std::vector<BrokenArchive> excessiveWork();

}  // namespace brindle::test
