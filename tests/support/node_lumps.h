// Node lumps of the newer formats, made from classic SEGS, SSECTORS and NODES lumps or from
// a node builder's XGLN lump: the same tree in every format, for the tests and the fuzz seeds.
#pragma once

#include <cstdint>
#include <vector>

#include "wad/map_records.h"

namespace brindle::test {

using Bytes = std::vector<uint8_t>;

struct ClassicNodeLumps {
    Bytes segs;
    Bytes subsectors;
    Bytes nodes;
    uint32_t vertexCount = 0;  // VERTEXES' records
};

// DeePBSP's three lumps: the records widened, NODES behind its signature.
ClassicNodeLumps deepBspLumps(const ClassicNodeLumps& classic);
// A one-lump tree (XNOD, XGLN, XGL2, XGL3 or a compressed twin) holding the classic records
// as they are; the GL-style formats drop the segs' second vertices, so they draw right only
// where each subsector's segs already run around it.
Bytes oneLumpTree(NodeFormat format, const ClassicNodeLumps& classic);
// The XGLN lump a node builder wrote, rewritten in another GL-style format (XGL2, XGL3, or a
// compressed one of the three).
Bytes fromXgln(const Bytes& xgln, NodeFormat format);

}  // namespace brindle::test
