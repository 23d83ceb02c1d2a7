// The things of the map drawn over the finished game-look frame as sprites, farthest first,
// each pixel hidden where a nearer wall it stands behind, or a nearer floor or ceiling at
// another height than its own sector's, stored the frame's pixel.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <vector>

#include "render/game_look/coverage.h"
#include "render/game_look/sprite_choice.h"
#include "render/game_look/surface_owners.h"
#include "render/renderer.h"
#include "render/thing_table.h"

namespace brindle {

// A thing as it will be drawn: where it stands in view space, its picture, height and light.
struct PlacedThing {
    int32_t index = 0;  // in THINGS
    int16_t x = 0;
    int16_t y = 0;
    int32_t depth = 0;
    int32_t lateral = 0;
    const ThingKind* kind = nullptr;
    SpriteChoice sprite;
    int32_t floorHeight = 0;  // of its sector
    int32_t ceilingHeight = 0;
    int32_t top = 0;    // map height of the picture's top row
    int32_t scale = 0;  // 0x45400000 / depth, as a wall's
    const uint8_t* colorMap = nullptr;
    // The columns and rows the picture reaches on the frame.
    int32_t firstColumn = 0;
    int32_t lastColumn = -1;
    int32_t firstRow = 0;
    int32_t lastRow = -1;
};

// What drawing the things needs of the finished frame: the number of the surface that stored
// each pixel, each band's surfaces and coverage, and the last row of the first band.
struct FrameOwners {
    const PlaneOwnerMap* planes = nullptr;
    SurfaceOwners* bands[2] = {};
    CoverageMask* coverage[2] = {};
    bool bandFull[2] = {};  // every pixel of the band's rows was drawn (as on most frames)
    int32_t firstBandLast = frameHeight - 1;
};

class ThingDrawer {
  public:
    // The things shown at the renderer's skill, farthest first (equal depths: lower index
    // first), with their pictures chosen; things without a picture are left out.
    const std::vector<PlacedThing>& place(const Renderer& r);
    const ThingReach& reach() const { return reached; }
    // Draws the placed things over the renderer's frame; returns the pixels stored.
    int64_t draw(Renderer& r, const FrameOwners& owners);

  private:
    struct PlaneRows {
        uint16_t id = 0;
        int32_t first = 0;
        int32_t last = -1;
    };

    enum class ColumnCase { hidden, shown, mixed };

    SurfaceOwner* ownerOf(const FrameOwners& owners, uint16_t id);
    static bool planesMayHideThing(const Renderer& r, const FrameOwners& owners,
                                   const PlacedThing& thing);
    bool wallsMayHide(const FrameOwners& owners, const PlacedThing& thing, int32_t x);
    static bool planesHoldAny(const FrameOwners& owners, int32_t x, int32_t first, int32_t last);
    bool hidden(const Renderer& r, const FrameOwners& owners, const PlacedThing& thing, int32_t x,
                int32_t y);
    ColumnCase columnCase(const Renderer& r, const FrameOwners& owners, const PlacedThing& thing,
                          int32_t x);
    void findColumnWalls(const FrameOwners& owners, const PlacedThing& thing, int32_t x);
    PlaneRows planeRowsOf(const Renderer& r, const FrameOwners& owners, const PlacedThing& thing,
                          uint16_t id);
    void findTexelRows(const Renderer& r, const PlacedThing& thing);
    template <bool tested>
    void drawColumn(Renderer& r, const FrameOwners& owners, const PlacedThing& thing, int32_t x,
                    int32_t column);
    void drawThing(Renderer& r, const FrameOwners& owners, const PlacedThing& thing);

    std::vector<PlacedThing> placed;
    ThingReach reached;
    std::vector<uint8_t> before;      // the frame before a shadow thing is drawn
    std::vector<int32_t> texelRows;   // the picture row at each frame row the thing reaches
    std::vector<int32_t> rowOfTexel;  // the first of those frame rows at or past a picture row
    // The rows in which a plane hides the thing being drawn, for a few planes (id sky: none).
    std::array<PlaneRows, 16> planeRows{};
    std::vector<uint16_t> columnWalls;  // the wall that stored each of them, in one column
    bool columnWallsFound = false;      // for the column being drawn
    uint16_t columnWall = 0;            // the last of those asked about (sky: none)
    bool columnWallHides = false;       // and whether it hides the thing
    bool planesMayHide = true;          // some floor or ceiling may hide the thing being drawn
    // The surface that stored the last pixel asked about, and its record (null: one that hides
    // whatever lies behind it).
    uint16_t lastId = 0;
    SurfaceOwner* lastOwner = nullptr;
    int64_t stored = 0;
    // The picture chosen for each line of the thing table and rotation, once per archive (and
    // again when it is opened again).
    uint64_t choicesOf = 0;  // the archive's sprite generation
    std::vector<SpriteChoice> choices;
    std::vector<uint8_t> chosen;
    // How far left (the largest left offset) and right (the largest width less left offset) of
    // its position any picture of each kind of thing reaches.
    struct KindWidth {
        bool known = false;
        bool any = false;  // a picture in some rotation
        int32_t left = INT32_MIN;
        int32_t right = INT32_MIN;
    };
    std::vector<KindWidth> widths;
    // The sector of each thing of the level, once looked up.
    static constexpr int32_t unknownSector = -2;
    const WadArchive* sectorsOf = nullptr;
    uint64_t sectorsSerial = 0;
    std::vector<int32_t> sectors;
};

// Whether a surface that stored pixel (x, y) hides the thing there: a wall piece as near as the
// thing or nearer (its scale at column x at least the thing's) whose line the thing stands
// behind; a floor above the thing's floor, or a ceiling below its ceiling, whose depth at row
// y is at most the thing's. A wall's linedef is looked up the first time it is needed.
bool surfaceHidesThing(const Renderer& r, SurfaceOwner& owner, const PlacedThing& thing, int32_t x,
                       int32_t y);

// The linedef of the seg that drew a wall piece, -1 when no seg of its subsector fits.
int32_t wallOwnerLinedef(const Renderer& r, const SurfaceOwner& owner);

}  // namespace brindle
