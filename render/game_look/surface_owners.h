// Which surface of the game-look frame stored each pixel, kept while things are drawn over it:
// a sprite's pixel is hidden by a nearer wall it stands behind, or by a floor or ceiling nearer
// than it at another height than its own sector's. Each band of rows numbers its own surfaces
// (the second band's numbers have bit 15 set); 0 is the sky, which hides nothing.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace brindle {

// Where the placed things may store pixels: the columns any of them reaches, and in each row
// the first and last column any of them reaches there (first > last: none). Only there does the
// frame need to say who stored each pixel.
struct ThingReach {
    std::array<uint8_t, 640> columns{};
    std::array<int16_t, 400> rowFirst{};
    std::array<int16_t, 400> rowLast{};
};

struct SurfaceOwner {
    enum class Kind : uint8_t { wall, floor, ceiling };
    Kind kind = Kind::wall;
    int16_t height = 0;  // of a floor or ceiling
    // A wall piece: its seg is found again from the subsector it was drawn for, its front
    // sidedef and its ends in view space; the scale of column i is scale + (i - x1) * scaleStep
    // as the drawer stepped it.
    int32_t subsector = -1;
    int32_t sidedef = -1;
    int16_t depth1 = 0;
    int16_t lateral1 = 0;
    int16_t depth2 = 0;
    int16_t lateral2 = 0;
    int16_t segAngle = 0;
    int32_t x1 = 0;
    int32_t scale = 0;
    int32_t scaleStep = 0;
    // The wall's linedef once looked up (-2: not yet, -1: none found) and the viewer's side.
    int32_t linedef = -2;
    int32_t viewerSide = 0;
    // Whether the thing of THINGS index `sideOf` stands behind the wall's line, kept while that
    // thing is drawn.
    int32_t sideOf = -1;
    bool thingBehind = false;
};

class SurfaceOwners {
  public:
    static constexpr uint16_t sky = 0;
    static constexpr uint16_t secondBand = 0x8000;
    // A band that ran out of numbers gives its further surfaces this one, which hides
    // whatever lies behind it (32766 surfaces in one band of one frame).
    static constexpr uint16_t unrecorded = 0x7FFF;

    uint16_t* pixels = nullptr;  // frame-sized, shared by the bands (each writes its own rows)
    const ThingReach* reach = nullptr;  // only there are the numbers kept
    uint16_t bandBit = 0;
    int32_t subsector = -1;  // the subsector whose surfaces are being drawn
    uint16_t current = 0;    // the number of the surface being drawn
    std::vector<SurfaceOwner> owners;

    void beginFrame() { owners.clear(); }
    // Marks columns first to last of row y as the surface's, where things may reach.
    void mark(int32_t y, int32_t first, int32_t last, uint16_t id) {
        const int32_t from = std::max<int32_t>(first, reach->rowFirst[static_cast<size_t>(y)]);
        const int32_t to = std::min<int32_t>(last, reach->rowLast[static_cast<size_t>(y)]);
        if (from <= to) {
            std::fill(pixels + y * 640 + from, pixels + y * 640 + to + 1, id);
        }
    }
    // Whether a wall column needs its owners marked.
    bool reaches(int32_t x) const { return reach->columns[static_cast<size_t>(x)] != 0; }
    // Numbers a surface about to be drawn; drop() takes the number back when it stored nothing.
    uint16_t add(const SurfaceOwner& owner) {
        if (owners.size() + 1 >= unrecorded) {
            return static_cast<uint16_t>(bandBit | unrecorded);
        }
        owners.push_back(owner);
        return static_cast<uint16_t>(bandBit | owners.size());
    }
    void drop(uint16_t id) {
        if ((id & unrecorded) == owners.size() && !owners.empty()) {
            owners.pop_back();
        }
    }
};

}  // namespace brindle
