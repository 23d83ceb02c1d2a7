// The cross-references of a level, checked once at load so that the renderer can follow
// every index without checking it again.
#include <string>
#include <vector>

#include "wad/wad_archive.h"

namespace brindle {

namespace {

// Records addressable by a 31-bit node child reference.
constexpr size_t maxNodes = 0x80000000u;

std::string recordText(const char* lump, size_t record) {
    return std::string(lump) + " record " + std::to_string(record) + ": ";
}

bool inRange(int32_t index, size_t count) {
    return index >= 0 && static_cast<size_t>(index) < count;
}

std::string outOfRange(const char* what, int32_t index, size_t count, const char* plural) {
    return std::string(what) + " " + std::to_string(index) + " out of range (" +
           std::to_string(count) + " " + plural + ")";
}

std::string checkLinedefs(const std::vector<Linedef>& linedefs, size_t vertexCount,
                          size_t sidedefCount) {
    for (size_t i = 0; i < linedefs.size(); ++i) {
        const Linedef& line = linedefs[i];
        if (!inRange(line.startVertex, vertexCount)) {
            return recordText("LINEDEFS", i) +
                   outOfRange("start vertex", line.startVertex, vertexCount, "vertices");
        }
        if (!inRange(line.endVertex, vertexCount)) {
            return recordText("LINEDEFS", i) +
                   outOfRange("end vertex", line.endVertex, vertexCount, "vertices");
        }
        if (!inRange(line.rightSidedef, sidedefCount)) {
            return recordText("LINEDEFS", i) +
                   outOfRange("right sidedef", line.rightSidedef, sidedefCount, "sidedefs");
        }
        // A negative left sidedef means the line has one side.
        if (line.leftSidedef >= 0 && !inRange(line.leftSidedef, sidedefCount)) {
            return recordText("LINEDEFS", i) +
                   outOfRange("left sidedef", line.leftSidedef, sidedefCount, "sidedefs");
        }
    }
    return {};
}

std::string checkSidedefs(const std::vector<Sidedef>& sidedefs, size_t sectorCount) {
    for (size_t i = 0; i < sidedefs.size(); ++i) {
        if (!inRange(sidedefs[i].sector, sectorCount)) {
            return recordText("SIDEDEFS", i) +
                   outOfRange("sector", sidedefs[i].sector, sectorCount, "sectors");
        }
    }
    return {};
}

// Runs after checkLinedefs, so a linedef's sidedef indices are known to be valid.
std::string checkSegs(const std::vector<Seg>& segs, const std::vector<Linedef>& linedefs,
                      size_t vertexCount) {
    for (size_t i = 0; i < segs.size(); ++i) {
        const Seg& seg = segs[i];
        if (!inRange(seg.startVertex, vertexCount)) {
            return recordText("SEGS", i) +
                   outOfRange("start vertex", seg.startVertex, vertexCount, "vertices");
        }
        if (!inRange(seg.endVertex, vertexCount)) {
            return recordText("SEGS", i) +
                   outOfRange("end vertex", seg.endVertex, vertexCount, "vertices");
        }
        // A seg on no linedef is a miniseg: it closes a subsector's polygon and is never drawn.
        if (seg.linedef == noRecord) {
            continue;
        }
        if (!inRange(seg.linedef, linedefs.size())) {
            return recordText("SEGS", i) +
                   outOfRange("linedef", seg.linedef, linedefs.size(), "linedefs");
        }
        if (seg.side != 0 && seg.side != 1) {
            return recordText("SEGS", i) + "side " + std::to_string(seg.side) +
                   " is neither 0 nor 1";
        }
        if (seg.side == 1 && linedefs[static_cast<size_t>(seg.linedef)].leftSidedef < 0) {
            return recordText("SEGS", i) + "side 1 of linedef " + std::to_string(seg.linedef) +
                   " has no sidedef";
        }
    }
    return {};
}

// Each seg belongs to one subsector: overlapping runs would make the renderer draw the same
// segs again for every subsector that shares them.
std::string checkSubsectors(const std::vector<Subsector>& subsectors, size_t segCount) {
    constexpr size_t noOwner = SIZE_MAX;
    std::vector<size_t> owner(segCount, noOwner);
    for (size_t i = 0; i < subsectors.size(); ++i) {
        const Subsector& sub = subsectors[i];
        if (sub.segCount < 0) {
            return recordText("SSECTORS", i) + "seg count " + std::to_string(sub.segCount) +
                   " is negative";
        }
        const int64_t end = int64_t{sub.firstSeg} + sub.segCount;
        if (sub.firstSeg < 0 || static_cast<uint64_t>(end) > segCount) {
            return recordText("SSECTORS", i) + "segs " + std::to_string(sub.firstSeg) + " to " +
                   std::to_string(end - 1) + " out of range (" + std::to_string(segCount) +
                   " segs)";
        }
        for (size_t seg = static_cast<size_t>(sub.firstSeg); seg < static_cast<size_t>(end);
             ++seg) {
            if (owner[static_cast<size_t>(seg)] != noOwner) {
                return recordText("SSECTORS", i) + "seg " + std::to_string(seg) +
                       " already belongs to subsector " +
                       std::to_string(owner[static_cast<size_t>(seg)]);
            }
            owner[static_cast<size_t>(seg)] = i;
        }
    }
    return {};
}

std::string childText(const char* side, uint32_t child) {
    const bool isSubsector = (child & subsectorFlag) != 0;
    return std::string(side) + (isSubsector ? " child subsector " : " child node ") +
           std::to_string(child & childIndexMask);
}

// Every child in range, and one tree rooted at the last node: walked without recursion, so
// a cycle, a node or subsector reached twice, or a node the root never reaches is refused.
std::string checkNodes(const std::vector<Node>& nodes, size_t subsectorCount) {
    if (nodes.size() > maxNodes) {
        return "NODES: " + std::to_string(nodes.size()) + " records, more than the " +
               std::to_string(maxNodes) + " a child reference can name";
    }
    if (nodes.empty()) {
        return subsectorCount == 0 ? "SSECTORS: a level without nodes needs a subsector"
                                   : std::string();
    }
    for (size_t i = 0; i < nodes.size(); ++i) {
        for (const auto& [side, child] :
             {std::pair{"right", nodes[i].rightChild}, std::pair{"left", nodes[i].leftChild}}) {
            const size_t index = child & childIndexMask;
            const bool isSubsector = (child & subsectorFlag) != 0;
            if (index >= (isSubsector ? subsectorCount : nodes.size())) {
                return recordText("NODES", i) + childText(side, child) + " out of range (" +
                       std::to_string(isSubsector ? subsectorCount : nodes.size()) +
                       (isSubsector ? " subsectors)" : " nodes)");
            }
        }
    }
    std::vector<bool> nodeSeen(nodes.size());
    std::vector<bool> subsectorSeen(subsectorCount);
    std::vector<size_t> pending{nodes.size() - 1};
    nodeSeen[nodes.size() - 1] = true;
    while (!pending.empty()) {
        const size_t i = pending.back();
        pending.pop_back();
        for (const auto& [side, child] :
             {std::pair{"right", nodes[i].rightChild}, std::pair{"left", nodes[i].leftChild}}) {
            const size_t index = child & childIndexMask;
            std::vector<bool>& seen = (child & subsectorFlag) ? subsectorSeen : nodeSeen;
            if (seen[index]) {
                return recordText("NODES", i) + childText(side, child) + " is reached twice";
            }
            seen[index] = true;
            if ((child & subsectorFlag) == 0) {
                pending.push_back(index);
            }
        }
    }
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (!nodeSeen[i]) {
            return recordText("NODES", i) + "not reached from the root node " +
                   std::to_string(nodes.size() - 1);
        }
    }
    return {};
}

}  // namespace

std::string WadArchive::checkLevel() const {
    for (std::string problem : {
             checkLinedefs(linedefs, vertices.size(), sidedefs.size()),
             checkSidedefs(sidedefs, sectors.size()),
             checkSegs(segs, linedefs, vertices.size()),
             checkSubsectors(subsectors, segs.size()),
             checkNodes(nodes, subsectors.size()),
         }) {
        if (!problem.empty()) {
            return problem;
        }
    }
    return {};
}

// Each subsector is in the sector its first seg on a linedef faces; one with no such seg
// (minisegs only) belongs to no sector.
std::string WadArchive::checkSubsectorSectors() const {
    for (size_t i = 0; i < subsectors.size(); ++i) {
        if (firstLinedefSeg(static_cast<int32_t>(i)) == noRecord) {
            return "subsector " + std::to_string(i) + " has no seg on a linedef";
        }
    }
    return {};
}

}  // namespace brindle
