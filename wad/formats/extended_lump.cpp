// The blocks the extended and GL-style node formats have in common.
#include "wad/formats/extended_lump.h"

#include "wad/formats/inflate.h"
#include "wad/formats/node_formats.h"

namespace brindle {

namespace {

// A compressed body may inflate to at most this many times its size: far more than node
// data ever compresses by, and still a bound on the memory a small lump can claim.
constexpr size_t inflateFactor = 64;
constexpr size_t inflateAllowance = 64 * 1024;

bool isCompressed(NodeFormat format) {
    return format == NodeFormat::znod || format == NodeFormat::zgln || format == NodeFormat::zgl2 ||
           format == NodeFormat::zgl3;
}

}  // namespace

std::string LumpCursor::readNumber(const char* what, uint32_t& value) {
    if (left < 4) {
        return ": " + name + " ends before its count of " + what;
    }
    value = readUint32(take(4));
    return {};
}

std::string LumpCursor::readCount(size_t recordSize, const char* what, uint32_t& count) {
    if (std::string problem = readNumber(what, count); !problem.empty()) {
        return problem;
    }
    if (count > left / recordSize) {
        return ": " + name + " is too short for its " + std::to_string(count) + " " + what;
    }
    return {};
}

std::string ExtendedBody::open(const LevelLump& lump, NodeFormat format) {
    if (lump.size() < 4) {
        return ": " + lump.name + " is too short for its signature";
    }
    const uint8_t* body = lump.data() + 4;
    size_t size = lump.size() - 4;
    if (isCompressed(format)) {
        const size_t limit = size * inflateFactor + inflateAllowance;
        if (std::string problem = inflateZlib(body, size, limit, inflated); !problem.empty()) {
            return ": " + lump.name + " holds compressed nodes (" + signatureText(lump) +
                   ") that do not inflate: " + problem;
        }
        body = inflated.data();
        size = inflated.size();
    }
    reader.emplace(lump.name, body, size);
    return {};
}

std::string readExtraVertices(LumpCursor& cursor, NodeRecords& out, SegVertices& vertices) {
    uint32_t original = 0;
    if (std::string problem = cursor.readNumber("vertices", original); !problem.empty()) {
        return problem;
    }
    out.statedVertices = original;
    if (original != vertices.size()) {
        return {};
    }
    uint32_t extra = 0;
    if (std::string problem = cursor.readCount(8, "extra vertices", extra); !problem.empty()) {
        return problem;
    }
    vertices.reserveExtra(extra);
    for (uint32_t i = 0; i < extra; ++i) {
        const uint8_t* p = cursor.take(8);
        vertices.addExtra({readInt32(p), readInt32(p + 4)});
    }
    out.extraVertices = vertices.extraAsMapUnits();
    return {};
}

std::string readSubsectorSizes(LumpCursor& cursor, NodeRecords& out, uint64_t& segTotal) {
    uint32_t count = 0;
    if (std::string problem = cursor.readCount(4, "subsectors", count); !problem.empty()) {
        return problem;
    }
    out.subsectors.resize(count);
    segTotal = 0;
    for (Subsector& sub : out.subsectors) {
        const uint32_t segs = readUint32(cursor.take(4));
        if (segTotal + segs > uint64_t{childIndexMask}) {
            return cursor.fault("has subsectors of more than " + std::to_string(childIndexMask) +
                                " segs");
        }
        sub.firstSeg = static_cast<int32_t>(segTotal);
        sub.segCount = static_cast<int32_t>(segs);
        segTotal += segs;
    }
    return {};
}

std::string readSegCount(LumpCursor& cursor, size_t recordSize, uint64_t segTotal,
                         uint32_t& count) {
    if (std::string problem = cursor.readCount(recordSize, "segs", count); !problem.empty()) {
        return problem;
    }
    if (count != segTotal) {
        return cursor.fault("has " + std::to_string(count) + " segs, its subsectors " +
                            std::to_string(segTotal));
    }
    return {};
}

std::string checkSegVertex(const LumpCursor& cursor, size_t seg, uint32_t vertex,
                           const SegVertices& vertices) {
    if (vertex >= vertices.size()) {
        return cursor.fault("seg " + std::to_string(seg) + " names vertex " +
                            std::to_string(vertex) + " (there are " +
                            std::to_string(vertices.size()) + ")");
    }
    return {};
}

std::string readSegLine(const LumpCursor& cursor, size_t segIndex, uint32_t linedef, uint32_t none,
                        uint8_t side, FixedVertex start, const MapRecords& map, Seg& seg) {
    seg.angle = 0;
    seg.offset = 0;
    seg.side = 0;
    seg.linedef = noRecord;
    if (linedef == none) {
        return {};
    }
    const std::string which = "seg " + std::to_string(segIndex);
    if (linedef >= map.linedefs.size()) {
        return cursor.fault(which + " names linedef " + std::to_string(linedef) + " (the map has " +
                            std::to_string(map.linedefs.size()) + ")");
    }
    if (side > 1) {
        return cursor.fault(which + " has side " + std::to_string(side) + ", neither 0 nor 1");
    }
    seg.linedef = static_cast<int32_t>(linedef);
    seg.side = side;
    if (std::string problem = measureSeg(seg, start, map); !problem.empty()) {
        return cursor.fault(which + " " + problem);
    }
    return {};
}

std::string readExtendedNodeRecords(LumpCursor& cursor, bool fixedPartition, NodeRecords& out) {
    const size_t partitionSize = fixedPartition ? 16 : 8;
    uint32_t count = 0;
    if (std::string problem = cursor.readCount(partitionSize + 24, "nodes", count);
        !problem.empty()) {
        return problem;
    }
    out.nodes.resize(count);
    for (Node& node : out.nodes) {
        const uint8_t* p = cursor.take(partitionSize + 24);
        int16_t* partition[4] = {&node.x, &node.y, &node.dx, &node.dy};
        for (int k = 0; k < 4; ++k) {
            // A 16.16 partition value becomes whole units, rounded down.
            *partition[k] = fixedPartition ? static_cast<int16_t>(readInt32(p + 4 * k) >> 16)
                                           : readInt16(p + 2 * k);
        }
        p += partitionSize;
        for (int k = 0; k < 4; ++k) {
            node.rightBox[k] = readInt16(p + 2 * k);
            node.leftBox[k] = readInt16(p + 8 + 2 * k);
        }
        node.rightChild = readUint32(p + 16);
        node.leftChild = readUint32(p + 20);
    }
    return {};
}

}  // namespace brindle
