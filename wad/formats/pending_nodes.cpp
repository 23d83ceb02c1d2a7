// Node formats not read yet.
#include "wad/formats/node_formats.h"

namespace brindle {

std::string readDeepBspNodes(const LevelLump&, const MapRecords&, NodeRecords&) {
    return " uses DeePBSP nodes, which Brindle cannot read yet";
}
std::string readExtendedNodes(NodeFormat format, const LevelLump&, const MapRecords&,
                              NodeRecords&) {
    return std::string(" uses extended nodes (") + nodeFormatName(format) +
           "), which Brindle cannot read yet";
}
std::string readGlNodes(NodeFormat format, const LevelLump&, const MapRecords&, NodeRecords&) {
    return std::string(" uses extended nodes (") + nodeFormatName(format) +
           "), which Brindle cannot read yet";
}

}  // namespace brindle
