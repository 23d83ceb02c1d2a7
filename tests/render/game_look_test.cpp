// The game look: the fast frame against the frame worked out pixel by pixel from the
// definition, and the arithmetic of planes, sky and light on hand-made views.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/viewer.h"
#include "render/lighting.h"
#include "render/sky.h"
#include "tests/render/game_look_reference.h"
#include "tests/render/test_level.h"
#include "tests/support/test_data.h"

namespace brindle {
namespace {

struct View {
    const char* name;
    int16_t x;
    int16_t y;
    int16_t angle;
};

// Renders the view both ways; the number of pixels that differ, and where the first one is.
int differingPixels(Renderer& r, const View& v, std::string& first) {
    r.setView(v.x, v.y, v.angle);
    test::renderGameLookByDefinition(r);
    const std::vector<uint8_t> expected(r.frameBuffer, r.frameBuffer + frameBytes);
    if (const char* dir = std::getenv("BRINDLE_FRAME_DIR")) {
        test::writePpm(r, std::string(dir) + "/" + v.name + "-definition.ppm");
    }
    r.look = Look::game;
    r.renderFrame();
    if (const char* dir = std::getenv("BRINDLE_FRAME_DIR")) {
        test::writePpm(r, std::string(dir) + "/" + v.name + "-game.ppm");
    }
    int count = 0;
    for (int i = 0; i < frameBytes; ++i) {
        if (r.frameBuffer[i] != expected[i]) {
            if (count++ == 0) {
                first = "row " + std::to_string(i / frameWidth) + " column " +
                        std::to_string(i % frameWidth) + ": " + std::to_string(r.frameBuffer[i]) +
                        " instead of " + std::to_string(expected[i]);
            }
        }
    }
    return count;
}

TEST(GameLookFrames, MatchTheDefinitionOnFreedoomViews) {
    const std::string path = test::freedoom1Path();
    BRINDLE_REQUIRE_ARCHIVE(path);
    WadArchive archive;
    ASSERT_EQ(archive.open(path.c_str()), 1);
    ASSERT_EQ(archive.loadLevel("E1M1"), 1);
    Renderer r(nullptr, &archive);
    int16_t x = 0, y = 0, degrees = 0;
    archive.getPlayerStart(&x, &y, &degrees);
    const View views[] = {
        {"e1m1-start", x, y, static_cast<int16_t>(startAngleFromDegrees(degrees))},
        {"e1m1-corridor", 200, 304, 0},
        {"e1m1-door-room", 1000, 600, 16384},
    };
    for (const View& v : views) {
        std::string first;
        EXPECT_EQ(differingPixels(r, v, first), 0) << v.name << ", first at " << first;
    }
}

}  // namespace
}  // namespace brindle
