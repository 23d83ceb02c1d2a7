// The --keys parser: which keys each tick holds, and where a malformed sequence goes wrong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/render_cli/key_sequence.h"

namespace brindle {
namespace {

// One tick as the letters of its held keys in L, R, U, D, <, >, S order, then its mouse
// motion as M+N or M-N ("" for no key and no motion).
std::string lettersOf(const HeldKeys& held) {
    std::string letters;
    if (held.left)
        letters += 'L';
    if (held.right)
        letters += 'R';
    if (held.up)
        letters += 'U';
    if (held.down)
        letters += 'D';
    if (held.strafeLeft)
        letters += '<';
    if (held.strafeRight)
        letters += '>';
    if (held.run)
        letters += 'S';
    if (held.mouseMotion != 0)
        letters += (held.mouseMotion > 0 ? "M+" : "M") + std::to_string(held.mouseMotion);
    return letters;
}

std::vector<std::string> ticksOf(const std::vector<HeldKeys>& ticks) {
    std::vector<std::string> letters;
    for (const HeldKeys& held : ticks) {
        letters.push_back(lettersOf(held));
    }
    return letters;
}

std::vector<std::string> times(const std::string& tick, size_t count) {
    return std::vector<std::string>(count, tick);
}

std::vector<std::string> joined(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

struct GoodSequence {
    const char* text;
    std::vector<std::string> ticks;
};

class KeySequenceAccepts : public ::testing::TestWithParam<GoodSequence> {};

TEST_P(KeySequenceAccepts, GivesOneEntryPerTick) {
    std::vector<HeldKeys> ticks;
    std::string error = "stale";
    ASSERT_TRUE(parseKeySequence(GetParam().text, ticks, error)) << error;
    EXPECT_EQ(ticksOf(ticks), GetParam().ticks);
    EXPECT_EQ(error, "");
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, KeySequenceAccepts,
    ::testing::Values(
        GoodSequence{"U", {"U"}}, GoodSequence{"U*3", times("U", 3)}, GoodSequence{"UL", {"LU"}},
        GoodSequence{"LU", {"LU"}}, GoodSequence{"DURL", {"LRUD"}}, GoodSequence{"", {""}},
        GoodSequence{".", {""}}, GoodSequence{".*3", times("", 3)},
        GoodSequence{"*2", times("", 2)}, GoodSequence{",,", times("", 3)},
        GoodSequence{"U*10,UL,.*3,R", joined({times("U", 10), {"LU"}, times("", 3), {"R"}})},
        GoodSequence{"R*007", times("R", 7)}, GoodSequence{"D*100000", times("D", 100000)},
        GoodSequence{"><S", {"<>S"}}, GoodSequence{"SDRUL<>", {"LRUD<>S"}},
        GoodSequence{"USM-40,U*3", joined({{"USM-40"}, times("U", 3)})},
        GoodSequence{"M+5*3", times("M+5", 3)}, GoodSequence{".M-1", {"M-1"}},
        GoodSequence{"M+0", {""}}, GoodSequence{"LM+100000", {"LM+100000"}},
        GoodSequence{"M-100000", {"M-100000"}}));

struct BadSequence {
    std::string text;
    std::string error;
};

class KeySequenceRejects : public ::testing::TestWithParam<BadSequence> {};

TEST_P(KeySequenceRejects, SaysWhichTickIsMalformedAndWhy) {
    std::vector<HeldKeys> ticks(3);
    std::string error;
    EXPECT_FALSE(parseKeySequence(GetParam().text, ticks, error));
    EXPECT_EQ(error, GetParam().error);
    EXPECT_TRUE(ticks.empty());
}

std::string elevenFullRepeats() {
    std::string text = "U*100000";
    for (int i = 1; i < 11; ++i) {
        text += ",U*100000";
    }
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, KeySequenceRejects,
    ::testing::Values(
        BadSequence{
            "UX", "tick 1 ('UX'): unknown key 'X' (keys are L, R, U, D, <, >, S, then M+N or M-N)"},
        BadSequence{
            "U,L,UX,R",
            "tick 3 ('UX'): unknown key 'X' (keys are L, R, U, D, <, >, S, then M+N or M-N)"},
        BadSequence{
            "u", "tick 1 ('u'): unknown key 'u' (keys are L, R, U, D, <, >, S, then M+N or M-N)"},
        BadSequence{
            "U, L",
            "tick 2 (' L'): unknown key ' ' (keys are L, R, U, D, <, >, S, then M+N or M-N)"},
        BadSequence{"UU", "tick 1 ('UU'): key 'U' given twice"},
        BadSequence{"S<S", "tick 1 ('S<S'): key 'S' given twice"},
        BadSequence{"U,M40",
                    "tick 2 ('M40'): mouse motion 'M40' needs a sign and a number, "
                    "as M+40 or M-40"},
        BadSequence{"M-",
                    "tick 1 ('M-'): mouse motion 'M-' needs a sign and a number, "
                    "as M+40 or M-40"},
        BadSequence{"M+4x", "tick 1 ('M+4x'): mouse motion 'M+4x' is not a whole number"},
        BadSequence{"UM+5U", "tick 1 ('UM+5U'): mouse motion 'M+5U' is not a whole number"},
        BadSequence{"M+1M+1", "tick 1 ('M+1M+1'): mouse motion 'M+1M+1' is not a whole number"},
        BadSequence{"M-100001*2",
                    "tick 1 ('M-100001*2'): mouse motion 'M-100001' must be -100000 to +100000"},
        BadSequence{"M+99999999999999999999",
                    "tick 1 ('M+99999999999999999999'): mouse motion 'M+99999999999999999999' "
                    "must be -100000 to +100000"},
        BadSequence{".U", "tick 1 ('.U'): '.' means no key and stands alone"},
        BadSequence{"U..", "tick 1 ('U..'): '.' means no key and stands alone"},
        BadSequence{"U*", "tick 1 ('U*'): '*' must be followed by a repeat count"},
        BadSequence{"U*0", "tick 1 ('U*0'): repeat count '0' must be 1 to 100000"},
        BadSequence{"L,U*100001", "tick 2 ('U*100001'): repeat count '100001' must be 1 to 100000"},
        BadSequence{"U*99999999999999999999999",
                    "tick 1 ('U*99999999999999999999999'): repeat count "
                    "'99999999999999999999999' must be 1 to 100000"},
        BadSequence{"U*-1", "tick 1 ('U*-1'): repeat count '-1' is not a whole number"},
        BadSequence{"U*2*3", "tick 1 ('U*2*3'): repeat count '2*3' is not a whole number"},
        BadSequence{"U*x", "tick 1 ('U*x'): repeat count 'x' is not a whole number"},
        BadSequence{elevenFullRepeats(),
                    "tick 11 ('U*100000'): the sequence is longer than 1000000 ticks"}));

}  // namespace
}  // namespace brindle
