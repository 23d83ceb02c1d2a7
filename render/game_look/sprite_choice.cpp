#include "render/game_look/sprite_choice.h"

#include <algorithm>
#include <string>

#include "render/fixed_math.h"

namespace brindle {

uint16_t thingAngleFromDegrees(int16_t degrees) {
    return static_cast<uint16_t>(static_cast<int32_t>(degrees * 184.04444444));
}

int32_t thingRotation(int32_t viewAngle, int32_t bearing, uint16_t thingAngle) {
    const uint32_t ang =
        (static_cast<uint32_t>(viewAngle) + (static_cast<uint32_t>(bearing) & 0xFFFF)) & 0xFFFF;
    return static_cast<int32_t>(((ang - thingAngle + 36864u) & 0xFFFFu) >> 13) + 1;
}

SpriteChoice chooseSprite(const WadArchive& archive, const char* sprite, char frame,
                          int32_t rotation) {
    const std::string base = std::string(sprite, 4) + frame;
    if (const SpritePicture* whole = archive.findSprite(base + '0')) {
        return {whole, false};
    }
    const char rotationDigit = static_cast<char>('0' + rotation);
    const std::vector<std::string>& names = archive.spriteNames();
    // The names are sorted, so those that start with P F R follow one another.
    const std::string prefix = base + rotationDigit;
    for (auto it = std::lower_bound(names.begin(), names.end(), prefix);
         it != names.end() && it->compare(0, prefix.size(), prefix) == 0; ++it) {
        if (it->size() == 6 || it->size() == 8) {
            if (const SpritePicture* picture = archive.findSprite(*it)) {
                return {picture, false};
            }
        }
    }
    // Mirrored: P, any frame and rotation, then F R as the name's seventh and eighth characters.
    const std::string sprite4(sprite, 4);
    for (auto it = std::lower_bound(names.begin(), names.end(), sprite4);
         it != names.end() && it->compare(0, 4, sprite4) == 0; ++it) {
        if (it->size() == 8 && (*it)[6] == frame && (*it)[7] == rotationDigit) {
            if (const SpritePicture* picture = archive.findSprite(*it)) {
                return {picture, true};
            }
        }
    }
    return {};
}

}  // namespace brindle
