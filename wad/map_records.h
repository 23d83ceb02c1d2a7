// Level records as the renderer walks them, whatever format the archive stores them in. Record
// references are 32-bit and -1 means none, so a level may hold more records than 16-bit
// indices address; coordinates, heights and offsets stay the 16-bit values the maps store.
#pragma once

#include <bit>
#include <cstdint>

namespace brindle {

static_assert(std::endian::native == std::endian::little,
              "records are read straight from little-endian files");

// A reference that names no record.
constexpr int32_t noRecord = -1;

struct Thing {
    int16_t x;
    int16_t y;
    int16_t angle;              // degrees
    int16_t type;               // 1 is the player-one start
    int16_t flags;              // as the level's format stores them
    uint8_t skills = 0;         // bit k set: shown at skill k + 1 (skills 1 to 5)
    bool singlePlayer = false;  // false: a thing of the multiplayer modes only
};

struct Linedef {
    int32_t startVertex;
    int32_t endVertex;
    int16_t flags;  // 32: secret, 128: never shown on the map, in every format
    int16_t special;
    int16_t tag;
    int32_t rightSidedef;  // front side
    int32_t leftSidedef;   // back side; noRecord (or any negative value) when the line has one side
};

struct Sidedef {
    int16_t xOffset;
    int16_t yOffset;
    char upperTexture[8];  // NUL-padded, not terminated when 8 characters long
    char lowerTexture[8];
    char middleTexture[8];
    int32_t sector;
};

struct Vertex {
    int16_t x;
    int16_t y;
};

struct Seg {
    int32_t startVertex;
    int32_t endVertex;
    int16_t angle;    // direction as an Angle, 65536 per turn
    int32_t linedef;  // noRecord for a miniseg, which is never drawn
    int16_t side;     // 0: on the linedef's right side, 1: on its left side
    int16_t offset;
};

struct Subsector {
    int32_t segCount;
    int32_t firstSeg;
};

// A child reference with bit 31 set names a subsector (the low 31 bits), otherwise a node.
constexpr uint32_t subsectorFlag = 0x80000000u;
constexpr uint32_t childIndexMask = 0x7FFFFFFFu;

struct Node {
    int16_t x;
    int16_t y;
    int16_t dx;
    int16_t dy;
    int16_t rightBox[4];  // top, bottom, left, right
    int16_t leftBox[4];
    uint32_t rightChild;
    uint32_t leftChild;
};

struct Sector {
    int16_t floorHeight;
    int16_t ceilingHeight;
    char floorFlat[8];
    char ceilingFlat[8];
    int16_t lightLevel;
    int16_t special;
    int16_t tag;
};

// The level formats and node formats a level may come in.
enum class LevelFormat { doom, hexen, udmf };
enum class NodeFormat { none, classic, deepbsp, xnod, znod, xgln, zgln, xgl2, zgl2, xgl3, zgl3 };

const char* levelFormatName(LevelFormat format);
const char* nodeFormatName(NodeFormat format);

}  // namespace brindle
