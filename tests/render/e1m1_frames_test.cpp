// Whole frames of freedoom1.wad's E1M1, kept as regression checks (FNV-1a 64 of the 256000
// bytes). The pictures were looked at before their hashes were taken: textured walls in
// perspective, column 0 clear, the floors in palette index 30; in the game look lit walls over
// textured floors and ceilings, the sky above the start room's window and the corridor; with
// things: the dead marine and the gore at the start lying on the floor, two imps and a potion
// in the door room's dark, two barrels standing on the floor before a wall, an imp seen from
// behind with items at the foot of a pillar. Set
// BRINDLE_FRAME_DIR to write them out again as PPM files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/viewer.h"
#include "tests/render/test_level.h"
#include "tests/support/test_data.h"

namespace brindle {
namespace {

struct Viewpoint {
    const char* name;
    int16_t x;
    int16_t y;
    int16_t angle;
    bool floors;
    uint64_t hash;
    Look look = Look::plain;
};

class E1M1FramesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string path = test::freedoom1Path();
        BRINDLE_REQUIRE_ARCHIVE(path);
        ASSERT_EQ(archive.open(path.c_str()), 1) << archive.errorText();
        ASSERT_EQ(archive.loadLevel("E1M1"), 1) << archive.errorText();
        renderer = std::make_unique<Renderer>(nullptr, &archive);
    }

    // Renders the viewpoint, writes it out when asked to, and returns the frame's hash.
    uint64_t render(const Viewpoint& v) {
        renderer->drawFloors = v.floors;
        renderer->look = v.look;
        renderer->setView(v.x, v.y, v.angle);
        renderer->renderFrame();
        if (const char* dir = std::getenv("BRINDLE_FRAME_DIR")) {
            test::writePpm(*renderer, std::string(dir) + "/" + v.name + ".ppm");
        }
        return test::frameHash(*renderer);
    }

    WadArchive archive;
    std::unique_ptr<Renderer> renderer;
};

TEST_F(E1M1FramesTest, FramesMatchTheRecordedOnes) {
    int16_t x = 0, y = 0, degrees = 0;
    archive.getPlayerStart(&x, &y, &degrees);
    const auto start = static_cast<int16_t>(startAngleFromDegrees(degrees));
    const Viewpoint viewpoints[] = {
        {"start", x, y, start, false, 0x901210942b87ed20},
        {"start-floors", x, y, start, true, 0x8d45cf6ccb62163b},
        {"corridor", 200, 304, 0, false,
         0xd291a92c34fbfa72},  // further east along the start's facing
        {"door-room", 1000, 600, 16384, false,
         0xe7c7c72faa41fbd2},  // a room to the north-east, facing north
        {"door-room-floors", 1000, 600, 16384, true, 0x2da989185e2b6932},
        {"start-game", x, y, start, false, 0x8fcd1c49ede41ef9, Look::game},
        {"corridor-game", 200, 304, 0, false, 0x84c030a0678fcad6, Look::game},
        {"door-room-game", 1000, 600, 16384, true, 0xf4d4676a2d84564d,
         Look::game},  // floors make no difference
        {"barrels-game", 800, 600, 0, false, 0xf5c2e0194f97f8d1,
         Look::game},  // two barrels before a wall
        {"imp-game", 700, 900, 16384, false, 0x8905aa916c4ad335,
         Look::game},  // an imp's back, items by a pillar
    };
    for (const Viewpoint& v : viewpoints) {
        const uint64_t hash = render(v);
        EXPECT_EQ(hash, v.hash) << v.name << ": 0x" << std::hex << hash;
    }
}

// The frame drawn nearest first, passing over what is out of view or hidden, against the
// painter's walk of the whole tree, over a grid of places and facings.
TEST_F(E1M1FramesTest, NearestFirstEqualsThePaintersFrame) {
    std::vector<uint8_t> painted(frameBytes);
    int compared = 0;
    for (const size_t nearestFirstSegs : {size_t{0}, SIZE_MAX}) {
        renderer->nearestFirstSegs = nearestFirstSegs;
        for (int16_t x = -800; x <= 2400; x += 400) {
            for (int16_t y = -800; y <= 2400; y += 400) {
                for (int32_t angle = 0; angle < 65536; angle += 8192 + 1000) {
                    renderer->setView(x, y, static_cast<int16_t>(angle));
                    renderer->clearFrame(0);
                    renderer->renderNode(static_cast<uint32_t>(archive.rootNode));
                    std::copy(renderer->frameBuffer, renderer->frameBuffer + frameBytes,
                              painted.begin());
                    renderer->renderFrame();
                    ASSERT_TRUE(std::equal(painted.begin(), painted.end(), renderer->frameBuffer))
                        << x << "," << y << "," << angle;
                    ++compared;
                }
            }
        }
    }
    EXPECT_EQ(compared, 2 * 9 * 9 * 8);
}

}  // namespace
}  // namespace brindle
