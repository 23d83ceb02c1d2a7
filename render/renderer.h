// The software renderer: tables, view placement, back-to-front BSP traversal, textured wall
// columns and the flat floor fill, all drawing into one 640 x 400 palettised frame; and the game
// look, which lights the walls and draws textured floors, ceilings and the sky.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "render/game_look/lighting.h"
#include "render/thing_table.h"
#include "render/visibility.h"
#include "wad/wad_archive.h"

namespace brindle {

// Platform handles, opaque to the core: a window and the frame's bitmap.
using WindowHandle = void*;
using BitmapHandle = void*;

struct ViewVertex {
    int16_t depth;    // ahead of the viewer; negative behind
    int16_t lateral;  // positive to the viewer's left
};

constexpr int frameWidth = 640;
constexpr int frameHeight = 400;
constexpr int frameBytes = frameWidth * frameHeight;
constexpr int bitmapInfoBytes = 1064;  // 40-byte header + 256 colour entries of 4 bytes

// What a frame looks like: unlit walls over black (plain), or lit walls over textured floors and
// ceilings under the sky (game).
enum class Look { plain, game };

class CoverageMask;   // render/game_look/coverage.h
class SurfaceOwners;  // render/game_look/surface_owners.h

// The rows a drawer may touch, and how many pixels it stored there. A frame can be drawn as
// bands of rows, one thread each: every pixel is worked out the same way whichever band holds
// it, so the frame does not depend on how it is split.
struct RowBand {
    int32_t first = 0;
    int32_t last = frameHeight - 1;
    int64_t pixelsWritten = 0;
    // When set, the band is drawn nearest first, and a drawer stores (and counts) only the
    // pixels the mask has not covered yet.
    CoverageMask* coverage = nullptr;
    // When set too, each stored pixel is marked with the surface that stored it.
    SurfaceOwners* owners = nullptr;
};

// Where a wall piece's texture is anchored: at its upper edge, filling downwards, or at its
// lower edge, filling upwards.
enum class WallAnchor { top, bottom };

struct GameLookState;  // render/game_look.h

class Renderer {
  public:
    static constexpr int16_t eyeHeight = 56;
    static constexpr uint8_t floorColor = 30;
    static constexpr int tableSize = 8192;

    // The level must be loaded: the view-vertex array is sized from its vertex count.
    Renderer(WindowHandle window, WadArchive* archive);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // Sizes the view vertices for the level the archive holds now; call after loading another
    // level, before setView.
    void fitLevel();

    // Frame buffer (the surface is chosen at build time: plain memory, or a DIB section).
    void createFrameBuffer();
    void clearFrame(uint8_t value);
    void selectPalette(int16_t number);
    void copyFrame(const uint8_t* picture);
    BitmapHandle frameBitmap() const { return dibSection; }

    // Tables and their lookups; angles count 65536 to a turn, values are 16.16.
    int16_t buildTables();
    int32_t sine(int32_t angle) const { return sineTable[tableIndex(angle)]; }
    int32_t cosine(int32_t angle) const { return cosineTable[tableIndex(angle)]; }
    int32_t tangent(int32_t angle) const { return tangentTable[tableIndex(angle)]; }
    int32_t angleOf(int32_t y, int32_t x) const;
    int32_t distance(int32_t a, int32_t b) const;

    // View placement and traversal.
    int16_t setView(int16_t x, int16_t y, int16_t angle);
    int32_t sectorAt(int16_t x, int16_t y) const;
    int32_t pointOnNodeSide(int16_t x, int16_t y, int32_t node) const;
    int32_t pointOnLineSide(int16_t x, int16_t y, int32_t linedef) const;
    int32_t boxVisible(int16_t top, int16_t bottom, int16_t left, int16_t right) const;
    void renderFrame();
    int16_t renderNode(uint32_t child);
    // Calls `visit` with every subsector below the child reference, farthest first, in the
    // order renderNode draws them.
    void visitBackToFront(uint32_t child, const std::function<void(int32_t)>& visit);
    // The same subsectors nearest first, leaving out the subtrees whose boxes lie out of view
    // or, drawn into the band's coverage mask, wholly behind what is drawn already; stops
    // once the mask is full.
    void visitFrontToBack(uint32_t child, const SubtreeBoxes& boxes, const RowBand& band,
                          const std::function<void(int32_t)>& visit);

