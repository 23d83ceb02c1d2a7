// The viewer: start-up and the per-tick frame, free of platform code. A shell supplies the
// key polling and the presentation, and keeps one Viewer for the life of the process.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "render/overview/overview.h"
#include "render/renderer.h"
#include "wad/wad_archive.h"

namespace brindle {

// The keys a tick polls: the four arrows, strafing left and right, run (Shift), and Alt, which
// makes Left and Right strafe instead of turning. Each shell says which of its keys hold them.
enum class MoveKey { left, right, up, down, strafeLeft, strafeRight, run, alt };

// True while the key is held.
using KeyPoll = std::function<bool(MoveKey)>;
// Shows the finished frame (640 x 400 palette indices, top row first).
using Present = std::function<void(const Renderer&)>;

constexpr char screenshotName[] = "scrnsht.pcx";   // written in the current folder
constexpr int16_t turnStep = 910;                  // Angle units per tick, about 5 degrees
constexpr int16_t moveStep = 50;                   // map units per tick
constexpr double startAngleFactor = 184.04444444;  // degrees to Angle units at start-up
constexpr int32_t runFactor = 2;                   // run: turns and steps twice as far
constexpr int32_t mouseTurnPerPixel = 16;          // Angle units per pixel of mouse motion
constexpr int32_t mouseTurnLimit = 8192;           // a tick's mouse turn, either way

// The facing of a player start in degrees as the viewer converts it: times 184.04444444,
// truncated toward zero, low 16 bits.
uint16_t startAngleFromDegrees(int16_t degrees);

struct ViewerOptions {
    std::string wadPath = ".\\Doom1.wad";
    std::vector<std::string> files;  // archives layered over the IWAD, in load order
    // Empty: the default map (see defaultMapName).
    std::string mapName = "E1M1";
    bool floors = false;
    Look look = Look::plain;
    bool things = true;        // the things in the game look (T toggles them)
    int skill = defaultSkill;  // at which the things are placed
    WindowHandle window = nullptr;
};

struct Viewer {
    std::unique_ptr<WadArchive> archive;
    std::unique_ptr<Renderer> renderer;
    int16_t playerX = 0;
    int16_t playerY = 0;
    uint16_t playerAngle = 0;
    std::string mapName;           // the map shown
    bool showingOverview = false;  // the frame shows the whole level from above (Tab)
    bool frameCurrent = false;     // the frame shows the current view
    uint64_t framesRendered = 0;   // counts renderFrame calls, so a shell can tell new frames
};

// The look a command line names: "game", else plain.
inline Look lookNamed(const std::string& name) {
    return name == "game" ? Look::game : Look::plain;
}

// The keys whose meaning every window shares.
enum class ViewerKey {
    screenshot,      // F1: saves the frame shown as "scrnsht.pcx"
    nextMap,         // Page Down
    previousMap,     // Page Up
    toggleOverview,  // Tab: the 3D view or the overview of the level
    toggleLook,      // G: between the plain and the game look
    toggleThings,    // T: the things of the game look on or off
};

// Where a shell puts the viewer's messages: one line each, no newline.
using Report = std::function<void(const std::string&)>;

// The map to show when none is named: with files added, the first map of the last added file
// that has one; otherwise E1M1 when the archive has it, else its first map in directory order
// (a size-0 marker named ExMy or MAPxx); empty when it has no map at all.
std::string defaultMapName(const WadArchive& archive);

// What a failed loadLevel means, in a sentence naming the map and the file.
std::string describeLevelFailure(int32_t result, const WadArchive& archive,
                                 const std::string& mapName);

// Opens the archive, loads the map, places the viewer at the player-one start.
// 1 on success; otherwise the archive's result code, with `error` naming the file and the
// problem ("Cannot open .\Doom1.wad: ...", "... is not an IWAD archive",
// "Level E1M1 not found in ...").
int32_t startViewer(Viewer& viewer, const ViewerOptions& options, std::string& error);

// Loads `mapName` of the viewer's open archive and places the viewer at its player-one start.
// 1 on success; otherwise the archive's result code with `error` set, and no level is held.
int32_t showMap(Viewer& viewer, const std::string& mapName, std::string& error);

// Shows the next (step 1) or previous (step -1) map of the archive's list that loads, wrapping
// around, each from its player-one start. Each map skipped reports its error; the switch
// reports "Showing MAP07 from x.wad". When no other map loads, the current one stays.
// True when another map is shown.
bool stepMap(Viewer& viewer, int step, const Report& report);

// The overview of the viewer's level in a width x height frame, with the arrow where the
// viewer stands and faces.
OverviewOptions overviewAtViewer(const Viewer& viewer, int32_t width, int32_t height, bool things);

// Draws into the renderer's frame what the viewer shows: the 3D view, or the 640 x 400
// overview (without things) while it is toggled on.
void drawShownFrame(Viewer& viewer);

// Draws the frame if it does not show the current view, then saves it as "scrnsht.pcx".
// The archive's writePcx result.
int32_t saveShownFrame(Viewer& viewer);

// A shared key pressed (each key-down, auto-repeats included).
void pressKey(Viewer& viewer, ViewerKey key, const Report& report);

// "Brindle — E1M1 (freedoom1.wad)": the map shown and the name of the file it comes from, as
// the windows' titles and the page's status line say it (UTF-8); "Brindle" before a map shows.
std::string viewerTitle(const Viewer& viewer);

// One tick's movement. When a movement key is down or the mouse moved (`mouseMotion` pixels
// since the last tick, right positive): turns with Left/Right (not while Alt is held), then
// by -16 Angle units a pixel of mouse motion (at most 8192 either way); steps forward or back
// along the new facing, then sideways with the strafe keys (or Alt with Left/Right); run
// doubles every turn and step of the keys. Then places the view again and returns true.
// Otherwise nothing changes and it returns false.
bool moveViewer(Viewer& viewer, const KeyPoll& keyDown, int32_t mouseMotion = 0);

// One tick: move, render (only when the view changed since the last frame), present.
void tick(Viewer& viewer, const KeyPoll& keyDown, const Present& present, int32_t mouseMotion = 0);

}  // namespace brindle
