#include "video/letterbox.h"

#include <algorithm>
#include <cstring>

#include "render/renderer.h"

namespace brindle {

bool aspectNamed(const char* name, Aspect& aspect) {
    if (std::strcmp(name, "16:10") == 0) {
        aspect = Aspect::square;
        return true;
    }
    if (std::strcmp(name, "4:3") == 0) {
        aspect = Aspect::fourThree;
        return true;
    }
    return false;
}

ScreenRect letterbox(int32_t clientWidth, int32_t clientHeight, Aspect aspect) {
    if (clientWidth <= 0 || clientHeight <= 0) {
        return {};
    }
    // The shape shown: 640 x 400, or 640 x 480 with rows 1.2 times as tall.
    const int64_t shapeWidth = frameWidth;
    const int64_t shapeHeight = aspect == Aspect::fourThree ? frameHeight * 6 / 5 : frameHeight;
    ScreenRect rect;
    if (int64_t{clientWidth} * shapeHeight <= int64_t{clientHeight} * shapeWidth) {
        rect.width = clientWidth;
        rect.height = static_cast<int32_t>(clientWidth * shapeHeight / shapeWidth);
    } else {
        rect.height = clientHeight;
        rect.width = static_cast<int32_t>(clientHeight * shapeWidth / shapeHeight);
    }
    rect.width = std::max(rect.width, 1);
    rect.height = std::max(rect.height, 1);
    rect.x = (clientWidth - rect.width) / 2;
    rect.y = (clientHeight - rect.height) / 2;
    return rect;
}

}  // namespace brindle
