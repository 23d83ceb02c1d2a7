// Level records exactly as the archive stores them: little-endian, packed, read in bulk.
#pragma once

#include <bit>
#include <cstdint>

namespace brindle {

static_assert(std::endian::native == std::endian::little,
              "records are read straight from little-endian files");

struct Thing {
    int16_t x;
    int16_t y;
    int16_t angle;  // degrees
    int16_t type;   // 1 is the player-one start
    int16_t flags;
};

struct Linedef {
    int16_t startVertex;
    int16_t endVertex;
    int16_t flags;
    int16_t special;
    int16_t tag;
    int16_t rightSidedef;  // front side
    int16_t leftSidedef;   // back side; negative when the line has one side
};

struct Sidedef {
    int16_t xOffset;
    int16_t yOffset;
    char upperTexture[8];  // NUL-padded, not terminated when 8 characters long
    char lowerTexture[8];
    char middleTexture[8];
    int16_t sector;
};

struct Vertex {
    int16_t x;
    int16_t y;
};

struct Seg {
    int16_t startVertex;
    int16_t endVertex;
    int16_t angle;  // direction as an Angle, 65536 per turn
    int16_t linedef;
    int16_t side;  // 0: on the linedef's right side, 1: on its left side
    int16_t offset;
};

struct Subsector {
    int16_t segCount;
    int16_t firstSeg;
};

// A child reference with bit 15 set names a subsector (low 15 bits), otherwise a node.
constexpr uint16_t subsectorFlag = 0x8000;

struct Node {
    int16_t x;
    int16_t y;
    int16_t dx;
    int16_t dy;
    int16_t rightBox[4];  // top, bottom, left, right
    int16_t leftBox[4];
    uint16_t rightChild;
    uint16_t leftChild;
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

static_assert(sizeof(Thing) == 10);
static_assert(sizeof(Linedef) == 14);
static_assert(sizeof(Sidedef) == 30);
static_assert(sizeof(Vertex) == 4);
static_assert(sizeof(Seg) == 12);
static_assert(sizeof(Subsector) == 4);
static_assert(sizeof(Node) == 28);
static_assert(sizeof(Sector) == 26);

}  // namespace brindle
