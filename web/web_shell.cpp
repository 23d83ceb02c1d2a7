// brindle.wasm: the level viewer in a web page. The page writes the chosen archives into the
// in-memory file system and starts the viewer through the functions exported below; from
// then on one tick runs every 16 ms (movement keys held on the canvas, the mouse motion the
// page passed on since the last tick, frame drawn when the view changed, new frames copied to
// the canvas), as in the windows.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/viewer.h"

namespace {

using namespace brindle;

constexpr double tickMilliseconds = 16;
constexpr char canvasTarget[] = "#screen";

// The page's side, in index.html.
EM_JS(void, showFrame, (const uint32_t* pixels), { brindlePage.showFrame(pixels); });
EM_JS(void, offerDownload, (const char* name), { brindlePage.offerDownload(UTF8ToString(name)); });
EM_JS(void, showReport, (const char* text), { brindlePage.showReport(UTF8ToString(text)); });
EM_JS(void, showMapName, (const char* name), { brindlePage.showMapName(UTF8ToString(name)); });

Viewer viewer;
bool running = false;  // a map is loaded and ticks draw it
std::string lastError;
int32_t mouseMotion = 0;  // pixels to the right since the last tick, while the pointer is locked
std::array<uint32_t, 256> colors{};
std::vector<uint32_t> rgbaFrame(frameBytes);
uint64_t presentedFrame = 0;

void report(const std::string& text) {
    showReport(text.c_str());
}

// The one place where the page's keys become viewer actions: each KeyboardEvent code either
// holds a movement key (polled every tick) or presses a viewer key on every key-down,
// auto-repeats included.
struct KeyBinding {
    const char* code;
    std::optional<MoveKey> move;
    std::optional<ViewerKey> key;
};
const KeyBinding keyBindings[] = {
    {"ArrowLeft", MoveKey::left, std::nullopt},    // held: turn left
    {"ArrowRight", MoveKey::right, std::nullopt},  // held: turn right
    {"ArrowUp", MoveKey::up, std::nullopt},        // held: walk forward
    {"ArrowDown", MoveKey::down, std::nullopt},    // held: walk back
    {"Comma", MoveKey::strafeLeft, std::nullopt},
    {"Period", MoveKey::strafeRight, std::nullopt},
    {"ShiftLeft", MoveKey::run, std::nullopt},
    {"ShiftRight", MoveKey::run, std::nullopt},
    {"AltLeft", MoveKey::alt, std::nullopt},  // held: Left and Right strafe
    {"AltRight", MoveKey::alt, std::nullopt},
    {"F1", std::nullopt, ViewerKey::screenshot},  // download the view as scrnsht.pcx
    {"PageDown", std::nullopt, ViewerKey::nextMap},
    {"PageUp", std::nullopt, ViewerKey::previousMap},
    {"Tab", std::nullopt, ViewerKey::toggleOverview},  // the whole level from above
    {"KeyG", std::nullopt, ViewerKey::toggleLook},     // the plain or the game look
    {"KeyT", std::nullopt, ViewerKey::toggleThings},   // the game look's things on or off
};
std::array<bool, std::size(keyBindings)> bindingsHeld{};  // while held on the canvas

// A viewer key, and what the page makes of it: a screenshot the core saved becomes a
// download (and leaves the file system), a map switch shows in the map list.
void press(ViewerKey key) {
    const std::string mapBefore = viewer.mapName;
    pressKey(viewer, key, report);
    if (std::FILE* saved = std::fopen(screenshotName, "rb")) {
        std::fclose(saved);
        offerDownload(screenshotName);
        std::remove(screenshotName);
    }
    if (viewer.mapName != mapBefore) {
        showMapName(viewer.mapName.c_str());
    }
}

// True when the key is the viewer's, so the browser does not act on it as well.
EM_BOOL onKey(int eventType, const EmscriptenKeyboardEvent* event, void*) {
    const auto binding =
        std::find_if(std::begin(keyBindings), std::end(keyBindings),
                     [&](const KeyBinding& b) { return !std::strcmp(event->code, b.code); });
    if (binding == std::end(keyBindings)) {
        return EM_FALSE;
    }
    const bool down = eventType == EMSCRIPTEN_EVENT_KEYDOWN;
    if (binding->move) {
        bindingsHeld[static_cast<size_t>(binding - std::begin(keyBindings))] = down;
    } else if (down && running) {
        press(*binding->key);
    }
    return EM_TRUE;
}

// Key-ups that happen elsewhere never reach the canvas: let go of everything.
EM_BOOL onBlur(int, const EmscriptenFocusEvent*, void*) {
    bindingsHeld.fill(false);
    mouseMotion = 0;
    return EM_FALSE;
}

// Either key of a pair (the two Shift keys, the two Alt keys) holds its movement key.
bool moveKeyHeld(MoveKey key) {
    for (size_t i = 0; i < bindingsHeld.size(); ++i) {
        if (bindingsHeld[i] && keyBindings[i].move == key) {
            return true;
        }
    }
    return false;
}

// Hands each new frame to the page as 640 x 400 RGBA pixels in palette 0's colours.
void present(const Renderer& renderer) {
    if (viewer.framesRendered == presentedFrame) {
        return;
    }
    std::transform(renderer.frameBuffer, renderer.frameBuffer + frameBytes, rgbaFrame.begin(),
                   [](uint8_t index) { return colors[index]; });
    presentedFrame = viewer.framesRendered;
    showFrame(rgbaFrame.data());
}

void onTick(void*) {
    if (running) {
        tick(viewer, moveKeyHeld, present, std::exchange(mouseMotion, 0));
    }
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find('\n', start), text.size());
        if (end > start) {
            lines.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return lines;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

// Opens the IWAD at `wadPath` in the in-memory file system with the archives of `files` (one
// path a line, in load order) layered over it, and shows `mapName` (empty: the default map),
// drawing the first frame at once. 1 on success; otherwise the viewer's result code,
// brindle_error() says why, and nothing is shown until the next start.
extern "C" EMSCRIPTEN_KEEPALIVE int brindle_start(const char* wadPath, const char* files,
                                                  const char* mapName) {
    // The previous archive goes first, so that two are never held at once.
    running = false;
    viewer = Viewer{};
    ViewerOptions options;
    options.wadPath = wadPath;
    options.files = linesOf(files);
    options.mapName = mapName;
    const int32_t result = startViewer(viewer, options, lastError);
    if (result != resultOk) {
        viewer = Viewer{};
        return result;
    }
    const uint8_t* palette = viewer.archive->palettes[0].data();
    for (size_t i = 0; i < colors.size(); ++i) {
        colors[i] = palette[3 * i] | palette[3 * i + 1] << 8 | palette[3 * i + 2] << 16 |
                    0xFFu << 24;  // the bytes red, green, blue, alpha in memory
    }
    running = true;
    presentedFrame = 0;
    onTick(nullptr);
    return result;
}

// Shows another map of the open archives from its player-one start. 1 on success; otherwise
// the viewer's result code, brindle_error() says why, and the map shown before stays.
extern "C" EMSCRIPTEN_KEEPALIVE int brindle_show_map(const char* mapName) {
    if (!running) {
        return resultNotFound;
    }
    const std::string previous = viewer.mapName;
    const int32_t result = showMap(viewer, mapName, lastError);
    // A failed load lets go of the level, so the previous map is loaded again.
    std::string error;
    if (result != resultOk && showMap(viewer, previous, error) != resultOk) {
        running = false;
    }
    onTick(nullptr);
    return result;
}

// Mouse motion while the pointer is locked to the canvas (the page's movementX), turning the
// view on the next tick.
extern "C" EMSCRIPTEN_KEEPALIVE void brindle_mouse_motion(int pixels) {
    if (running) {
        // Held within what any tick could use, however many events arrive.
        mouseMotion = static_cast<int32_t>(
            std::clamp<int64_t>(int64_t{mouseMotion} + pixels, -mouseTurnLimit, mouseTurnLimit));
    }
}

// "Brindle — E1M1 (freedoom1.wad)", the words the windows' titles show.
extern "C" EMSCRIPTEN_KEEPALIVE const char* brindle_title() {
    static std::string title;
    title = running ? viewerTitle(viewer) : "Brindle";
    return title.c_str();
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* brindle_error() {
    return lastError.c_str();
}

extern "C" EMSCRIPTEN_KEEPALIVE const char* brindle_map_name() {
    return running ? viewer.mapName.c_str() : "";
}

// The maps of all the files, one a line: the name, a tab, and the file it comes from.
extern "C" EMSCRIPTEN_KEEPALIVE const char* brindle_map_names() {
    static std::string names;
    names.clear();
    if (running) {
        const WadArchive& archive = *viewer.archive;
        for (const std::string& name : archive.mapNames()) {
            const int32_t file = archive.mapFile(name);
            names += name + '\t' + (file >= 0 ? archive.files()[file].path : "") + '\n';
        }
    }
    return names.c_str();
}

// Times renderFrame on the current view as `brindle-render bench` does (one warm-up frame,
// then `frames` timed ones) and returns the figures as a JSON object. The browser's clock
// runs in steps of about 0.1 ms, so the frames are timed ten at a time: the median and the
// minimum are those of the ten-frame means.
extern "C" EMSCRIPTEN_KEEPALIVE const char* brindle_bench(int frames) {
    constexpr int batch = 10;
    static std::string result;
    if (!running || frames < batch) {
        return "{}";
    }
    Renderer& renderer = *viewer.renderer;
    renderer.renderFrame();
    std::vector<double> batchMs;
    const double began = emscripten_get_now();
    for (int done = 0; done + batch <= frames; done += batch) {
        const double batchStart = emscripten_get_now();
        for (int i = 0; i < batch; ++i) {
            renderer.renderFrame();
        }
        batchMs.push_back((emscripten_get_now() - batchStart) / batch);
    }
    const int timed = static_cast<int>(batchMs.size()) * batch;
    const double meanMs = (emscripten_get_now() - began) / timed;
    char text[256];
    std::snprintf(text, sizeof text,
                  "{\"frames\":%d,\"msPerFrameMedian\":%.4f,\"msPerFrameMin\":%.4f,"
                  "\"msPerFrameMean\":%.4f,\"pixelsWritten\":%lld}",
                  timed, median(batchMs), *std::min_element(batchMs.begin(), batchMs.end()), meanMs,
                  static_cast<long long>(renderer.pixelsWritten));
    result = text;
    return result.c_str();
}

int main() {
    emscripten_set_keydown_callback(canvasTarget, nullptr, EM_FALSE, onKey);
    emscripten_set_keyup_callback(canvasTarget, nullptr, EM_FALSE, onKey);
    emscripten_set_blur_callback(canvasTarget, nullptr, EM_FALSE, onBlur);
    emscripten_set_interval(onTick, tickMilliseconds, nullptr);
    return 0;
}
