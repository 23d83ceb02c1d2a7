// Classic nodes: SEGS of 12 bytes, SSECTORS of 4 and NODES of 28, every reference 16 bits and
// read unsigned; a node child with bit 15 set names a subsector.
#include <string_view>

#include "wad/formats/node_formats.h"

namespace brindle {

namespace {

template <typename Record, typename Decode>
void readEach(const LevelLump& lump, size_t recordSize, std::vector<Record>& out, Decode decode) {
    const size_t count = lump.size() / recordSize;
    out.resize(count);
    for (size_t i = 0; i < count; ++i) {
        decode(lump.data() + i * recordSize, out[i]);
    }
}

uint32_t classicChild(uint16_t stored) {
    return (stored & 0x8000) != 0 ? subsectorFlag | (stored & 0x7FFFu) : stored;
}

struct Signature {
    std::string_view text;
    NodeFormat format;
};

constexpr Signature signatures[] = {
    {"XNOD", NodeFormat::xnod}, {"ZNOD", NodeFormat::znod}, {"XGLN", NodeFormat::xgln},
    {"ZGLN", NodeFormat::zgln}, {"XGL2", NodeFormat::xgl2}, {"ZGL2", NodeFormat::zgl2},
    {"XGL3", NodeFormat::xgl3}, {"ZGL3", NodeFormat::zgl3},
};

}  // namespace

NodeFormat nodeFormatOf(const LevelLump& lump) {
    if (lump.size() >= 8 && std::string_view(reinterpret_cast<const char*>(lump.data()), 8) ==
                                std::string_view("xNd4\0\0\0\0", 8)) {
        return NodeFormat::deepbsp;
    }
    if (lump.size() >= 4) {
        const std::string_view head(reinterpret_cast<const char*>(lump.data()), 4);
        for (const Signature& s : signatures) {
            if (head == s.text) {
                return s.format;
            }
        }
    }
    return NodeFormat::classic;
}

bool isGlNodeFormat(NodeFormat format) {
    switch (format) {
        case NodeFormat::xgln:
        case NodeFormat::zgln:
        case NodeFormat::xgl2:
        case NodeFormat::zgl2:
        case NodeFormat::xgl3:
        case NodeFormat::zgl3:
            return true;
        default:
            return false;
    }
}

std::string signatureText(const LevelLump& lump) {
    std::string text;
    for (size_t i = 0; i < 4 && i < lump.size(); ++i) {
        const uint8_t c = lump.data()[i];
        text += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return text;
}

void readClassicNodes(const LevelLump& segs, const LevelLump& subsectors, const LevelLump& nodes,
                      NodeRecords& out) {
    out.format = NodeFormat::classic;
    readEach(segs, 12, out.segs, [](const uint8_t* p, Seg& s) {
        s.startVertex = readReference16(p);
        s.endVertex = readReference16(p + 2);
        s.angle = readInt16(p + 4);
        s.linedef = readReference16(p + 6);
        s.side = readInt16(p + 8);
        s.offset = readInt16(p + 10);
    });
    readEach(subsectors, 4, out.subsectors, [](const uint8_t* p, Subsector& s) {
        s.segCount = readUint16(p);
        s.firstSeg = readUint16(p + 2);
    });
    readEach(nodes, 28, out.nodes, [](const uint8_t* p, Node& n) {
        n.x = readInt16(p);
        n.y = readInt16(p + 2);
        n.dx = readInt16(p + 4);
        n.dy = readInt16(p + 6);
        for (int k = 0; k < 4; ++k) {
            n.rightBox[k] = readInt16(p + 8 + 2 * k);
            n.leftBox[k] = readInt16(p + 16 + 2 * k);
        }
        n.rightChild = classicChild(readUint16(p + 24));
        n.leftChild = classicChild(readUint16(p + 26));
    });
}

std::string readNodeLump(NodeFormat format, const LevelLump& lump, const MapRecords& map,
                         NodeRecords& out) {
    out = NodeRecords{};
    out.format = format;
    if (format == NodeFormat::xnod || format == NodeFormat::znod) {
        return readExtendedNodes(format, lump, map, out);
    }
    return readGlNodes(format, lump, map, out);
}

}  // namespace brindle
