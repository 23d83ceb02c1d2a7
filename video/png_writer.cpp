// 8-bit palettised PNG output through libpng. Like the screenshot, the picture is written under
// a temporary name next to the target and renamed over it only when complete.
#include "video/png_writer.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace brindle {

namespace {

constexpr int paletteEntries = 256;

// libpng reports errors through a callback that must not return; it records the message here
// and jumps back to the setjmp in encodePng.
struct PngFailure {
    char message[200] = "";
};

[[noreturn]] void onPngError(png_structp png, png_const_charp message) {
    auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
    std::snprintf(failure->message, sizeof failure->message, "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// Everything between the setjmp and a possible longjmp lives here, and nothing in this frame
// has a destructor, so jumping out of libpng skips no clean-up.
bool encodePng(std::FILE* file, png_structp png, png_infop info, png_bytepp rows, int32_t width,
               int32_t height, const png_color* colors) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, colors, paletteEntries);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

bool writePngStream(std::FILE* file, const uint8_t* pixels, int32_t width, int32_t height,
                    const uint8_t* palette, std::string& error) {
    png_color colors[paletteEntries];
    for (int i = 0; i < paletteEntries; ++i) {
        colors[i].red = palette[3 * i];
        colors[i].green = palette[3 * i + 1];
        colors[i].blue = palette[3 * i + 2];
    }
    // libpng takes non-const row pointers but only reads them when writing.
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        rows[static_cast<size_t>(y)] =
            const_cast<png_bytep>(pixels + static_cast<size_t>(y) * static_cast<size_t>(width));
    }

    PngFailure failure;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, onPngError, onPngWarning);
    if (png == nullptr) {
        error = "cannot start the PNG encoder";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    bool encoded =
        info != nullptr && encodePng(file, png, info, rows.data(), width, height, colors);
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
    if (!encoded) {
        error = failure.message[0] != '\0' ? failure.message : "cannot start the PNG encoder";
        return false;
    }
    if (std::fflush(file) != 0 || std::ferror(file) != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

bool writePng(const char* fileName, const uint8_t* pixels, int32_t width, int32_t height,
              const uint8_t* palette, std::string& error) {
    if (fileName == nullptr || pixels == nullptr || palette == nullptr || width <= 0 ||
        height <= 0) {
        error = "nothing to write";
        return false;
    }
    const std::string target = fileName;
    const std::string partial = target + ".partial";

    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot write " + target + ": " + std::strerror(errno);
        return false;
    }
    std::string problem;
    bool written = writePngStream(file, pixels, width, height, palette, problem);
    if (std::fclose(file) != 0 && written) {
        problem = std::strerror(errno);
        written = false;
    }
    if (!written) {
        error = "cannot write " + target + ": " + problem;
    }
    std::error_code renameError;
    if (written) {
        std::filesystem::rename(partial, target, renameError);
        if (renameError) {
            error = "cannot replace " + target + ": " + renameError.message();
            written = false;
        }
    }
    if (!written) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
    }
    return written;
}

}  // namespace brindle
