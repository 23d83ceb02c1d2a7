// What the extended and GL-style node formats leave out of a seg and node builders store in
// classic ones: its angle and its offset along its linedef, computed as the builders compute
// them so that a tree draws the same in every format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wad/formats/level_lumps.h"

namespace brindle {

// A vertex at full 16.16 precision: the map's own vertices are whole units, the extra
// vertices of a node lump keep their fractions here.
struct FixedVertex {
    int32_t x;
    int32_t y;
};

// The map's vertices followed by a node lump's extra ones, as the lump's segs number them.
class SegVertices {
  public:
    explicit SegVertices(const std::vector<Vertex>& mapVertices) : map(mapVertices) {}
    void addExtra(FixedVertex vertex) { extra.push_back(vertex); }
    void reserveExtra(size_t count) { extra.reserve(count); }
    size_t size() const { return map.size() + extra.size(); }
    // `index` must be below size().
    FixedVertex at(size_t index) const;
    // The extra vertices as whole map units: the integer part, rounded down.
    std::vector<Vertex> extraAsMapUnits() const;

  private:
    const std::vector<Vertex>& map;
    std::vector<FixedVertex> extra;
};

// Fills in seg.angle and seg.offset of a seg on a linedef (seg.linedef and seg.side set),
// whose first vertex is `start`. Empty when done; otherwise what is wrong with the seg's
// linedef (the text follows "seg N ").
std::string measureSeg(Seg& seg, FixedVertex start, const MapRecords& map);

}  // namespace brindle
