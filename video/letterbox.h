// Where a window shows the 640 x 400 frame: the largest rectangle of the picture's shape that
// fits the client area, centred, with black bars around it. Presentation only: the frame, the
// screenshots and brindle-render stay 640 x 400.
#pragma once

#include <cstdint>

namespace brindle {

enum class Aspect {
    square,     // 16:10, one frame pixel a square
    fourThree,  // 4:3 as the original displays showed it: each row 1.2 times as tall
};

// Parses "16:10" or "4:3"; false for anything else.
bool aspectNamed(const char* name, Aspect& aspect);

struct ScreenRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// The picture's place in a client area; empty when the area is.
ScreenRect letterbox(int32_t clientWidth, int32_t clientHeight, Aspect aspect);

}  // namespace brindle
