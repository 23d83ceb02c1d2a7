// Where the windows show the frame: the largest rectangle of the picture's shape, centred.
#include <gtest/gtest.h>

#include "video/letterbox.h"

namespace brindle {
namespace {

TEST(Letterbox, LargestCentredRectangleOfThePicturesShape) {
    const struct {
        int32_t width, height;
        Aspect aspect;
        ScreenRect want;
    } cases[] = {
        {640, 400, Aspect::square, {0, 0, 640, 400}},
        {1280, 800, Aspect::square, {0, 0, 1280, 800}},
        {1024, 768, Aspect::square, {0, 64, 1024, 640}},    // bars above and below
        {1920, 1080, Aspect::square, {96, 0, 1728, 1080}},  // bars left and right
        {638, 417, Aspect::square, {0, 9, 638, 398}},       // rounded down, centred
        {640, 480, Aspect::fourThree, {0, 0, 640, 480}},
        {1024, 768, Aspect::fourThree, {0, 0, 1024, 768}},
        {1920, 1080, Aspect::fourThree, {240, 0, 1440, 1080}},
        {640, 400, Aspect::fourThree, {53, 0, 533, 400}},
        {1, 1000, Aspect::square, {0, 499, 1, 1}},  // never narrower than a pixel
        {0, 400, Aspect::square, {0, 0, 0, 0}},     // minimised: nothing shows
        {640, -1, Aspect::fourThree, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const ScreenRect got = letterbox(c.width, c.height, c.aspect);
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        EXPECT_EQ(got.x, c.want.x);
        EXPECT_EQ(got.y, c.want.y);
        EXPECT_EQ(got.width, c.want.width);
        EXPECT_EQ(got.height, c.want.height);
    }
}

}  // namespace
}  // namespace brindle
