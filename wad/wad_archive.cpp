// PLACEHOLDER: replaced by the archive implementation.
#include "wad/wad_archive.h"

#include <cstring>

namespace brindle {

WadArchive::WadArchive() = default;
WadArchive::WadArchive(const char* p) { open(p); }
WadArchive::~WadArchive() { freeLevel(); }
int32_t WadArchive::open(const char*) { return resultCannotRead; }
int32_t WadArchive::findLump(const char*, int32_t*) { return resultNotFound; }
int32_t WadArchive::loadLevel(int32_t, int32_t) { return resultCannotRead; }
int32_t WadArchive::loadLevel(const char*) { return resultCannotRead; }
int32_t WadArchive::freeLevel() { return resultOk; }
void WadArchive::getPlayerStart(int16_t* x, int16_t* y, int16_t* a) const {
    *x = startX;
    *y = startY;
    *a = startAngle;
}
const uint8_t* WadArchive::findTexture(const char* name, int16_t* w, int16_t* h) const {
    for (const TextureDef& t : textures) {
        if (std::strncmp(t.name, name, 8) == 0) {
            *w = t.width;
            *h = t.height;
            return t.pixels.empty() ? nullptr : t.pixels.data();
        }
    }
    *w = 0;
    *h = 0;
    return nullptr;
}
std::unique_ptr<uint8_t[]> WadArchive::paletteColorTable() const { return nullptr; }
int32_t WadArchive::writePcx(const char*, const uint8_t*, int32_t, int32_t) const { return -1; }

}  // namespace brindle
