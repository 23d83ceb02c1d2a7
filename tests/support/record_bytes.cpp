// Level records written as a Doom-format level stores them.
#include <cstring>

#include "tests/support/synthetic_wad.h"

namespace brindle::test {

namespace {

// A reference as 16 bits: noRecord (or any negative value) is written as its low 16 bits, so
// -1 becomes 0xFFFF.
void appendReference16(Bytes& bytes, int32_t value) {
    appendInt16(bytes, value & 0xFFFF);
}

void appendBytes(Bytes& bytes, const char* text, size_t size) {
    bytes.insert(bytes.end(), text, text + size);
}

uint16_t classicChild(uint32_t child) {
    return static_cast<uint16_t>((child & subsectorFlag) != 0 ? 0x8000 | (child & 0x7FFF)
                                                              : child & 0xFFFF);
}

template <typename Record, typename Write>
Bytes eachRecord(const std::vector<Record>& records, Write write) {
    Bytes bytes;
    for (const Record& r : records) {
        write(bytes, r);
    }
    return bytes;
}

}  // namespace

Bytes recordBytes(const std::vector<Thing>& records) {
    return eachRecord(records, [](Bytes& b, const Thing& t) {
        for (int16_t v : {t.x, t.y, t.angle, t.type, t.flags}) {
            appendInt16(b, v);
        }
    });
}

Bytes recordBytes(const std::vector<Linedef>& records) {
    return eachRecord(records, [](Bytes& b, const Linedef& l) {
        appendReference16(b, l.startVertex);
        appendReference16(b, l.endVertex);
        for (int16_t v : {l.flags, l.special, l.tag}) {
            appendInt16(b, v);
        }
        appendReference16(b, l.rightSidedef);
        appendReference16(b, l.leftSidedef);
    });
}

Bytes recordBytes(const std::vector<Sidedef>& records) {
    return eachRecord(records, [](Bytes& b, const Sidedef& s) {
        appendInt16(b, s.xOffset);
        appendInt16(b, s.yOffset);
        appendBytes(b, s.upperTexture, 8);
        appendBytes(b, s.lowerTexture, 8);
        appendBytes(b, s.middleTexture, 8);
        appendReference16(b, s.sector);
    });
}

Bytes recordBytes(const std::vector<Vertex>& records) {
    return eachRecord(records, [](Bytes& b, const Vertex& v) {
        appendInt16(b, v.x);
        appendInt16(b, v.y);
    });
}

Bytes recordBytes(const std::vector<Seg>& records) {
    return eachRecord(records, [](Bytes& b, const Seg& s) {
        appendReference16(b, s.startVertex);
        appendReference16(b, s.endVertex);
        appendInt16(b, s.angle);
        appendReference16(b, s.linedef);
        appendInt16(b, s.side);
        appendInt16(b, s.offset);
    });
}

Bytes recordBytes(const std::vector<Subsector>& records) {
    return eachRecord(records, [](Bytes& b, const Subsector& s) {
        appendReference16(b, s.segCount);
        appendReference16(b, s.firstSeg);
    });
}

Bytes recordBytes(const std::vector<Node>& records) {
    return eachRecord(records, [](Bytes& b, const Node& n) {
        for (int16_t v : {n.x, n.y, n.dx, n.dy}) {
            appendInt16(b, v);
        }
        for (int16_t v : n.rightBox) {
            appendInt16(b, v);
        }
        for (int16_t v : n.leftBox) {
            appendInt16(b, v);
        }
        appendInt16(b, classicChild(n.rightChild));
        appendInt16(b, classicChild(n.leftChild));
    });
}

Bytes recordBytes(const std::vector<Sector>& records) {
    return eachRecord(records, [](Bytes& b, const Sector& s) {
        appendInt16(b, s.floorHeight);
        appendInt16(b, s.ceilingHeight);
        appendBytes(b, s.floorFlat, 8);
        appendBytes(b, s.ceilingFlat, 8);
        for (int16_t v : {s.lightLevel, s.special, s.tag}) {
            appendInt16(b, v);
        }
    });
}

}  // namespace brindle::test
