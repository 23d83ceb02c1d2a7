// A seg's angle is the direction of its linedef (turned half a turn on the linedef's left
// side) and its offset the distance from the linedef's start on that side to the seg's first
// vertex. Both are worked out in double precision and rounded down, as node builders do.
#include "wad/formats/seg_measure.h"

#include <cmath>
#include <numbers>

namespace brindle {

namespace {

constexpr double unitsPerFixed = 1.0 / 65536.0;

FixedVertex wholeUnits(Vertex v) {
    return {int32_t{v.x} * 65536, int32_t{v.y} * 65536};
}

// The low 16 bits of a value, as a signed 16-bit field stores them.
int16_t low16(int64_t value) {
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(value) & 0xFFFFu));
}

}  // namespace

FixedVertex SegVertices::at(size_t index) const {
    return index < map.size() ? wholeUnits(map[index]) : extra[index - map.size()];
}

std::vector<Vertex> SegVertices::extraAsMapUnits() const {
    std::vector<Vertex> whole(extra.size());
    for (size_t i = 0; i < extra.size(); ++i) {
        whole[i] = {static_cast<int16_t>(extra[i].x >> 16), static_cast<int16_t>(extra[i].y >> 16)};
    }
    return whole;
}

std::string measureSeg(Seg& seg, FixedVertex start, const MapRecords& map) {
    const Linedef& line = map.linedefs[static_cast<size_t>(seg.linedef)];
    const size_t vertexCount = map.vertices.size();
    if (line.startVertex < 0 || static_cast<size_t>(line.startVertex) >= vertexCount ||
        line.endVertex < 0 || static_cast<size_t>(line.endVertex) >= vertexCount) {
        return "lies on linedef " + std::to_string(seg.linedef) +
               ", which names a vertex the map does not have";
    }
    const Vertex from = map.vertices[static_cast<size_t>(line.startVertex)];
    const Vertex to = map.vertices[static_cast<size_t>(line.endVertex)];
    const double lx = static_cast<double>(to.x) - from.x;
    const double ly = static_cast<double>(to.y) - from.y;
    const double turn = std::floor(std::atan2(ly, lx) * 32768.0 / std::numbers::pi);
    seg.angle = low16(static_cast<int64_t>(turn) + (seg.side == 1 ? 32768 : 0));

    const FixedVertex origin = wholeUnits(seg.side == 1 ? to : from);
    const double ex = (static_cast<double>(start.x) - origin.x) * unitsPerFixed;
    const double ey = (static_cast<double>(start.y) - origin.y) * unitsPerFixed;
    seg.offset = low16(static_cast<int64_t>(std::floor(std::sqrt(ex * ex + ey * ey))));
    return {};
}

}  // namespace brindle
