// The BSP tree of a level in any of the node formats node builders write: classic SEGS,
// SSECTORS and NODES; DeePBSP's wider records in NODES; the extended formats (XNOD, and ZNOD
// its zlib-compressed twin) in NODES; and the GL-style ones (XGLN, XGL2, XGL3 and their
// compressed twins) in NODES, SSECTORS or ZNODES.
//
// A reader's problem is a text to follow "MAP01 in x.wad": it begins with ": " for a fault
// in the records ("MAP01 in x.wad: ...") or with a space for what the level is ("MAP01 in
// x.wad uses ...").
#pragma once

#include <string>

#include "wad/formats/level_lumps.h"

namespace brindle {

// The format a node lump's first bytes announce; classic when they announce none.
NodeFormat nodeFormatOf(const LevelLump& lump);
bool isGlNodeFormat(NodeFormat format);
// The lump's first four bytes as printable text, for naming an unknown signature.
std::string signatureText(const LevelLump& lump);

void readClassicNodes(const LevelLump& segs, const LevelLump& subsectors, const LevelLump& nodes,
                      NodeRecords& out);

// Reads a node lump of one of the formats that keep the whole tree in one lump (all but
// classic and DeePBSP). The map's records give what these formats leave out (each seg's angle
// and offset come from its linedef). Empty when read.
std::string readNodeLump(NodeFormat format, const LevelLump& lump, const MapRecords& map,
                         NodeRecords& out);

// DeePBSP's wider records in the three classic lumps. Its vertices are all the map's own.
std::string readDeepBspNodes(const LevelLump& segs, const LevelLump& subsectors,
                             const LevelLump& nodes, const MapRecords& map, NodeRecords& out);

// The readers behind readNodeLump, one per family.
std::string readExtendedNodes(NodeFormat format, const LevelLump& lump, const MapRecords& map,
                              NodeRecords& out);
std::string readGlNodes(NodeFormat format, const LevelLump& lump, const MapRecords& map,
                        NodeRecords& out);

}  // namespace brindle
