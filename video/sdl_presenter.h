// Shows the 640 x 400 frame in an SDL window: scaled to the largest size of the chosen aspect
// that fits the window, centred, with black bars, nearest neighbour, in palette 0's colours.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

#include "render/renderer.h"
#include "video/letterbox.h"

namespace brindle {

class SdlPresenter {
  public:
    SdlPresenter(SDL_Window* window, const uint8_t* palette, Aspect aspect);

    // Something else painted over or replaced the window surface: scale afresh.
    void invalidate() { scaled = false; }

    // Shows the renderer's frame. The scaled picture stays in the window surface, so a frame
    // that has not been redrawn (the same `frameNumber`) is shown again without scaling.
    void present(const Renderer& renderer, uint64_t frameNumber);

  private:
    bool scale(const uint8_t* frame, SDL_Surface* surface, const ScreenRect& place);
    bool scaleThroughSdl(const uint8_t* frame, SDL_Surface* surface, const ScreenRect& place);

    SDL_Window* window;
    Aspect aspect;
    SDL_Color colors[256];
    Uint32 mapped[256] = {};
    Uint32 mappedFormat = SDL_PIXELFORMAT_UNKNOWN;
    std::vector<int> sourceColumns;
    bool scaled = false;
    uint64_t scaledFrame = 0;
    SDL_Surface* lastSurface = nullptr;
    int lastWidth = 0;
    int lastHeight = 0;
};

}  // namespace brindle
