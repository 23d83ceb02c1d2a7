// Which picture of a sprite a thing shows: its rotation as seen from the viewer, then the lump
// for the sprite, frame and rotation.
#pragma once

#include <cstdint>

#include "wad/wad_archive.h"

namespace brindle {

// A thing's facing in degrees as an Angle, converted as the player start's is at start-up:
// times 184.04444444, truncated toward zero, low 16 bits.
uint16_t thingAngleFromDegrees(int16_t degrees);

// The rotation (1: the thing faces the viewer, to 8) of a thing facing thingAngle, whose
// direction from the viewer is the view angle plus `bearing` (angleOf(lateral, depth)).
int32_t thingRotation(int32_t viewAngle, int32_t bearing, uint16_t thingAngle);

struct SpriteChoice {
    const SpritePicture* picture = nullptr;  // null: nothing to draw
    bool flipped = false;
};

// The lump for sprite P (4 characters), frame F and rotation R, the first of: the lump P F 0,
// not flipped; the first by name of the lumps of 6 or 8 characters starting with P F R, not
// flipped; the first by name of the 8-character lumps P ? ? F R, flipped. A lump that is not a
// well-formed picture counts as absent.
SpriteChoice chooseSprite(const WadArchive& archive, const char* sprite, char frame,
                          int32_t rotation);

}  // namespace brindle
