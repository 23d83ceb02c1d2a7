// brindle: the level viewer in an SDL2 window. The shell finds the archive, starts the
// viewer, then runs one tick every 16 ms (movement keys polled, the mouse motion gathered
// since the last tick taken, frame drawn when the view changed, frame shown) and waits for
// events in between. A click captures the mouse; Escape lets it go, and then quits.
#include <SDL.h>

#include <langinfo.h>

#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "app/viewer.h"
#include "app/wad_locator.h"
#include "app/window_command_line.h"
#include "video/sdl_presenter.h"

namespace {

using namespace brindle;

constexpr Uint64 tickMilliseconds = 16;

// A start-up failure: the line on stderr, and the same text in a message box when there is
// a display to show one on.
int reportStartFailure(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    std::fflush(stderr);
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Brindle", text.c_str(), nullptr);
    return 1;
}

std::string currentFolder() {
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    return error ? std::string(".") : here.string();
}

// SDL falls back to drivers that draw nowhere when no display can be reached; a viewer on
// one of those would run unseen for ever. They count only when asked for by name.
bool realDisplay() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) {
        return false;
    }
    if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) {
        return true;
    }
    const char* requested = std::getenv("SDL_VIDEODRIVER");
    return requested != nullptr && std::strstr(requested, driver) != nullptr;
}

// The movement keys: the arrows, W/A/S/D beside them, ',' and '.' to strafe, either Shift to
// run, either Alt to strafe with Left and Right. Scancodes name places on the keyboard, so
// W/A/S/D are the same four keys on any layout.
bool moveKeyDown(MoveKey key) {
    const Uint8* state = SDL_GetKeyboardState(nullptr);
    switch (key) {
        case MoveKey::left:
            return state[SDL_SCANCODE_LEFT] != 0;
        case MoveKey::right:
            return state[SDL_SCANCODE_RIGHT] != 0;
        case MoveKey::up:
            return state[SDL_SCANCODE_UP] != 0 || state[SDL_SCANCODE_W] != 0;
        case MoveKey::down:
            return state[SDL_SCANCODE_DOWN] != 0 || state[SDL_SCANCODE_S] != 0;
        case MoveKey::strafeLeft:
            return state[SDL_SCANCODE_COMMA] != 0 || state[SDL_SCANCODE_A] != 0;
        case MoveKey::strafeRight:
            return state[SDL_SCANCODE_PERIOD] != 0 || state[SDL_SCANCODE_D] != 0;
        case MoveKey::run:
            return state[SDL_SCANCODE_LSHIFT] != 0 || state[SDL_SCANCODE_RSHIFT] != 0;
        case MoveKey::alt:
            return state[SDL_SCANCODE_LALT] != 0 || state[SDL_SCANCODE_RALT] != 0;
    }
    return false;
}

void reportLine(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
}

// The keys every window shares; every key-down counts, auto-repeats included.
std::optional<ViewerKey> viewerKeyOf(SDL_Keycode key) {
    switch (key) {
        case SDLK_F1:
            return ViewerKey::screenshot;
        case SDLK_PAGEDOWN:
            return ViewerKey::nextMap;
        case SDLK_PAGEUP:
            return ViewerKey::previousMap;
        case SDLK_TAB:
            return ViewerKey::toggleOverview;
        case SDLK_g:
            return ViewerKey::toggleLook;
        case SDLK_t:
            return ViewerKey::toggleThings;
        default:
            return std::nullopt;
    }
}

// What the shell keeps between events: the window, the mouse and the title shown.
struct Shell {
    SDL_Window* window = nullptr;
    SdlPresenter* presenter = nullptr;
    bool mouseCaptured = false;  // relative mode: the mouse turns the view
    int32_t mouseMotion = 0;     // pixels to the right since the last tick
    std::string title;           // the window's title as last set

    void captureMouse(bool capture) {
        mouseCaptured = capture && SDL_SetRelativeMouseMode(SDL_TRUE) == 0;
        if (!mouseCaptured) {
            SDL_SetRelativeMouseMode(SDL_FALSE);
        }
        mouseMotion = 0;
    }

