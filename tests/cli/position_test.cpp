// The --pos parser: X and Y cut to 16 bits, ANGLE modulo 65536, negative values accepted.
#include <gtest/gtest.h>

#include "app/render_cli/view_setup.h"

namespace brindle {
namespace {

struct GoodPosition {
    const char* text;
    int16_t x;
    int16_t y;
    uint16_t angle;
};

class PositionAccepts : public ::testing::TestWithParam<GoodPosition> {};

TEST_P(PositionAccepts, ReadsMapCoordinatesAndFacing) {
    MapPosition position;
    std::string error = "stale";
    ASSERT_TRUE(parsePosition(GetParam().text, position, error)) << error;
    EXPECT_EQ(position.x, GetParam().x);
    EXPECT_EQ(position.y, GetParam().y);
    EXPECT_EQ(position.angle, GetParam().angle);
    EXPECT_EQ(error, "");
}

INSTANTIATE_TEST_SUITE_P(Positions, PositionAccepts,
                         ::testing::Values(GoodPosition{"-160,304,0", -160, 304, 0},
                                           GoodPosition{"1056,-3616,16384", 1056, -3616, 16384},
                                           GoodPosition{"+5,6,+7", 5, 6, 7},
                                           GoodPosition{"0,0,-1", 0, 0, 65535},
                                           GoodPosition{"0,0,65536", 0, 0, 0},
                                           GoodPosition{"0,0,-65536", 0, 0, 0},
                                           GoodPosition{"32767,-32768,65535", 32767, -32768, 65535},
                                           GoodPosition{"40000,-40000,70000", -25536, 25536, 4464},
                                           GoodPosition{"-2147483648,2147483647,0", 0, -1, 0}));

struct BadPosition {
    const char* text;
    const char* error;
};

class PositionRejects : public ::testing::TestWithParam<BadPosition> {};

TEST_P(PositionRejects, SaysWhatIsWrong) {
    MapPosition position;
    std::string error;
    EXPECT_FALSE(parsePosition(GetParam().text, position, error));
    EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, PositionRejects,
    ::testing::Values(
        BadPosition{"", "'' must be X,Y,ANGLE (three numbers separated by commas)"},
        BadPosition{"1,2", "'1,2' must be X,Y,ANGLE (three numbers separated by commas)"},
        BadPosition{"1,2,3,4", "'1,2,3,4' has more than three numbers; expected X,Y,ANGLE"},
        BadPosition{"a,2,3", "X 'a' is not a whole number of at most 32 bits"},
        BadPosition{"1,,3", "Y '' is not a whole number of at most 32 bits"},
        BadPosition{"1,2,3.5", "ANGLE '3.5' is not a whole number of at most 32 bits"},
        BadPosition{"1, 2,3", "Y ' 2' is not a whole number of at most 32 bits"},
        BadPosition{"+-1,0,0", "X '+-1' is not a whole number of at most 32 bits"},
        BadPosition{"2147483648,0,0", "X '2147483648' is not a whole number of at most 32 bits"}));

}  // namespace
}  // namespace brindle
