// Platform-neutral frame operations.
#include <cstring>

#include "render/renderer.h"

namespace brindle {

void Renderer::clearFrame(uint8_t value) {
    std::memset(frameBuffer, value, frameBytes);
}

void Renderer::copyFrame(const uint8_t* picture) {
    std::memcpy(frameBuffer, picture, frameBytes);
}

int32_t Renderer::saveScreenshot(const char* fileName) const {
    return archive->writePcx(fileName, frameBuffer, frameWidth, frameHeight);
}

}  // namespace brindle
