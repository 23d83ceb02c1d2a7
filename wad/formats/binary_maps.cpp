// Doom-format records: THINGS of 10 bytes and LINEDEFS of 14. Hexen-format records: THINGS of
// 20 bytes (with a tid, a height and a special) and LINEDEFS of 16 (a special byte and five
// arguments instead of a special and a tag). VERTEXES, SIDEDEFS and SECTORS are the same.
#include "wad/formats/binary_maps.h"

namespace brindle {

namespace {

template <typename Record, typename Decode>
void readEach(const LevelLump* lump, size_t recordSize, std::vector<Record>& out, Decode decode) {
    out.clear();
    if (lump == nullptr) {
        return;
    }
    const size_t count = lump->size() / recordSize;
    out.resize(count);
    for (size_t i = 0; i < count; ++i) {
        decode(lump->data() + i * recordSize, out[i]);
    }
}

void decodeDoomThing(const uint8_t* p, Thing& t) {
    t.x = readInt16(p);
    t.y = readInt16(p + 2);
    t.angle = readInt16(p + 4);
    t.type = readInt16(p + 6);
    t.flags = readInt16(p + 8);
    t.skills = skillsFromBinaryFlags(t.flags);
    t.singlePlayer = (t.flags & 0x10) == 0;
}

void decodeHexenThing(const uint8_t* p, Thing& t) {
    t.x = readInt16(p + 2);
    t.y = readInt16(p + 4);
    t.angle = readInt16(p + 8);
    t.type = readInt16(p + 10);
    t.flags = readInt16(p + 12);
    t.skills = skillsFromBinaryFlags(t.flags);
    t.singlePlayer = (t.flags & 0x0100) != 0;
}

void decodeDoomLinedef(const uint8_t* p, Linedef& l) {
    l.startVertex = readReference16(p);
    l.endVertex = readReference16(p + 2);
    l.flags = readInt16(p + 4);
    l.special = readInt16(p + 6);
    l.tag = readInt16(p + 8);
    l.rightSidedef = readReference16(p + 10);
    l.leftSidedef = readReference16(p + 12);
}

void decodeHexenLinedef(const uint8_t* p, Linedef& l) {
    l.startVertex = readReference16(p);
    l.endVertex = readReference16(p + 2);
    l.flags = readInt16(p + 4);
    l.special = p[6];
    l.tag = 0;
    l.rightSidedef = readReference16(p + 12);
    l.leftSidedef = readReference16(p + 14);
}

void decodeSidedef(const uint8_t* p, Sidedef& s) {
    s.xOffset = readInt16(p);
    s.yOffset = readInt16(p + 2);
    readName8(s.upperTexture, p + 4);
    readName8(s.lowerTexture, p + 12);
    readName8(s.middleTexture, p + 20);
    s.sector = readReference16(p + 28);
}

void decodeVertex(const uint8_t* p, Vertex& v) {
    v.x = readInt16(p);
    v.y = readInt16(p + 2);
}

void decodeSector(const uint8_t* p, Sector& s) {
    s.floorHeight = readInt16(p);
    s.ceilingHeight = readInt16(p + 2);
    readName8(s.floorFlat, p + 4);
    readName8(s.ceilingFlat, p + 12);
    s.lightLevel = readInt16(p + 20);
    s.special = readInt16(p + 22);
    s.tag = readInt16(p + 24);
}

}  // namespace

void readBinaryMap(const BinaryMapLumps& lumps, LevelFormat format, MapRecords& out) {
    if (format == LevelFormat::hexen) {
        readEach(lumps.things, 20, out.things, decodeHexenThing);
        readEach(lumps.linedefs, 16, out.linedefs, decodeHexenLinedef);
    } else {
        readEach(lumps.things, 10, out.things, decodeDoomThing);
        readEach(lumps.linedefs, 14, out.linedefs, decodeDoomLinedef);
    }
    readEach(lumps.sidedefs, 30, out.sidedefs, decodeSidedef);
    readEach(lumps.vertices, 4, out.vertices, decodeVertex);
    readEach(lumps.sectors, 26, out.sectors, decodeSector);
}

}  // namespace brindle
