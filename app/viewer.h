// The viewer: start-up and the per-tick frame, free of platform code. A shell supplies the
// key polling and the presentation, and keeps one Viewer for the life of the process.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "render/renderer.h"
#include "wad/wad_archive.h"

namespace brindle {

enum class ArrowKey { left, right, up, down };

// True while the key is held.
using KeyPoll = std::function<bool(ArrowKey)>;
// Shows the finished frame (640 x 400 palette indices, top row first).
using Present = std::function<void(const Renderer&)>;

constexpr int16_t turnStep = 910;                  // Angle units per tick, about 5 degrees
constexpr int16_t moveStep = 50;                   // map units per tick
constexpr double startAngleFactor = 184.04444444;  // degrees to Angle units at start-up

// The facing of a player start in degrees as the viewer converts it: times 184.04444444,
// truncated toward zero, low 16 bits.
uint16_t startAngleFromDegrees(int16_t degrees);

struct ViewerOptions {
    std::string wadPath = ".\\Doom1.wad";
    // Empty: E1M1, or the archive's first map when it has no E1M1.
    std::string mapName = "E1M1";
    bool floors = false;
    WindowHandle window = nullptr;
};

struct Viewer {
    std::unique_ptr<WadArchive> archive;
    std::unique_ptr<Renderer> renderer;
    int16_t playerX = 0;
    int16_t playerY = 0;
    uint16_t playerAngle = 0;
    bool frameCurrent = false;    // the frame shows the current view
    uint64_t framesRendered = 0;  // counts renderFrame calls, so a shell can tell new frames
};

// The map to show when none is named: E1M1 when the archive has it, otherwise its first map
// in directory order (a size-0 marker named ExMy or MAPxx); empty when it has no map at all.
std::string defaultMapName(const WadArchive& archive);

// Opens the archive, loads the map, places the viewer at the player-one start.
// 1 on success; otherwise the archive's result code, with `error` naming the file and the
// problem ("Cannot open .\Doom1.wad: ...", "... is not an IWAD archive",
// "Level E1M1 not found in ...").
int32_t startViewer(Viewer& viewer, const ViewerOptions& options, std::string& error);

// Polls the arrow keys and, when any is down, turns and steps the viewer and places the
// view again. Returns true when the view was placed.
bool moveViewer(Viewer& viewer, const KeyPoll& keyDown);

// One tick: move, render (only when the view changed since the last frame), present.
void tick(Viewer& viewer, const KeyPoll& keyDown, const Present& present);

}  // namespace brindle
