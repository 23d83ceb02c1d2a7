#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "app/viewer.h"
#include "render/renderer.h"
#include "wad/wad_archive.h"

namespace brindle::fuzz {

namespace {

// The files a run leaves behind, removed when the process ends normally.
std::vector<std::string>& filesToRemove() {
    static std::vector<std::string> files;
    return files;
}

void removeTempFiles() {
    std::error_code ignored;
    for (const std::string& file : filesToRemove()) {
        std::filesystem::remove(file, ignored);
        std::filesystem::remove(file + ".partial", ignored);
    }
}

}  // namespace

std::string processTempPath(const char* suffix) {
    const std::filesystem::path folder =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string path = (folder / ("brindle-fuzz-" + std::to_string(::getpid()) + suffix)).string();
    if (filesToRemove().empty()) {
        std::atexit(removeTempFiles);
    }
    filesToRemove().push_back(path);
    return path;
}

// Plain system calls rather than a stdio stream: one open, one write and one close per input,
// without the stream's buffer or its size query.
bool writeWholeFile(const std::string& path, const uint8_t* data, size_t size) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0) {
        return false;
    }
    size_t written = 0;
    while (written < size) {
        const ssize_t wrote = ::write(file, data + written, size - written);
        if (wrote <= 0) {
            break;
        }
        written += static_cast<size_t>(wrote);
    }
    return ::close(file) == 0 && written == size;
}

void exerciseArchive(const std::string& path, size_t maxMaps, size_t inputSize, Looks looks,
                     const std::vector<std::string>& added) {
    // One archive and one renderer for the whole run, so that the renderer's frame and tables
    // are made once. What an input reads is released by its end (an open of no path releases
    // everything), so that the input's allocations and releases balance: libFuzzer runs an
    // input again under the leak checker whenever they do not.
    static WadArchive archive;
    static Renderer renderer(nullptr, &archive);
    static const std::string picturePath = processTempPath(".pcx");
    struct ReleaseAtEnd {
        ~ReleaseAtEnd() { archive.open(nullptr); }
    } release;
    if (archive.open(path.c_str(), added) != resultOk) {
        return;
    }
    const bool gameLength = inputSize % 4 == 1;
    std::vector<Look> frames;
    if (looks == Looks::both || !gameLength) {
        frames.push_back(Look::plain);
    }
    if (looks == Looks::both || gameLength) {
        frames.push_back(Look::game);
    }
    std::vector<std::string> maps = archive.mapNames();
    maps.resize(std::min(maps.size(), maxMaps));
    bool saved = !savesPicture(inputSize);
    for (const std::string& map : maps) {
        if (archive.loadLevel(map.c_str()) != resultOk) {
            continue;
        }
        int16_t x = 0;
        int16_t y = 0;
        int16_t degrees = 0;
        archive.getPlayerStart(&x, &y, &degrees);
        renderer.fitLevel();
        renderer.setView(x, y, static_cast<int16_t>(startAngleFromDegrees(degrees)));
        // The floors need the painter's walk; without them the plain frame is drawn nearest
        // first. Half the inputs take each.
        renderer.drawFloors = (inputSize / 2) % 2 == 0;
        for (const Look look : frames) {
            renderer.look = look;
            // The game look's bands, split where the input's size says rather than where the
            // last frame's times would move it, so that a run repeats. Handing a band to the
            // helper thread costs more than a small level's frame, so one input in eight.
            renderer.frameThreads = inputSize % 8 == 0 ? 2 : 1;
            renderer.splitRow = static_cast<int32_t>(inputSize % frameHeight);
            renderer.renderFrame();
            if (!saved) {
                archive.writePcx(picturePath.c_str(), renderer.frameBuffer, frameWidth,
                                 frameHeight);
                saved = true;
            }
        }
    }
}

}  // namespace brindle::fuzz
