// brindle: the level viewer in an SDL2 window. The shell finds the archive, starts the
// viewer, then runs one tick every 16 ms (arrow keys polled, frame drawn when the view
// changed, frame shown) and waits for events in between.
#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/viewer.h"
#include "app/wad_locator.h"
#include "app/window_command_line.h"

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

// Shows the 640 x 400 frame stretched over the whole client area, nearest neighbour, in
// palette 0's colours. The stretched picture stays in the window surface, so a frame that
// has not been redrawn is presented again without being stretched again.
class FramePresenter {
  public:
    FramePresenter(SDL_Window* window, const WadArchive& archive) : window(window) {
        const uint8_t* palette = archive.palettes[0].data();
        for (int i = 0; i < 256; ++i) {
            colors[i] = SDL_Color{palette[3 * i], palette[3 * i + 1], palette[3 * i + 2], 255};
        }
    }

    // Something else painted over or replaced the window surface: stretch afresh.
    void invalidate() { stretched = false; }

    void present(const Renderer& renderer, uint64_t frameNumber) {
        SDL_Surface* surface = SDL_GetWindowSurface(window);
        if (surface == nullptr || surface->w <= 0 || surface->h <= 0) {
            return;  // minimised: nothing shows
        }
        if (!stretched || frameNumber != stretchedFrame || surface != lastSurface ||
            surface->w != lastWidth || surface->h != lastHeight) {
            stretched = stretch(renderer.frameBuffer, surface);
            stretchedFrame = frameNumber;
            lastSurface = surface;
            lastWidth = surface->w;
            lastHeight = surface->h;
        }
        SDL_UpdateWindowSurface(window);
    }

  private:
    // False when the surface could not be written; the next tick tries again.
    bool stretch(const uint8_t* frame, SDL_Surface* surface) {
        if (surface->format->BytesPerPixel != 4) {
            return stretchThroughSdl(frame, surface);
        }
        if (surface->format->format != mappedFormat) {
            for (int i = 0; i < 256; ++i) {
                mapped[i] = SDL_MapRGB(surface->format, colors[i].r, colors[i].g, colors[i].b);
            }
            mappedFormat = surface->format->format;
        }
        const int width = surface->w;
        const int height = surface->h;
        sourceColumns.resize(static_cast<size_t>(width));
        for (int x = 0; x < width; ++x) {
            sourceColumns[x] = static_cast<int>(static_cast<int64_t>(x) * frameWidth / width);
        }
        if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
            return false;
        }
        auto* pixels = static_cast<uint8_t*>(surface->pixels);
        int previousSourceRow = -1;
        for (int y = 0; y < height; ++y) {
            const int sourceRow = static_cast<int>(static_cast<int64_t>(y) * frameHeight / height);
            auto* row =
                reinterpret_cast<uint32_t*>(pixels + static_cast<size_t>(y) * surface->pitch);
            if (sourceRow == previousSourceRow) {
                std::memcpy(row, pixels + static_cast<size_t>(y - 1) * surface->pitch,
                            static_cast<size_t>(width) * 4);
                continue;
            }
            const uint8_t* source = frame + static_cast<size_t>(sourceRow) * frameWidth;
            for (int x = 0; x < width; ++x) {
                row[x] = mapped[source[sourceColumns[x]]];
            }
            previousSourceRow = sourceRow;
        }
        if (SDL_MUSTLOCK(surface)) {
            SDL_UnlockSurface(surface);
        }
        return true;
    }

    // Window surfaces that are not 32-bit are rare; SDL's own scaled blit serves them.
    bool stretchThroughSdl(const uint8_t* frame, SDL_Surface* surface) {
        SDL_Surface* source =
            SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(frame), frameWidth, frameHeight,
                                               8, frameWidth, SDL_PIXELFORMAT_INDEX8);
        if (source == nullptr) {
            return false;
        }
        SDL_SetPaletteColors(source->format->palette, colors, 0, 256);
        SDL_Rect whole{0, 0, surface->w, surface->h};
        const bool blitted = SDL_BlitScaled(source, nullptr, surface, &whole) == 0;
        SDL_FreeSurface(source);
        return blitted;
    }

    SDL_Window* window;
    SDL_Color colors[256];
    Uint32 mapped[256] = {};
    Uint32 mappedFormat = SDL_PIXELFORMAT_UNKNOWN;
    std::vector<int> sourceColumns;
    bool stretched = false;
    uint64_t stretchedFrame = 0;
    SDL_Surface* lastSurface = nullptr;
    int lastWidth = 0;
    int lastHeight = 0;
};

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

bool arrowKeyDown(ArrowKey key) {
    const Uint8* state = SDL_GetKeyboardState(nullptr);
    switch (key) {
        case ArrowKey::left:
            return state[SDL_SCANCODE_LEFT] != 0;
        case ArrowKey::right:
            return state[SDL_SCANCODE_RIGHT] != 0;
        case ArrowKey::up:
            return state[SDL_SCANCODE_UP] != 0;
        case ArrowKey::down:
            return state[SDL_SCANCODE_DOWN] != 0;
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

// Handles one event; false when the program should end.
bool handleEvent(const SDL_Event& event, Viewer& viewer, FramePresenter& presenter) {
    switch (event.type) {
        case SDL_QUIT:
            return false;
        case SDL_KEYDOWN:
            if (event.key.keysym.sym == SDLK_ESCAPE) {
                return false;
            }
            if (const std::optional<ViewerKey> key = viewerKeyOf(event.key.keysym.sym)) {
                pressKey(viewer, *key, reportLine);
            }
            return true;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
                event.window.event == SDL_WINDOWEVENT_RESTORED) {
                presenter.invalidate();
            }
            return true;
        default:
            return true;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const auto launched = std::chrono::steady_clock::now();

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

    FramePresenter presenter(window, *viewer.archive);
    const auto present = [&](const Renderer& renderer) {
        presenter.present(renderer, viewer.framesRendered);
    };

    // The first tick runs at once, then one every 16 ms on a fixed cadence. A tick that
    // runs late does not cause a burst of catch-up ticks.
    tick(viewer, arrowKeyDown, present);
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
            tick(viewer, arrowKeyDown, present);
            nextTick += tickMilliseconds;
            if (nextTick <= now) {
                nextTick = now + tickMilliseconds;
            }
        } else if (SDL_WaitEventTimeout(&event, static_cast<int>(nextTick - now)) != 0) {
            running = handleEvent(event, viewer, presenter);
        }
        // Whatever else has arrived is handled before the next tick, so slow ticks cannot
        // starve the keyboard.
        while (running && SDL_PollEvent(&event) != 0) {
            running = handleEvent(event, viewer, presenter);
        }
    }

    // The window and the display connections close with the process. SDL 2.26 wakes its
    // event wait with a message sent to the window over a second X connection; tearing the
    // window down here can overtake that message, and closing the second connection then
    // reports the bad window through Xlib's default handler, which exits with status 1.
    return 0;
}