    // Seg processing and the wall drawers. Walls are unlit unless a light is given.
    int16_t renderSubsector(int32_t subsector);
    // The sector of a subsector: the one its first seg on a linedef faces; -1 without one.
    int32_t sectorOfSubsector(int32_t subsector) const;
    void drawSegs(int32_t subsector, Look segLook, RowBand& band);
    int16_t drawWallFromTop(int16_t depth1, int16_t lateral1, int16_t depth2, int16_t lateral2,
                            int16_t topHeight, int16_t bottomHeight, int16_t segAngle,
                            const char* textureName, int32_t xOffset, int16_t yOffset,
                            int32_t perpDistance, int32_t alongOffset, WallLight light = {});
    int16_t drawWallFromBottom(int16_t depth1, int16_t lateral1, int16_t depth2, int16_t lateral2,
                               int16_t topHeight, int16_t bottomHeight, int16_t segAngle,
                               const char* textureName, int32_t xOffset, int16_t yOffset,
                               int32_t perpDistance, int32_t alongOffset, WallLight light = {});
    // Either drawer within a band of rows, counting into the band.
    int16_t drawWallPiece(WallAnchor anchor, int16_t depth1, int16_t lateral1, int16_t depth2,
                          int16_t lateral2, int16_t topHeight, int16_t bottomHeight,
                          int16_t segAngle, const char* textureName, int32_t xOffset,
                          int16_t yOffset, int32_t perpDistance, int32_t alongOffset,
                          WallLight light, RowBand& band);

    // Flat floor fill of one subsector in palette index 30.
    int16_t fillFloor(uint32_t firstSeg, uint32_t segCount, int16_t floorHeight);

    // Writes the frame with palette 0 as a PCX file; the archive's writePcx result.
    int32_t saveScreenshot(const char* fileName) const;

    // The look renderFrame draws. The game look ignores drawFloors: its floors are textured.
    Look look = Look::plain;
    // When set, each subsector whose floor lies below the eye gets its floor filled just
    // before its segs are drawn.
    bool drawFloors = false;
    // Levels with at least this many segs draw the plain frame nearest first (without floors);
    // smaller ones back to front, passing over only what is out of view. The pixels are the same.
    size_t nearestFirstSegs = 16384;
    // Whether the game look draws the map's things, and at which skill (1 to 5) they are placed.
    bool drawThings = true;
    int skill = defaultSkill;
    // Pixel stores of the wall, floor, plane, sky and sprite drawers since the last renderFrame
    // (the clear is not counted). The game look stores each pixel at most once.
    int64_t pixelsWritten = 0;
    // How many threads draw a game-look frame, each a band of rows: 1, or 2 where this
    // build has threads (the Windows program and the web page have none) and the machine has
    // two cores.
    int frameThreads = 1;
    // With two threads, the last row of the first band. It starts at the horizon and after
    // each frame moves toward the row that gives both threads the same time.
    int32_t splitRow = 240;

    WindowHandle window = nullptr;
    std::unique_ptr<uint8_t[]> bitmapInfo;  // header + colour table from palette 0
    BitmapHandle dibSection = nullptr;      // the surface that owns the frame's memory
    uint8_t* frameBuffer = nullptr;         // 640 x 400 palette indices, top row first
    WadArchive* archive = nullptr;
    std::vector<ViewVertex> viewVertices;
    int16_t viewHeight = 0;
    int16_t viewAngle = 0;
    int16_t viewX = 0;
    int16_t viewY = 0;
    std::array<int32_t, tableSize> sineTable{};
    std::array<int32_t, tableSize> cosineTable{};
    std::array<int32_t, tableSize> tangentTable{};
    std::array<int16_t, frameWidth> columnAngles{};

  private:
    static int tableIndex(int32_t angle) { return (static_cast<uint32_t>(angle) & 0xFFF8u) >> 3; }
    void releaseFrameBuffer();  // provided by the surface
    void renderGameFrame();     // game_look.cpp
    void renderPlainNearestFirst();
    void drawGameBand(int band);
    void drawGameSubsector(int32_t subsector, int band);
    void drawGameThings(int32_t firstBandLast);

    // The boxes of what each subtree draws, and those renderFrame passes over when out of view
    // (none outside renderFrame, so that a walk asked for by anyone else visits everything).
    SubtreeBoxes wallBoxes;
    const SubtreeBoxes* cullBoxes = nullptr;
    std::unique_ptr<CoverageMask> plainCoverage;  // the plain frame's, drawn nearest first

    // What the game look keeps between frames: the cells of the tree, the sky backdrop and
    // scratch space. Made at the first game-look frame.
    std::unique_ptr<GameLookState> gameLook;
};

// Fills a 1064-byte bitmap description: the top-down 640 x 400 8-bit header, then 256
// colour entries (blue, green, red, 0) from the given 768-byte palette.
void fillBitmapInfo(uint8_t* block, const uint8_t* palette);

}  // namespace brindle
