// Extended nodes (XNOD, and ZNOD its zlib-compressed twin), all in NODES: after the vertex
// counts and the extra vertices, the subsectors as seg counts, then segs of 11 bytes (32-bit
// first and second vertex, 16-bit linedef, a side byte) and nodes of 32 bytes with 32-bit
// children. The segs store no angle and no offset; they come from the linedefs.
#include "wad/formats/extended_lump.h"
#include "wad/formats/node_formats.h"

namespace brindle {

namespace {

constexpr size_t segSize = 11;

std::string readSegs(LumpCursor& cursor, uint32_t count, const SegVertices& vertices,
                     const MapRecords& map, NodeRecords& out) {
    out.segs.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = cursor.take(segSize);
        const uint32_t start = readUint32(p);
        const uint32_t end = readUint32(p + 4);
        for (uint32_t vertex : {start, end}) {
            if (std::string problem = checkSegVertex(cursor, i, vertex, vertices);
                !problem.empty()) {
                return problem;
            }
        }
        Seg& seg = out.segs[i];
        seg.startVertex = static_cast<int32_t>(start);
        seg.endVertex = static_cast<int32_t>(end);
        if (std::string problem = readSegLine(cursor, i, readUint16(p + 8), 0xFFFF, p[10],
                                              vertices.at(start), map, seg);
            !problem.empty()) {
            return problem;
        }
    }
    return {};
}

}  // namespace

std::string readExtendedNodes(NodeFormat format, const LevelLump& lump, const MapRecords& map,
                              NodeRecords& out) {
    ExtendedBody body;
    if (std::string problem = body.open(lump, format); !problem.empty()) {
        return problem;
    }
    LumpCursor& cursor = body.cursor();
    SegVertices vertices(map.vertices);
    uint64_t segTotal = 0;
    uint32_t segCount = 0;
    std::string problem = readExtraVertices(cursor, out, vertices);
    if (!problem.empty() || out.statedVertices != map.vertices.size()) {
        return problem;
    }
    if (problem = readSubsectorSizes(cursor, out, segTotal); !problem.empty()) {
        return problem;
    }
    if (problem = readSegCount(cursor, segSize, segTotal, segCount); !problem.empty()) {
        return problem;
    }
    if (problem = readSegs(cursor, segCount, vertices, map, out); !problem.empty()) {
        return problem;
    }
    return readExtendedNodeRecords(cursor, false, out);
}

}  // namespace brindle
