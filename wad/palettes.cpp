// The 14 palettes and 34 colour maps, and palette 0 as a 4-byte colour table.
#include <algorithm>
#include <cstring>

#include "wad/wad_archive.h"

namespace brindle {

// Reads the found PLAYPAL lump. A lump shorter than 14 palettes fills only what it holds;
// the rest stays zero.
int32_t WadArchive::readPalettes() {
    if (stream(foundLump.file) == nullptr) {
        return resultCannotRead;
    }
    const LumpBytes bytes = readFoundLump(paletteCount * paletteBytes);
    for (size_t p = 0, at = 0; p < palettes.size() && at < bytes.size(); ++p, at += paletteBytes) {
        std::memcpy(palettes[p].data(), bytes.data() + at,
                    std::min<size_t>(paletteBytes, bytes.size() - at));
    }
    return resultOk;
}

// Reads the found COLORMAP lump, as much of the 34 maps as it holds.
int32_t WadArchive::readColorMaps() {
    if (stream(foundLump.file) == nullptr) {
        return resultCannotRead;
    }
    const LumpBytes bytes = readFoundLump(colorMapCount * colorMapBytes);
    for (size_t m = 0, at = 0; m < colorMaps.size() && at < bytes.size();
         ++m, at += colorMapBytes) {
        std::memcpy(colorMaps[m].data(), bytes.data() + at,
                    std::min<size_t>(colorMapBytes, bytes.size() - at));
    }
    return resultOk;
}

// Blue, green, red and a zero byte per entry: the layout of a Windows colour table.
std::unique_ptr<uint8_t[]> WadArchive::paletteColorTable() const {
    auto table = std::make_unique<uint8_t[]>(256 * 4);
    const auto& palette = palettes[0];
    for (int i = 0; i < 256; ++i) {
        table[i * 4 + 0] = palette[i * 3 + 2];
        table[i * 4 + 1] = palette[i * 3 + 1];
        table[i * 4 + 2] = palette[i * 3 + 0];
        table[i * 4 + 3] = 0;
    }
    return table;
}

}  // namespace brindle
