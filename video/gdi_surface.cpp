// The frame's home on Windows: a top-down 640 x 400 8-bit DIB section. The renderer draws
// straight into the section's own pixel memory, and the shell stretches the section onto the
// window, so nothing is copied between drawing and presentation.
#include <windows.h>

#include <cstring>

#include "render/renderer.h"

namespace brindle {

namespace {

// Drawing never writes through a null pointer: should the section ever fail to be created
// (out of memory), frames go here instead and simply are not shown.
uint8_t fallbackFrame[frameBytes];

HWND windowOf(WindowHandle handle) {
    return static_cast<HWND>(handle);
}
HBITMAP bitmapOf(BitmapHandle handle) {
    return static_cast<HBITMAP>(handle);
}

}  // namespace

void Renderer::createFrameBuffer() {
    if (!bitmapInfo) {
        bitmapInfo = std::make_unique<uint8_t[]>(bitmapInfoBytes);
    }
    HDC windowDc = GetDC(windowOf(window));
    fillBitmapInfo(bitmapInfo.get(), archive->palettes[0].data());
    releaseFrameBuffer();

    void* pixels = nullptr;
    HBITMAP section =
        CreateDIBSection(windowDc, reinterpret_cast<const BITMAPINFO*>(bitmapInfo.get()),
                         DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (section != nullptr && pixels != nullptr) {
        dibSection = section;
        frameBuffer = static_cast<uint8_t*>(pixels);
    } else {
        if (section != nullptr) {
            DeleteObject(section);
        }
        frameBuffer = fallbackFrame;
    }
    ReleaseDC(windowOf(window), windowDc);
}

void Renderer::selectPalette(int16_t number) {
    if (number < 1 || number > 13 || dibSection == nullptr) {
        return;
    }
    HDC windowDc = GetDC(windowOf(window));
    HDC sectionDc = CreateCompatibleDC(windowDc);
    HGDIOBJ previous = SelectObject(sectionDc, bitmapOf(dibSection));

    RGBQUAD colors[256];
    std::memset(colors, 0, sizeof colors);
    GetDIBColorTable(sectionDc, 0, 256, colors);
    const uint8_t* palette = archive->palettes[number].data();
    for (int i = 0; i < 256; ++i) {
        colors[i].rgbBlue = palette[3 * i + 2];
        colors[i].rgbGreen = palette[3 * i + 1];
        colors[i].rgbRed = palette[3 * i + 0];
    }
    SetDIBColorTable(sectionDc, 0, 256, colors);

    SelectObject(sectionDc, previous);
    DeleteDC(sectionDc);
    ReleaseDC(windowOf(window), windowDc);
}

void Renderer::releaseFrameBuffer() {
    if (dibSection != nullptr) {
        DeleteObject(bitmapOf(dibSection));
    }
    dibSection = nullptr;
    frameBuffer = nullptr;
}

}  // namespace brindle
