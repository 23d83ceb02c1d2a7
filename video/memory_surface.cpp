// The frame's home outside Windows: plain memory with the same layout as the DIB section
// (640 x 400 bytes, top row first) and its own 256-entry colour table.
#include <array>
#include <cstring>

#include "render/renderer.h"

namespace brindle {

namespace {
struct MemorySection {
    std::array<uint8_t, frameBytes> pixels{};
    std::array<uint8_t, 1024> colors{};  // blue, green, red, 0 per entry
};

MemorySection* sectionOf(BitmapHandle handle) {
    return static_cast<MemorySection*>(handle);
}
}  // namespace

void Renderer::createFrameBuffer() {
    if (!bitmapInfo) {
        bitmapInfo = std::make_unique<uint8_t[]>(bitmapInfoBytes);
    }
    fillBitmapInfo(bitmapInfo.get(), archive->palettes[0].data());
    releaseFrameBuffer();
    auto* section = new MemorySection;
    std::memcpy(section->colors.data(), bitmapInfo.get() + 40, section->colors.size());
    dibSection = section;
    frameBuffer = section->pixels.data();
}

void Renderer::selectPalette(int16_t number) {
    if (number < 1 || number > 13 || dibSection == nullptr) {
        return;
    }
    const uint8_t* palette = archive->palettes[number].data();
    uint8_t* colors = sectionOf(dibSection)->colors.data();
    for (int i = 0; i < 256; ++i) {
        colors[4 * i + 0] = palette[3 * i + 2];
        colors[4 * i + 1] = palette[3 * i + 1];
        colors[4 * i + 2] = palette[3 * i + 0];
    }
}

void Renderer::releaseFrameBuffer() {
    delete sectionOf(dibSection);
    dibSection = nullptr;
    frameBuffer = nullptr;
}

}  // namespace brindle