    // Full screen on the desktop's own mode, or back to the window.
    void toggleFullScreen() {
        const bool full = (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != 0;
        SDL_SetWindowFullscreen(window, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
        presenter->invalidate();
    }

    // The title names the map shown; it changes only with the map.
    void showTitle(const Viewer& viewer) {
        std::string wanted = viewerTitle(viewer);
        if (wanted != title) {
            SDL_SetWindowTitle(window, wanted.c_str());
            title = std::move(wanted);
        }
    }
};

// Handles one event; false when the program should end.
bool handleEvent(const SDL_Event& event, Viewer& viewer, Shell& shell) {
    switch (event.type) {
        case SDL_QUIT:
            return false;
        case SDL_KEYDOWN: {
            const SDL_Keycode key = event.key.keysym.sym;
            if (key == SDLK_ESCAPE) {
                // Escape first lets go of a captured mouse; only then does it quit.
                if (!shell.mouseCaptured) {
                    return false;
                }
                shell.captureMouse(false);
            } else if (key == SDLK_F11 ||
                       (key == SDLK_RETURN && (event.key.keysym.mod & KMOD_ALT) != 0)) {
                if (event.key.repeat == 0) {
                    shell.toggleFullScreen();
                }
            } else if (const std::optional<ViewerKey> viewerKey = viewerKeyOf(key)) {
                pressKey(viewer, *viewerKey, reportLine);
                shell.showTitle(viewer);
            }
            return true;
        }
        case SDL_MOUSEBUTTONDOWN:
            if (!shell.mouseCaptured) {
                shell.captureMouse(true);
            }
            return true;
        case SDL_MOUSEMOTION:
            if (shell.mouseCaptured) {
                shell.mouseMotion += event.motion.xrel;
            }
            return true;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                event.window.event == SDL_WINDOWEVENT_RESTORED) {
                shell.presenter->invalidate();
            }
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST && shell.mouseCaptured) {
                shell.captureMouse(false);
            }
            return true;
        default:
            return true;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const auto launched = std::chrono::steady_clock::now();
    // SDL hands the UTF-8 title to X through the C library's character type; in the default
    // "C" locale the dash of "Brindle — E1M1" would not get through.
    if (std::setlocale(LC_CTYPE, "") == nullptr ||
        std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) {
        std::setlocale(LC_CTYPE, "C.UTF-8");
    }

    WindowCommandLine line;
    std::string error;
    switch (parseWindowCommandLine(argc, argv, "brindle", line, error)) {
        case CommandLineOutcome::run:
            break;
        case CommandLineOutcome::help:
            std::printf("%s", error.c_str());
            return 0;
        case CommandLineOutcome::wrongLine:
            std::fprintf(stderr, "%s\nRun with --help for more information.\n", error.c_str());
            return 1;
        case CommandLineOutcome::badFile:
            return reportStartFailure(error);
    }

    ViewerOptions options;
    options.floors = line.floors;
    options.look = line.look;
    options.things = line.things;
    options.skill = line.skill;
    options.files = line.archives.files;
    options.mapName = line.archives.mapName;
    if (!line.archives.wadPath.empty()) {
        options.wadPath = line.archives.wadPath;
    } else {
        const WadSearch search =
            findWad(SearchEnvironment::fromProcess(), FolderView::real(), currentFolder());
        if (!search.found) {
            return reportStartFailure(describeMissingWad(search));
        }
        options.wadPath = *search.found;
    }

    Viewer viewer;
    if (startViewer(viewer, options, error) != resultOk) {
        return reportStartFailure(error);
    }
    std::fprintf(stderr, "Opened %s, map %s\n", options.wadPath.c_str(), viewer.mapName.c_str());

    // The window surface is filled by the stretch below; going through X11 directly keeps a
    // software GL stack (as under Xvfb) out of the way.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        return reportStartFailure(std::string("Cannot open a window: ") + SDL_GetError());
    }
    if (!realDisplay()) {
        SDL_Quit();
        return reportStartFailure(
            "Cannot open a window: no display found (neither DISPLAY nor WAYLAND_DISPLAY "
            "leads to one)");
    }
    SDL_Window* window =
        SDL_CreateWindow("Brindle", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, frameWidth,
                         frameHeight, SDL_WINDOW_RESIZABLE);
    if (window == nullptr) {
        const std::string text = std::string("Cannot create the window: ") + SDL_GetError();
        SDL_Quit();
        return reportStartFailure(text);
    }

    SdlPresenter presenter(window, viewer.archive->palettes[0].data(), line.aspect);
    Shell shell;
    shell.window = window;
    shell.presenter = &presenter;
    shell.showTitle(viewer);
    const auto present = [&](const Renderer& renderer) {
        presenter.present(renderer, viewer.framesRendered);
    };
    // Each tick takes the mouse motion gathered since the one before.
    const auto tickOnce = [&] {
        tick(viewer, moveKeyDown, present, std::exchange(shell.mouseMotion, 0));
    };

    // The first tick runs at once, then one every 16 ms on a fixed cadence. A tick that
    // runs late does not cause a burst of catch-up ticks.
    tickOnce();
    if (std::getenv("BRINDLE_REPORT_STARTUP") != nullptr) {
        const auto elapsed = std::chrono::steady_clock::now() - launched;
        std::fprintf(stderr, "First frame presented after %.1f ms\n",
                     std::chrono::duration<double, std::milli>(elapsed).count());
    }
    Uint64 nextTick = SDL_GetTicks64() + tickMilliseconds;
    bool running = true;
    while (running) {
        SDL_Event event;
        const Uint64 now = SDL_GetTicks64();
        if (now >= nextTick) {
            tickOnce();
            nextTick += tickMilliseconds;
            if (nextTick <= now) {
                nextTick = now + tickMilliseconds;
            }
        } else if (SDL_WaitEventTimeout(&event, static_cast<int>(nextTick - now)) != 0) {
            running = handleEvent(event, viewer, shell);
        }
        // Whatever else has arrived is handled before the next tick, so slow ticks cannot
        // starve the keyboard.
        while (running && SDL_PollEvent(&event) != 0) {
            running = handleEvent(event, viewer, shell);
        }
    }

    // The window and the display connections close with the process. SDL 2.26 wakes its
    // event wait with a message sent to the window over a second X connection; tearing the
    // window down here can overtake that message, and closing the second connection then
    // reports the bad window through Xlib's default handler, which exits with status 1.
    return 0;
}
