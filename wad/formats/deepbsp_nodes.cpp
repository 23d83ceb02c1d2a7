// DeePBSP v4 nodes: the classic three lumps with wider references. NODES starts with "xNd4"
// and four zero bytes, then nodes of 32 bytes with 32-bit children (bit 31 marks a
// subsector); SEGS holds segs of 16 bytes (32-bit vertices, then angle, linedef, side and
// offset as in classic segs) and SSECTORS subsectors of 6 bytes (a 16-bit seg count and a
// 32-bit first seg). The vertices are all the map's own.
#include "wad/formats/node_formats.h"

namespace brindle {

namespace {

constexpr size_t signatureSize = 8;

template <typename Record, typename Decode>
void readEach(const uint8_t* data, size_t size, size_t recordSize, std::vector<Record>& out,
              Decode decode) {
    out.resize(size / recordSize);
    for (size_t i = 0; i < out.size(); ++i) {
        decode(data + i * recordSize, out[i]);
    }
}

}  // namespace

std::string readDeepBspNodes(const LevelLump& segs, const LevelLump& subsectors,
                             const LevelLump& nodes, const MapRecords& map, NodeRecords& out) {
    out.statedVertices = map.vertices.size();
    readEach(segs.data(), segs.size(), 16, out.segs, [](const uint8_t* p, Seg& s) {
        s.startVertex = readReference32(p);
        s.endVertex = readReference32(p + 4);
        s.angle = readInt16(p + 8);
        s.linedef = readReference16(p + 10);
        s.side = readInt16(p + 12);
        s.offset = readInt16(p + 14);
    });
    readEach(subsectors.data(), subsectors.size(), 6, out.subsectors,
             [](const uint8_t* p, Subsector& s) {
                 s.segCount = readUint16(p);
                 s.firstSeg = readReference32(p + 2);
             });
    readEach(nodes.data() + signatureSize, nodes.size() - signatureSize, 32, out.nodes,
             [](const uint8_t* p, Node& n) {
                 n.x = readInt16(p);
                 n.y = readInt16(p + 2);
                 n.dx = readInt16(p + 4);
                 n.dy = readInt16(p + 6);
                 for (int k = 0; k < 4; ++k) {
                     n.rightBox[k] = readInt16(p + 8 + 2 * k);
                     n.leftBox[k] = readInt16(p + 16 + 2 * k);
                 }
                 n.rightChild = readUint32(p + 24);
                 n.leftChild = readUint32(p + 28);
             });
    return {};
}

}  // namespace brindle
