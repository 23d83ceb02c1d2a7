// The screenshot file: a 256-colour run-length PCX image (version 5, one 8-bit plane) with
// palette 0 appended after a 0x0C marker.
//
// The picture is written under a temporary name next to the target and renamed over it only
// once every byte has reached the file, so a failed save never leaves a truncated picture
// behind and never destroys the previous one.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "render/pixel_loop.h"
#include "wad/wad_archive.h"

namespace brindle {

namespace {

constexpr int pcxHeaderBytes = 128;
constexpr uint8_t runFlag = 0xC0;  // a byte of this value or more is a count, not a pixel
constexpr uint32_t longestRun = 63;
constexpr uint8_t paletteMarker = 0x0C;

void putLittle16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}

std::vector<uint8_t> pcxHeader(uint32_t width, uint32_t height) {
    std::vector<uint8_t> header(pcxHeaderBytes, 0);
    header[0] = 0x0A;                                 // manufacturer
    header[1] = 5;                                    // version: 256-colour palette at the end
    header[2] = 1;                                    // run-length encoding
    header[3] = 8;                                    // bits per pixel in the one plane
    putLittle16(&header[8], (width - 1) & 0xFFFF);    // x max
    putLittle16(&header[10], (height - 1) & 0xFFFF);  // y max
    // The resolution fields carry the picture's size in pixels, not dots per inch.
    putLittle16(&header[12], width);
    putLittle16(&header[14], height);
    header[65] = 1;                   // planes
    putLittle16(&header[66], width);  // bytes per line
    putLittle16(&header[68], 1);      // palette interpretation: colour
    return header;
}

// Appends one line of pixels. A run never continues into the next line, so lines encode
// independently: 2 to 63 equal pixels become 0xC0 + n then the value, and a lone pixel that
// could be mistaken for a count (0xC0 and above) is written as a run of one.
// `out` has room for two bytes a pixel, the most a line can take; returns the bytes written.
BRINDLE_PIXEL_LOOP size_t encodeLine(const uint8_t* line, uint32_t width, uint8_t* out) {
    uint8_t* next = out;
    uint32_t x = 0;
    while (x < width) {
        const uint8_t value = line[x];
        if (x + 1 < width && line[x + 1] == value) {
            uint32_t n = 2;
            while (n < longestRun && x + n < width && line[x + n] == value) {
                ++n;
            }
            *next++ = static_cast<uint8_t>(runFlag + n);
            *next++ = value;
            x += n;
        } else {
            if (value >= runFlag) {
                *next++ = runFlag + 1;
            }
            *next++ = value;
            ++x;
        }
    }
    return static_cast<size_t>(next - out);
}

bool writeAll(std::FILE* file, const std::vector<uint8_t>& bytes) {
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool writePcxStream(std::FILE* file, const uint8_t* pixels, uint32_t width, uint32_t height,
                    const std::array<uint8_t, WadArchive::paletteBytes>& palette) {
    if (!writeAll(file, pcxHeader(width, height))) {
        return false;
    }
    std::vector<uint8_t> encoded(2 * static_cast<size_t>(width));
    for (uint32_t row = 0; row < height; ++row) {
        const size_t bytes =
            encodeLine(pixels + static_cast<size_t>(row) * width, width, encoded.data());
        if (std::fwrite(encoded.data(), 1, bytes, file) != bytes) {
            return false;
        }
    }
    std::vector<uint8_t> trailer;
    trailer.reserve(1 + palette.size());
    trailer.push_back(paletteMarker);
    trailer.insert(trailer.end(), palette.begin(), palette.end());
    return writeAll(file, trailer) && std::fflush(file) == 0 && std::ferror(file) == 0;
}

}  // namespace

int32_t WadArchive::writePcx(const char* fileName, const uint8_t* pixels, int32_t width,
                             int32_t height) const {
    // The header holds the size in 16-bit fields.
    if (fileName == nullptr || pixels == nullptr || width <= 0 || height <= 0 || width > 0xFFFF ||
        height > 0xFFFF) {
        return resultCannotRead;
    }
    const std::string target = fileName;
    const std::string partial = target + ".partial";

    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (file == nullptr) {
        return resultCannotRead;
    }
    bool written = writePcxStream(file, pixels, static_cast<uint32_t>(width),
                                  static_cast<uint32_t>(height), palettes[0]);
    // Closing flushes what the stream still buffers; a failure there is a failed save too.
    if (std::fclose(file) != 0) {
        written = false;
    }
    std::error_code error;
    if (written) {
        // Replaces an existing target in one step on every platform.
        std::filesystem::rename(partial, target, error);
    }
    if (!written || error) {
        std::filesystem::remove(partial, error);
        return resultCannotRead;
    }
    return resultOk;
}

}  // namespace brindle
