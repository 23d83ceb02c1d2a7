// Helpers for tests that write pictures: a scratch folder, whole-file reads, synthetic frames
// and an independent decoder (ImageMagick's convert) to check what was written.
#pragma once

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace brindle::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "brindle-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            folder = pattern;
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path(const std::string& name) const { return (folder / name).string(); }
    std::vector<std::string> names() const {
        std::vector<std::string> result;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            result.push_back(entry.path().filename().string());
        }
        return result;
    }

  private:
    std::filesystem::path folder;
};

// While it lives, no file may grow beyond `bytes`: writes past that fail (with SIGXFSZ ignored)
// even for root, which is how tests make a save fail half-way.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler = signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous);
        signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active = false;

  private:
    rlimit previous{};
    void (*previousHandler)(int) = nullptr;
};

inline std::vector<uint8_t> readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A palette whose 256 colours all differ, and unlike any archive's.
inline std::vector<uint8_t> syntheticPalette(uint8_t salt) {
    std::vector<uint8_t> palette(768);
    for (int i = 0; i < 256; ++i) {
        palette[3 * i] = static_cast<uint8_t>(i);
        palette[3 * i + 1] = static_cast<uint8_t>(255 - i);
        palette[3 * i + 2] = static_cast<uint8_t>(i * 37 + salt);
    }
    return palette;
}

// A width x height picture with every value 0-255 in it, long runs, short runs and lone
// pixels both below and above 0xC0.
inline std::vector<uint8_t> variedPicture(int width, int height) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t value;
            if (y % 4 == 0) {
                value = static_cast<uint8_t>(x * 7 + y);  // every pixel differs from its neighbours
            } else if (y % 4 == 1) {
                value = static_cast<uint8_t>(0xC0 + (x / 70) % 64);  // long runs of high values
            } else {
                value = static_cast<uint8_t>((x / (1 + y % 5)) * 31 + y);  // short runs
            }
            pixels[static_cast<size_t>(y) * width + x] = value;
        }
    }
    return pixels;
}

// The picture decoded to 8-bit red, green, blue triples by ImageMagick, or empty when it
// cannot decode it. `size` receives "WIDTHxHEIGHT" as ImageMagick reads it.
inline std::vector<uint8_t> decodeWithConvert(const std::string& convert, const std::string& file,
                                              std::string& size) {
    size.clear();
    std::string command = "'" + convert + "' '" + file + "' -format '%wx%h' info:-";
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char text[64] = {};
        if (std::fgets(text, sizeof text, pipe) != nullptr) {
            size = text;
        }
        pclose(pipe);
    }
    std::vector<uint8_t> rgb;
    command = "'" + convert + "' '" + file + "' -depth 8 rgb:-";
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        uint8_t buffer[65536];
        size_t count;
        while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            rgb.insert(rgb.end(), buffer, buffer + count);
        }
        if (pclose(pipe) != 0) {
            rgb.clear();
        }
    }
    return rgb;
}

// Index of the first pixel whose decoded colour is not its palette entry, or -1.
inline long firstWrongColour(const std::vector<uint8_t>& rgb, const std::vector<uint8_t>& pixels,
                             const uint8_t* palette) {
    if (rgb.size() != pixels.size() * 3) {
        return 0;
    }
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint8_t* colour = palette + 3 * pixels[i];
        if (rgb[3 * i] != colour[0] || rgb[3 * i + 1] != colour[1] || rgb[3 * i + 2] != colour[2]) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

}  // namespace brindle::test
