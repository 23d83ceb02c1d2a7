// Checks the DIB-section frame against the real GDI (run under Wine by scripts/e2e-wine.sh):
// the section's shape and pixel memory, its colour table, palette selection, re-creation and
// the top-down row order. Prints each failed check and exits with 1 if any failed.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "render/renderer.h"
#include "wad/wad_archive.h"

using brindle::Renderer;
using brindle::WadArchive;

namespace {

int failures = 0;

void check(bool ok, const char* what) {
    if (!ok) {
        std::printf("FAILED: %s\n", what);
        ++failures;
    }
}

// Palettes whose entries all differ from each other and from palette to palette.
void fillPalettes(WadArchive& archive) {
    for (int n = 0; n < WadArchive::paletteCount; ++n) {
        for (int i = 0; i < WadArchive::paletteBytes; ++i) {
            archive.palettes[n][i] = static_cast<uint8_t>(i * 7 + n * 13 + i / 256);
        }
    }
}

// The section's colour table as GDI holds it.
bool readColorTable(const Renderer& renderer, RGBQUAD (&colors)[256]) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, static_cast<HBITMAP>(renderer.dibSection));
    std::memset(colors, 0xAB, sizeof colors);
    const UINT read = GetDIBColorTable(dc, 0, 256, colors);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return read == 256;
}

// True when every colour entry is palette entry i with red and blue swapped, reserved 0.
bool tableHoldsPalette(const RGBQUAD (&colors)[256], const uint8_t* palette) {
    for (int i = 0; i < 256; ++i) {
        if (colors[i].rgbRed != palette[3 * i] || colors[i].rgbGreen != palette[3 * i + 1] ||
            colors[i].rgbBlue != palette[3 * i + 2] || colors[i].rgbReserved != 0) {
            return false;
        }
    }
    return true;
}

bool blockHoldsPalette(const uint8_t* block, const uint8_t* palette) {
    for (int i = 0; i < 256; ++i) {
        const uint8_t* entry = block + 40 + 4 * i;
        if (entry[0] != palette[3 * i + 2] || entry[1] != palette[3 * i + 1] ||
            entry[2] != palette[3 * i] || entry[3] != 0) {
            return false;
        }
    }
    return true;
}

// The colour GDI shows for pixel (x, y) of the section, as 0x00RRGGBB.
COLORREF shownColor(const Renderer& renderer, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, static_cast<HBITMAP>(renderer.dibSection));
    const COLORREF color = GetPixel(dc, x, y);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return color;
}

COLORREF paletteColor(const uint8_t* palette, int index) {
    return RGB(palette[3 * index], palette[3 * index + 1], palette[3 * index + 2]);
}

void checkSectionShape(const Renderer& renderer) {
    DIBSECTION section{};
    const int size =
        GetObjectA(static_cast<HBITMAP>(renderer.dibSection), sizeof section, &section);
    check(size == sizeof section, "the frame bitmap is a DIB section");
    check(section.dsBm.bmBits == renderer.frameBuffer,
          "frameBuffer is the section's own pixel memory");
    check(section.dsBm.bmWidth == 640 && section.dsBm.bmHeight == 400, "the section is 640 x 400");
    check(section.dsBm.bmBitsPixel == 8 && section.dsBm.bmWidthBytes == 640,
          "8 bits a pixel, 640 bytes a row");
    check(renderer.frameBitmap() == renderer.dibSection, "frameBitmap is the section");
}

void checkRowOrder(Renderer& renderer, const uint8_t* palette0) {
    renderer.clearFrame(0);
    renderer.frameBuffer[0] = 17;                         // (0, 0)
    renderer.frameBuffer[639] = 33;                       // (639, 0)
    renderer.frameBuffer[399 * 640] = 65;                 // (0, 399)
    renderer.frameBuffer[brindle::frameBytes - 1] = 129;  // (639, 399), the last byte
    GdiFlush();
    struct Corner {
        int x, y, index;
        const char* what;
    };
    const Corner corners[] = {
        {0, 0, 17, "byte 0 is the top-left pixel"},
        {639, 0, 33, "byte 639 is the top-right pixel"},
        {0, 399, 65, "byte 399 * 640 is the bottom-left pixel"},
        {639, 399, 129, "the last byte is the bottom-right pixel"},
        {320, 200, 0, "a cleared pixel shows colour 0"},
    };
    for (const Corner& corner : corners) {
        check(shownColor(renderer, corner.x, corner.y) == paletteColor(palette0, corner.index),
              corner.what);
    }
}

void checkPaletteSelection(Renderer& renderer, const WadArchive& archive) {
    RGBQUAD colors[256];
    const int16_t ignored[] = {0, 14, 15, -1, INT16_MIN, INT16_MAX};
    for (int16_t number : ignored) {
        renderer.selectPalette(number);
        check(readColorTable(renderer, colors) &&
                  tableHoldsPalette(colors, archive.palettes[0].data()),
              "a palette number outside 1..13 leaves the colour table alone");
    }
    const int16_t accepted[] = {1, 7, 13};
    for (int16_t number : accepted) {
        renderer.selectPalette(number);
        check(readColorTable(renderer, colors) &&
                  tableHoldsPalette(colors, archive.palettes[number].data()),
              "palettes 1..13 replace the section's colour table");
        check(blockHoldsPalette(renderer.bitmapInfo.get(), archive.palettes[0].data()),
              "the bitmap description keeps palette 0");
    }
    renderer.frameBuffer[5] = 200;
    GdiFlush();
    check(shownColor(renderer, 5, 0) == paletteColor(archive.palettes[13].data(), 200),
          "pixels show through the selected palette");
}

void checkRecreation(Renderer& renderer, const WadArchive& archive) {
    HGDIOBJ first = static_cast<HBITMAP>(renderer.dibSection);
    const uint8_t* firstInfo = renderer.bitmapInfo.get();
    renderer.createFrameBuffer();
    check(GetObjectType(first) == 0, "a second createFrameBuffer deletes the first section");
    check(renderer.dibSection != nullptr && renderer.frameBuffer != nullptr,
          "a second createFrameBuffer makes a new section");
    check(renderer.bitmapInfo.get() == firstInfo, "the bitmap description is reused");
    checkSectionShape(renderer);
    RGBQUAD colors[256];
    check(readColorTable(renderer, colors) && tableHoldsPalette(colors, archive.palettes[0].data()),
          "re-creation brings palette 0 back");
}

}  // namespace

int main() {
    WadArchive archive;
    fillPalettes(archive);
    Renderer renderer(nullptr, &archive);

    checkSectionShape(renderer);
    check(blockHoldsPalette(renderer.bitmapInfo.get(), archive.palettes[0].data()),
          "the bitmap description holds palette 0");
    RGBQUAD colors[256];
    check(readColorTable(renderer, colors) && tableHoldsPalette(colors, archive.palettes[0].data()),
          "the section is coloured with palette 0");
    checkRowOrder(renderer, archive.palettes[0].data());
    checkPaletteSelection(renderer, archive);
    checkRecreation(renderer, archive);

    if (failures != 0) {
        std::printf("%d check(s) failed\n", failures);
        return 1;
    }
    std::printf("DIB-section frame: all checks passed\n");
    return 0;
}
