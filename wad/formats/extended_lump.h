// What the extended formats (XNOD, ZNOD) and the GL-style ones (XGLN, XGL2, XGL3 and their
// compressed twins) share: a four-byte signature, a body that the compressed formats store as
// a zlib stream, and in the body the extra vertices, the subsectors as seg counts, the segs
// (each family its own) and the nodes, each block a 32-bit count and its records.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "wad/formats/level_lumps.h"
#include "wad/formats/seg_measure.h"

namespace brindle {

// Reads a node lump's body front to back; every read is checked against what is left.
class LumpCursor {
  public:
    LumpCursor(std::string lumpName, const uint8_t* bytes, size_t size)
        : name(std::move(lumpName)), next(bytes), left(size) {}
    const std::string& lumpName() const { return name; }
    // Reads a 32-bit number; empty when there was one left to read.
    std::string readNumber(const char* what, uint32_t& value);
    // Reads a count of records of `recordSize` bytes and checks that they follow in full.
    // Empty when they do; otherwise the problem, naming the lump and `what` the records are.
    std::string readCount(size_t recordSize, const char* what, uint32_t& count);
    // The next `size` bytes, which a successful readCount has vouched for.
    const uint8_t* take(size_t size) {
        const uint8_t* at = next;
        next += size;
        left -= size;
        return at;
    }
    // A problem in the lump's records: ": NODES seg 4 ...".
    std::string fault(const std::string& what) const { return ": " + name + " " + what; }

  private:
    std::string name;
    const uint8_t* next;
    size_t left;
};

// The body of an extended or GL-style lump, inflated when the format is a compressed one.
class ExtendedBody {
  public:
    // Empty when the body could be had; otherwise the problem.
    std::string open(const LevelLump& lump, NodeFormat format);
    LumpCursor& cursor() { return *reader; }

  private:
    std::vector<uint8_t> inflated;
    std::optional<LumpCursor> reader;
};

// The vertex counts and the extra vertices. Sets out.statedVertices; the caller stops (with
// no problem) when that is not the map's own count, which the loader then refuses.
std::string readExtraVertices(LumpCursor& cursor, NodeRecords& out, SegVertices& vertices);
// The subsectors, each a count of the segs that follow the previous subsector's; `segTotal` is
// the sum of the counts.
std::string readSubsectorSizes(LumpCursor& cursor, NodeRecords& out, uint64_t& segTotal);
// The seg count, which must equal what the subsectors hold.
std::string readSegCount(LumpCursor& cursor, size_t recordSize, uint64_t segTotal, uint32_t& count);
// A seg's vertex or linedef reference, checked against what there is.
std::string checkSegVertex(const LumpCursor& cursor, size_t seg, uint32_t vertex,
                           const SegVertices& vertices);
// Reads a seg's linedef and side (a miniseg when the linedef is `none`) and, for a seg on a
// linedef, its angle and offset from its first vertex.
std::string readSegLine(const LumpCursor& cursor, size_t segIndex, uint32_t linedef, uint32_t none,
                        uint8_t side, FixedVertex start, const MapRecords& map, Seg& seg);
// The nodes: with whole-unit partition lines, or in 16.16 (XGL3) when `fixedPartition`.
std::string readExtendedNodeRecords(LumpCursor& cursor, bool fixedPartition, NodeRecords& out);

}  // namespace brindle
