// The --keys sequence of brindle-render shot: which arrow keys are held on each tick.
#pragma once

#include <string>
#include <vector>

namespace brindle {

struct HeldKeys {
    bool left = false;
    bool right = false;
    bool up = false;
    bool down = false;
};

// Parses "U*10,UL,.*3,R" into one entry per tick. On a malformed sequence returns false
// and `error` says where it is malformed.
bool parseKeySequence(const std::string& text, std::vector<HeldKeys>& ticks, std::string& error);

}  // namespace brindle
