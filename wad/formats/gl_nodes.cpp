// GL-style nodes (XGLN, XGL2, XGL3 and their zlib-compressed twins ZGLN, ZGL2, ZGL3): laid out
// as extended nodes, but a seg stores only its first vertex, a partner seg (not used here)
// and its linedef, 16 bits wide in XGLN and 32 in the others. A subsector's segs run around
// its polygon, so each seg ends where the next begins and the last closes on the first.
// XGL3 stores the nodes' partition lines in 16.16.
#include "wad/formats/extended_lump.h"
#include "wad/formats/node_formats.h"

namespace brindle {

namespace {

std::string readSegs(LumpCursor& cursor, uint32_t count, bool wideLinedefs,
                     const SegVertices& vertices, const MapRecords& map, NodeRecords& out) {
    const size_t segSize = wideLinedefs ? 13 : 11;
    out.segs.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = cursor.take(segSize);
        const uint32_t start = readUint32(p);
        if (std::string problem = checkSegVertex(cursor, i, start, vertices); !problem.empty()) {
            return problem;
        }
        const uint32_t linedef = wideLinedefs ? readUint32(p + 8) : readUint16(p + 8);
        const uint32_t none = wideLinedefs ? 0xFFFFFFFFu : 0xFFFFu;
        Seg& seg = out.segs[i];
        seg.startVertex = static_cast<int32_t>(start);
        if (std::string problem =
                readSegLine(cursor, i, linedef, none, p[segSize - 1], vertices.at(start), map, seg);
            !problem.empty()) {
            return problem;
        }
    }
    // The subsectors hold every seg once, in order (readSegCount checked their sum).
    for (const Subsector& sub : out.subsectors) {
        const size_t first = static_cast<size_t>(sub.firstSeg);
        const size_t end = first + static_cast<size_t>(sub.segCount);
        for (size_t i = first; i < end; ++i) {
            out.segs[i].endVertex = out.segs[i + 1 < end ? i + 1 : first].startVertex;
        }
    }
    return {};
}

}  // namespace

std::string readGlNodes(NodeFormat format, const LevelLump& lump, const MapRecords& map,
                        NodeRecords& out) {
    const bool wideLinedefs = format != NodeFormat::xgln && format != NodeFormat::zgln;
    const bool fixedPartition = format == NodeFormat::xgl3 || format == NodeFormat::zgl3;
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
    if (problem = readSegCount(cursor, wideLinedefs ? 13 : 11, segTotal, segCount);
        !problem.empty()) {
        return problem;
    }
    if (problem = readSegs(cursor, segCount, wideLinedefs, vertices, map, out); !problem.empty()) {
        return problem;
    }
    return readExtendedNodeRecords(cursor, fixedPartition, out);
}

}  // namespace brindle
