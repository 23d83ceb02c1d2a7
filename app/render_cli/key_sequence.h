// The --keys sequence of brindle-render: which movement keys are held on each tick, and the
// mouse motion each tick receives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brindle {

struct HeldKeys {
    bool left = false;
    bool right = false;
    bool up = false;
    bool down = false;
    bool strafeLeft = false;   // <
    bool strafeRight = false;  // >
    bool run = false;          // S
    int32_t mouseMotion = 0;   // M+N or M-N: pixels, right positive
};

// Parses "U*10,UL,.*3,R" or "USM-40,U*3" into one entry per tick. On a malformed sequence
// returns false and `error` says where it is malformed.
bool parseKeySequence(const std::string& text, std::vector<HeldKeys>& ticks, std::string& error);

}  // namespace brindle
