// Turning, stepping and strafing with the keys and the mouse, and what a tick draws and shows.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/viewer.h"
#include "tests/app/test_room.h"

namespace brindle {
namespace {

using test::makeRoomViewer;

// The keys held during one tick, spelled as in "LU" (Left and Up): L, R, U, D, < and >
// (strafe), S (run), A (Alt).
KeyPoll held(const std::string& keys) {
    return [keys](MoveKey key) {
        constexpr char letters[] = "LRUD<>SA";  // in MoveKey order
        return keys.find(letters[static_cast<int>(key)]) != std::string::npos;
    };
}

TEST(StartAngle, DegreesBecomeAngleUnitsTruncated) {
    const struct {
        int16_t degrees;
        uint16_t angle;
    } cases[] = {
        {0, 0},
        {45, 8281},
        {90, 16563},
        {135, 24845},
        {180, 33127},
        {225, 41409},
        {270, 49691},
        {315, 57973},
        {1, 184},
        {-90, 48973},   // -16563.99 truncates toward
                        // zero to -16563
        {360, 719},     // 66255 keeps its low 16 bits
        {32767, 1272},  // 6030584 keeps its low 16 bits
        {-32768, 64080},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(startAngleFromDegrees(c.degrees), c.angle) << c.degrees << " degrees";
    }
}

struct MoveCase {
    const char* name;
    int16_t x, y;
    uint16_t angle;
    const char* keys;
    int16_t wantX, wantY;
    uint16_t wantAngle;
    int32_t mouse = 0;  // pixels to the right during the tick
};

class MoveViewer : public testing::TestWithParam<MoveCase> {};

TEST_P(MoveViewer, TurnsThenStepsAndPlacesTheView) {
    const MoveCase& c = GetParam();
    Viewer viewer = makeRoomViewer(c.x, c.y, c.angle);
    viewer.frameCurrent = true;

    EXPECT_TRUE(moveViewer(viewer, held(c.keys), c.mouse));

    EXPECT_EQ(viewer.playerX, c.wantX);
    EXPECT_EQ(viewer.playerY, c.wantY);
    EXPECT_EQ(viewer.playerAngle, c.wantAngle);
    EXPECT_EQ(viewer.renderer->viewX, c.wantX);
    EXPECT_EQ(viewer.renderer->viewY, c.wantY);
    EXPECT_EQ(static_cast<uint16_t>(viewer.renderer->viewAngle), c.wantAngle);
    EXPECT_FALSE(viewer.frameCurrent) << "a placed view needs a new frame";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MoveViewer,
    testing::Values(MoveCase{"East_Up", 100, 100, 0, "U", 150, 100, 0},
                    MoveCase{"East_Down", 100, 100, 0, "D", 50, 100, 0},
                    // cosine(16384) is -1, so the forward step rounds down to -1 and back up to +1.
                    MoveCase{"North_Up", 100, 100, 16384, "U", 99, 150, 16384},
                    MoveCase{"North_Down", 100, 100, 16384, "D", 101, 50, 16384},
                    MoveCase{"West_Up", 100, 100, 32768, "U", 50, 99, 32768},
                    MoveCase{"West_Down", 100, 100, 32768, "D", 150, 101, 32768},
                    MoveCase{"South_Up", 100, 100, 49152, "U", 100, 50, 49152},
                    MoveCase{"NorthEast_Up", 100, 100, 8192, "U", 135, 135, 8192},
                    MoveCase{"NorthWest_Up", 100, 100, 24576, "U", 64, 135, 24576},
                    MoveCase{"Left", 100, 100, 0, "L", 100, 100, 910},
                    MoveCase{"Right", 100, 100, 0, "R", 100, 100, 64626},
                    MoveCase{"LeftWraps", 100, 100, 65000, "L", 100, 100, 374},
                    MoveCase{"LeftAndRightCancel", 100, 100, 1000, "LR", 100, 100, 1000},
                    MoveCase{"UpAndDownStepBack", 100, 100, 0, "UD", 50, 100, 0},
                    // The turn comes first: from 910 short of north, Left+Up steps north.
                    MoveCase{"LeftThenUp", 100, 100, 16384 - 910, "LU", 99, 150, 16384},
                    MoveCase{"RightThenUp", 100, 100, 16384 + 910, "RU", 99, 150, 16384},
                    MoveCase{"LeftThenDown", 100, 100, 32768 - 910, "LD", 150, 101, 32768},
                    MoveCase{"AllFourStepBack", 100, 100, 0, "LRUD", 50, 100, 0},
                    MoveCase{"XWrapsForward", 32760, 100, 0, "U", -32726, 100, 0},
                    MoveCase{"XWrapsBackward", -32760, 100, 0, "D", 32726, 100, 0},
                    MoveCase{"YWrapsForward", 100, 32760, 16384, "U", 99, -32726, 16384},
                    MoveCase{"XWrapsWest", -32760, 100, 32768, "U", 32726, 99, 32768},
                    // Run doubles the turn and the step; 100 along a cosine of -1 is still -1.
                    MoveCase{"RunUp", 100, 100, 0, "SU", 200, 100, 0},
                    MoveCase{"RunDown", 100, 100, 16384, "SD", 101, 0, 16384},
                    MoveCase{"RunLeft", 100, 100, 0, "SL", 100, 100, 1820},
                    MoveCase{"RunRight", 100, 100, 0, "SR", 100, 100, 63716},
                    // Strafing steps a quarter turn left or right of the facing.
                    MoveCase{"StrafeLeft", 100, 100, 0, "<", 99, 150, 0},
                    MoveCase{"StrafeRight", 100, 100, 0, ">", 100, 50, 0},
                    MoveCase{"RunStrafeLeft", 100, 100, 0, "S<", 99, 200, 0},
                    MoveCase{"RunStrafeRight", 100, 100, 0, "S>", 100, 0, 0},
                    MoveCase{"StrafeLeftFacingNorth", 100, 100, 16384, "<", 50, 99, 16384},
                    MoveCase{"BothStrafesGoRight", 100, 100, 0, "<>", 100, 50, 0},
                    MoveCase{"UpThenStrafe", 100, 100, 0, "U<", 149, 150, 0},
                    MoveCase{"TurnThenStrafe", 100, 100, 16384 - 910, "L<", 50, 99, 16384},
                    MoveCase{"StrafeYWraps", 100, 32760, 0, "<", 99, -32726, 0},
                    // Alt makes Left and Right strafe instead of turning.
                    MoveCase{"AltLeftStrafes", 100, 100, 0, "AL", 99, 150, 0},
                    MoveCase{"AltRightStrafes", 100, 100, 0, "AR", 100, 50, 0},
                    MoveCase{"AltRunLeft", 100, 100, 0, "ASL", 99, 200, 0},
                    MoveCase{"AltUpStillWalks", 100, 100, 0, "AU", 150, 100, 0},
                    // The mouse turns 16 units a pixel, left for motion to the left, at most
                    // 8192 a tick, after the keys' turn and before the step; run leaves it be.
                    MoveCase{"MouseLeft", 100, 100, 0, "", 100, 100, 640, -40},
                    MoveCase{"MouseRight", 100, 100, 0, "", 100, 100, 64896, 40},
                    MoveCase{"MouseAtTheLimit", 100, 100, 0, "", 100, 100, 8192, -512},
                    MoveCase{"MouseClampedLeft", 100, 100, 0, "", 100, 100, 8192, -513},
                    MoveCase{"MouseClampedRight", 100, 100, 0, "", 100, 100, 57344, 100000},
                    MoveCase{"MouseExtreme", 100, 100, 0, "", 100, 100, 8192, INT32_MIN},
                    MoveCase{"MouseWithRun", 100, 100, 0, "S", 100, 100, 640, -40},
                    MoveCase{"LeftAndMouse", 100, 100, 0, "L", 100, 100, 750, 10},
                    MoveCase{"MouseThenUp", 100, 100, 16384 - 640, "U", 99, 150, 16384, -40}),
    [](const testing::TestParamInfo<MoveCase>& info) { return std::string(info.param.name); });

// Run and Alt change how the other keys move; held alone, like no key, they change nothing.
TEST(MoveViewerKeys, NoMovementKeyAndNoMouseLeaveEverythingAlone) {
    for (const char* keys : {"", "S", "A", "SA"}) {
        Viewer viewer = makeRoomViewer(100, 100, 0);
        viewer.frameCurrent = true;
        // The player is moved behind the renderer's back: an untouched view keeps the old place.
        viewer.playerX = 120;

        EXPECT_FALSE(moveViewer(viewer, held(keys), 0)) << keys;

        EXPECT_EQ(viewer.playerX, 120);
        EXPECT_EQ(viewer.playerAngle, 0);
        EXPECT_EQ(viewer.renderer->viewX, 100) << "setView must not run without a key";
        EXPECT_TRUE(viewer.frameCurrent);
    }
}

TEST(MoveViewerKeys, KeyReleasedBetweenThePollsCountsAsUp) {
    Viewer viewer = makeRoomViewer(100, 100, 0);
    viewer.playerX = 120;
    int polls = 0;
    // Left is down on the first look only.
    const KeyPoll releasedAfterFirstLook = [&polls](MoveKey key) {
        return key == MoveKey::left && polls++ == 0;
    };

    EXPECT_TRUE(moveViewer(viewer, releasedAfterFirstLook));

    EXPECT_EQ(viewer.playerAngle, 0);
    EXPECT_EQ(viewer.renderer->viewX, 120) << "the view is placed even though nothing moved";
}

TEST(MoveViewerKeys, SeventyTwoLeftTurnsFallSixteenShortOfAFullTurn) {
    Viewer viewer = makeRoomViewer(100, 100, 0);
    for (int i = 0; i < 72; ++i) {
        moveViewer(viewer, held("L"));
    }
    EXPECT_EQ(viewer.playerAngle, 65520);
    EXPECT_EQ(viewer.playerX, 100);
    EXPECT_EQ(viewer.playerY, 100);
}

// Small negative cosines and sines step by -1 forward and +1 back; small positive ones by 0.
TEST(MoveViewerKeys, TinyComponentsRoundTowardMinusInfinity) {
    Viewer viewer = makeRoomViewer(0, 0, 0);
    int tinyNegative = 0;
    int tinyPositive = 0;
    for (int angle = 0; angle < 65536; angle += 8) {
        const int32_t components[2] = {viewer.renderer->cosine(angle),
                                       viewer.renderer->sine(angle)};
        for (int axis = 0; axis < 2; ++axis) {
            const int32_t c = components[axis];
            if (c < -1310 || c > 1310) {
                continue;
            }
            const int forward = c < 0 ? -1 : 0;
            const int back = c < 0 ? 1 : 0;
            (c < 0 ? tinyNegative : tinyPositive)++;
            for (const auto& [keys, want] : {std::pair{"U", forward}, std::pair{"D", back}}) {
                viewer.playerX = 0;
                viewer.playerY = 0;
                viewer.playerAngle = static_cast<uint16_t>(angle);
                moveViewer(viewer, held(keys));
                EXPECT_EQ(axis == 0 ? viewer.playerX : viewer.playerY, want)
                    << "angle " << angle << " keys " << keys << " component " << c;
            }
        }
    }
    EXPECT_GT(tinyNegative, 0);
    EXPECT_GT(tinyPositive, 0);
}

// Column 0 is never drawn by the renderer, so a mark there survives only if no frame was
// drawn over it.
constexpr uint8_t mark = 77;

TEST(Tick, PresentsEveryTickButDrawsOnlyANewView) {
    Viewer viewer = makeRoomViewer(128, 128, 0);
    int presented = 0;
    const Present countPresents = [&presented](const Renderer&) { ++presented; };

    tick(viewer, held(""), countPresents);
    EXPECT_EQ(presented, 1);
    EXPECT_EQ(viewer.framesRendered, 1u) << "the first tick draws the start view";
    EXPECT_EQ(viewer.renderer->frameBuffer[0], 0);

    viewer.renderer->frameBuffer[0] = mark;
    tick(viewer, held(""), countPresents);
    tick(viewer, held(""), countPresents);
    EXPECT_EQ(presented, 3);
    EXPECT_EQ(viewer.framesRendered, 1u);
    EXPECT_EQ(viewer.renderer->frameBuffer[0], mark) << "an unchanged view is not redrawn";

    tick(viewer, held("L"), countPresents);
    EXPECT_EQ(presented, 4);
    EXPECT_EQ(viewer.framesRendered, 2u);
    EXPECT_EQ(viewer.renderer->frameBuffer[0], 0) << "a turn draws a new frame";
    EXPECT_EQ(viewer.playerAngle, 910);
}

TEST(Tick, TheLookAndThingKeysSwitchAndTheNextTickDrawsIt) {
    Viewer viewer = makeRoomViewer(128, 128, 0);
    tick(viewer, held(""), [](const Renderer&) {});
    for (const Look expected : {Look::game, Look::plain}) {
        pressKey(viewer, ViewerKey::toggleLook, [](const std::string&) {});
        EXPECT_EQ(viewer.renderer->look, expected);
        const uint64_t before = viewer.framesRendered;
        tick(viewer, held(""), [](const Renderer&) {});
        EXPECT_EQ(viewer.framesRendered, before + 1);
    }
    // T: the things off, then on again, each drawing a new frame.
    for (const bool expected : {false, true}) {
        pressKey(viewer, ViewerKey::toggleThings, [](const std::string&) {});
        EXPECT_EQ(viewer.renderer->drawThings, expected);
        const uint64_t before = viewer.framesRendered;
        tick(viewer, held(""), [](const Renderer&) {});
        EXPECT_EQ(viewer.framesRendered, before + 1);
    }
}

TEST(Tick, PresentsTheRendererItDrewInto) {
    Viewer viewer = makeRoomViewer(128, 128, 0);
    const Renderer* shown = nullptr;
    tick(viewer, held("U"), [&shown](const Renderer& renderer) { shown = &renderer; });
    EXPECT_EQ(shown, viewer.renderer.get());
    EXPECT_EQ(viewer.playerX, 178);
}

}  // namespace
}  // namespace brindle
