#include "video/sdl_presenter.h"

#include <cstring>

namespace brindle {

SdlPresenter::SdlPresenter(SDL_Window* window, const uint8_t* palette, Aspect aspect)
    : window(window), aspect(aspect) {
    for (int i = 0; i < 256; ++i) {
        colors[i] = SDL_Color{palette[3 * i], palette[3 * i + 1], palette[3 * i + 2], 255};
    }
}

void SdlPresenter::present(const Renderer& renderer, uint64_t frameNumber) {
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (surface == nullptr || surface->w <= 0 || surface->h <= 0) {
        return;  // minimised: nothing shows
    }
    const bool resized =
        surface != lastSurface || surface->w != lastWidth || surface->h != lastHeight;
    if (!scaled || resized || frameNumber != scaledFrame) {
        const ScreenRect place = letterbox(surface->w, surface->h, aspect);
        // The bars stay black once painted; they are painted again when the surface changes.
        if (!scaled || resized) {
            SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
        }
        scaled = scale(renderer.frameBuffer, surface, place);
        scaledFrame = frameNumber;
        lastSurface = surface;
        lastWidth = surface->w;
        lastHeight = surface->h;
    }
    SDL_UpdateWindowSurface(window);
}

// False when the surface could not be written; the next tick tries again.
bool SdlPresenter::scale(const uint8_t* frame, SDL_Surface* surface, const ScreenRect& place) {
    if (surface->format->BytesPerPixel != 4) {
        return scaleThroughSdl(frame, surface, place);
    }
    if (surface->format->format != mappedFormat) {
        for (int i = 0; i < 256; ++i) {
            mapped[i] = SDL_MapRGB(surface->format, colors[i].r, colors[i].g, colors[i].b);
        }
        mappedFormat = surface->format->format;
    }
    const int width = place.width;
    const int height = place.height;
    sourceColumns.resize(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) {
        sourceColumns[x] = static_cast<int>(static_cast<int64_t>(x) * frameWidth / width);
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
        return false;
    }
    auto* pixels = static_cast<uint8_t*>(surface->pixels) +
                   static_cast<size_t>(place.y) * surface->pitch + static_cast<size_t>(place.x) * 4;
    int previousSourceRow = -1;
    for (int y = 0; y < height; ++y) {
        const int sourceRow = static_cast<int>(static_cast<int64_t>(y) * frameHeight / height);
        auto* row = reinterpret_cast<uint32_t*>(pixels + static_cast<size_t>(y) * surface->pitch);
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
bool SdlPresenter::scaleThroughSdl(const uint8_t* frame, SDL_Surface* surface,
                                   const ScreenRect& place) {
    SDL_Surface* source =
        SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint8_t*>(frame), frameWidth, frameHeight, 8,
                                           frameWidth, SDL_PIXELFORMAT_INDEX8);
    if (source == nullptr) {
        return false;
    }
    SDL_SetPaletteColors(source->format->palette, colors, 0, 256);
    SDL_Rect target{place.x, place.y, place.width, place.height};
    const bool blitted = SDL_BlitScaled(source, nullptr, surface, &target) == 0;
    SDL_FreeSurface(source);
    return blitted;
}

}  // namespace brindle
