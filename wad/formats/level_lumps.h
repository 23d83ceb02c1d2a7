// What the level loader hands the format readers: the bytes of the level's lumps, and the
// records they produce. Each reader checks its counts against the bytes it is given and names
// what is wrong; none reads past a lump.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "wad/lump_bytes.h"
#include "wad/map_records.h"

namespace brindle {

// A lump as read from the level's file; `present` tells an empty lump from a missing one.
struct LevelLump {
    std::string name;  // as the directory names it, for messages
    bool present = false;
    LumpBytes bytes;
    size_t size() const { return bytes.size(); }
    const uint8_t* data() const { return bytes.data(); }
};

// The records of the map itself: what the level format stores.
struct MapRecords {
    std::vector<Thing> things;
    std::vector<Linedef> linedefs;
    std::vector<Sidedef> sidedefs;
    std::vector<Vertex> vertices;
    std::vector<Sector> sectors;
};

// The BSP tree and what comes with it: the node format's records. Extra vertices follow the
// map's own.
struct NodeRecords {
    NodeFormat format = NodeFormat::none;
    size_t statedVertices = 0;  // the map vertices the tree was built for
    std::vector<Vertex> extraVertices;
    std::vector<Seg> segs;
    std::vector<Subsector> subsectors;
    std::vector<Node> nodes;
};

// Little-endian reads from a buffer whose length the caller has checked.
inline int16_t readInt16(const uint8_t* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}
inline uint16_t readUint16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t readUint32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
inline int32_t readInt32(const uint8_t* p) {
    return static_cast<int32_t>(readUint32(p));
}
// A 16-bit record reference read unsigned: 0xFFFF names no record.
inline int32_t readReference16(const uint8_t* p) {
    const uint16_t v = readUint16(p);
    return v == 0xFFFF ? noRecord : int32_t{v};
}
// A 32-bit reference: all ones names no record; values past 31 bits can name none either.
inline int32_t readReference32(const uint8_t* p) {
    const uint32_t v = readUint32(p);
    return v > 0x7FFFFFFFu ? noRecord : static_cast<int32_t>(v);
}
inline void readName8(char* out, const uint8_t* p) {
    std::memcpy(out, p, 8);
}

// The skill and mode bits of the binary formats: bit 0 shows a thing at skills 1 and 2,
// bit 1 at skill 3, bit 2 at skills 4 and 5.
inline uint8_t skillsFromBinaryFlags(int16_t flags) {
    return static_cast<uint8_t>(((flags & 1) ? 0x03 : 0) | ((flags & 2) ? 0x04 : 0) |
                                ((flags & 4) ? 0x18 : 0));
}

}  // namespace brindle
