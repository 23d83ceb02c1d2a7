// The sky texture of a map and its backdrop for one view angle.
#include "render/game_look/sky.h"

#include <cstring>

#include "render/renderer.h"

namespace brindle {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

const char* skyTextureName(const std::string& mapName) {
    static const char* const names[] = {"SKY1", "SKY2", "SKY3", "SKY4"};
    if (mapName.size() == 4 && mapName[0] == 'E' && mapName[2] == 'M' && isDigit(mapName[1]) &&
        isDigit(mapName[3])) {
        const int episode = mapName[1] - '0';
        return episode >= 1 && episode <= 4 ? names[episode - 1] : names[0];
    }
    if (mapName.size() == 5 && mapName.compare(0, 3, "MAP") == 0 && isDigit(mapName[3]) &&
        isDigit(mapName[4])) {
        const int number = (mapName[3] - '0') * 10 + (mapName[4] - '0');
        return number <= 11 ? names[0] : number <= 20 ? names[1] : names[2];
    }
    return names[0];
}

bool isSkyFlat(const char* flatName) {
    return std::strncmp(flatName, "F_SKY1", 8) == 0;
}

int32_t skyColumn(int16_t columnAngle, int16_t viewAngle, int32_t width) {
    const uint32_t u = (static_cast<uint32_t>(columnAngle - viewAngle) & 0xFFFFu) >> 6;
    return static_cast<int32_t>(u % static_cast<uint32_t>(width));
}

int32_t skyRow(int32_t y, int32_t height) {
    return (y * 100 / skyRows) % height;
}

bool SkyBackdrop::prepare(const Renderer& r) {
    int16_t w = 0;
    int16_t h = 0;
    const uint8_t* texels = r.archive->findTexture(skyTextureName(r.archive->levelName), &w, &h);
    if (texels == nullptr || w <= 0 || h <= 0) {
        texture = nullptr;
        return false;
    }
    // The archive's textures stay as they are while it is open, so the same texture at the
    // same view angle gives the same backdrop: standing still or walking costs no rebuild.
    if (texels == texture && w == width && h == height && r.viewAngle == angle &&
        !distinctRows.empty()) {
        return true;
    }
    texture = texels;
    width = w;
    height = h;
    angle = r.viewAngle;

    // One backdrop row per distinct texture row, in the order the frame's rows reach them.
    int32_t columns[frameWidth] = {};
    for (int32_t x = 1; x < frameWidth; ++x) {
        columns[x] = skyColumn(r.columnAngles[x], angle, width) * height;
    }
    distinctRows.clear();
    int32_t lastTexelRow = -1;
    int32_t built = -1;
    for (int32_t y = 0; y < skyRows; ++y) {
        const int32_t texelRow = skyRow(y, height);
        if (texelRow != lastTexelRow) {
            lastTexelRow = texelRow;
            ++built;
            distinctRows.resize(static_cast<size_t>(built + 1) * frameWidth, 0);
            uint8_t* out = distinctRows.data() + static_cast<size_t>(built) * frameWidth;
            for (int32_t x = 1; x < frameWidth; ++x) {
                out[x] = texels[columns[x] + texelRow];
            }
        }
        rowOf[y] = built;
    }
    return true;
}

}  // namespace brindle
