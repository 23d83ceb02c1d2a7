// The --keys sequence: comma-separated ticks, each a set of held keys (L, R, U, D, < and >
// for strafing, S for run, in any order; "" or "." for none), then optionally mouse motion
// M+N or M-N, the whole tick optionally repeated with *N.
#include "app/render_cli/key_sequence.h"

#include <cstddef>
#include <string_view>

namespace brindle {

namespace {

constexpr long maxRepeat = 100000;       // one tick's *N
constexpr size_t maxTicks = 1000000;     // the whole sequence, repeats included
constexpr long maxMouseMotion = 100000;  // pixels in one tick, either way
constexpr char keyList[] = "keys are L, R, U, D, <, >, S, then M+N or M-N";

// Reads the mouse motion "+N" or "-N" after a tick's M. Returns an empty string or the problem.
std::string parseMouseMotion(std::string_view text, int32_t& motion) {
    const std::string quoted = "mouse motion 'M" + std::string(text) + "' ";
    if (text.size() < 2 || (text.front() != '+' && text.front() != '-')) {
        return quoted + "needs a sign and a number, as M+40 or M-40";
    }
    const std::string_view digits = text.substr(1);
    long pixels = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return quoted + "is not a whole number";
        }
        pixels = pixels * 10 + (c - '0');
        if (pixels > maxMouseMotion) {
            break;  // stops before the count could overflow
        }
    }
    if (pixels > maxMouseMotion) {
        return quoted + "must be -" + std::to_string(maxMouseMotion) + " to +" +
               std::to_string(maxMouseMotion);
    }
    motion = static_cast<int32_t>(text.front() == '-' ? -pixels : pixels);
    return {};
}

// Reads the *N count after a tick's keys. Returns an empty string or the problem.
std::string parseRepeat(std::string_view digits, long& repeat) {
    if (digits.empty()) {
        return "'*' must be followed by a repeat count";
    }
    repeat = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return "repeat count '" + std::string(digits) + "' is not a whole number";
        }
        repeat = repeat * 10 + (c - '0');
        if (repeat > maxRepeat) {
            break;  // stops before the count could overflow
        }
    }
    if (repeat < 1 || repeat > maxRepeat) {
        return "repeat count '" + std::string(digits) + "' must be 1 to " +
               std::to_string(maxRepeat);
    }
    return {};
}

// Reads the held keys of one tick. Returns an empty string or the problem.
std::string parseKeys(std::string_view keys, HeldKeys& held) {
    held = HeldKeys{};
    const size_t mouse = keys.find('M');
    if (mouse != std::string_view::npos) {
        if (std::string problem = parseMouseMotion(keys.substr(mouse + 1), held.mouseMotion);
            !problem.empty()) {
            return problem;
        }
        keys = keys.substr(0, mouse);
    }
    if (keys.empty() || keys == ".") {
        return {};
    }
    for (char c : keys) {
        bool* key = nullptr;
        switch (c) {
            case 'L':
                key = &held.left;
                break;
            case 'R':
                key = &held.right;
                break;
            case 'U':
                key = &held.up;
                break;
            case 'D':
                key = &held.down;
                break;
            case '<':
                key = &held.strafeLeft;
                break;
            case '>':
                key = &held.strafeRight;
                break;
            case 'S':
                key = &held.run;
                break;
            case '.':
                return "'.' means no key and stands alone";
            default:
                return std::string("unknown key '") + c + "' (" + keyList + ")";
        }
        if (*key) {
            return std::string("key '") + c + "' given twice";
        }
        *key = true;
    }
    return {};
}

}  // namespace

bool parseKeySequence(const std::string& text, std::vector<HeldKeys>& ticks, std::string& error) {
    ticks.clear();
    error.clear();
    std::string_view rest = text;
    for (int number = 1;; ++number) {
        const size_t comma = rest.find(',');
        const std::string_view tick = rest.substr(0, comma);
        const size_t star = tick.find('*');

        HeldKeys held;
        long repeat = 1;
        std::string problem = parseKeys(tick.substr(0, star), held);
        if (problem.empty() && star != std::string_view::npos) {
            problem = parseRepeat(tick.substr(star + 1), repeat);
        }
        if (problem.empty() && ticks.size() + static_cast<size_t>(repeat) > maxTicks) {
            problem = "the sequence is longer than " + std::to_string(maxTicks) + " ticks";
        }
        if (!problem.empty()) {
            ticks.clear();
            error = "tick " + std::to_string(number) + " ('" + std::string(tick) + "'): " + problem;
            return false;
        }
        ticks.insert(ticks.end(), static_cast<size_t>(repeat), held);

        if (comma == std::string_view::npos) {
            return true;
        }
        rest.remove_prefix(comma + 1);
    }
}

}  // namespace brindle
