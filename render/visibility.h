// Which subtrees of the BSP tree can show anything in the frame. Each subtree gets the box of
// what it draws: its segs' vertices, and for the game look its subsectors' cells too. A box
// that lies wholly behind the eye or wholly beyond one side of the 60-degree view, by a margin
// that covers every rounding of the projection, draws no pixel, so its subtree is passed over.
#pragma once

#include <cstdint>
#include <vector>

#include "wad/wad_archive.h"

namespace brindle {

class CoverageMask;
class PlaneCells;
class Renderer;
struct RowBand;

// A box of the map, and the heights between which what it holds is drawn.
struct MapBox {
    int32_t left = INT32_MAX;
    int32_t bottom = INT32_MAX;
    int32_t right = INT32_MIN;
    int32_t top = INT32_MIN;
    int32_t low = INT32_MAX;
    int32_t high = INT32_MIN;

    bool empty() const { return left > right; }
    void add(int32_t x, int32_t y);
    void addHeights(int32_t floor, int32_t ceiling);
    void add(const MapBox& other);
};

class SubtreeBoxes {
  public:
    // Computes the boxes for the level the archive holds, unless they are computed for it
    // already; with cells, each subsector's box holds its cell as well.
    void fit(const WadArchive& level, const PlaneCells* cells);
    // The box of what the subtree below a child reference draws.
    const MapBox& childBox(uint32_t child) const;

  private:
    const WadArchive* fittedLevel = nullptr;
    uint64_t fittedSerial = 0;
    std::vector<MapBox> subsectorBoxes;
    std::vector<MapBox> nodeBoxes;
    MapBox nothing;
};

// True when nothing inside the box can reach the frame from the renderer's view.
bool boxOutOfView(const Renderer& renderer, const MapBox& box);
// True when every pixel of the band that anything inside the box could reach is covered
// already: drawn nearest first, nothing farther can show there.
bool boxHidden(const Renderer& renderer, const MapBox& box, const CoverageMask& coverage,
               const RowBand& band);

}  // namespace brindle
