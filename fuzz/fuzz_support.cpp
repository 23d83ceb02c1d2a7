#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unordered_map>
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

bool writeWholeFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// Each input's file is written over the last input's through a descriptor kept open for the
// run: one gathered write and a truncation to the new length, with no path look-up, and
// without freeing and allocating again every page of a file that was emptied first.
bool writeInputFile(const std::string& path, std::span<const std::span<const uint8_t>> pieces) {
    static std::unordered_map<std::string, int> descriptors;
    auto [known, added] = descriptors.try_emplace(path, -1);
    if (added) {
        known->second = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    }
    const int file = known->second;
    if (file < 0) {
        descriptors.erase(known);
        return false;
    }
    static std::vector<iovec> gathered;  // kept from input to input, so as not to grow again
    gathered.clear();
    for (const std::span<const uint8_t> piece : pieces) {
        if (!piece.empty()) {
            gathered.push_back({const_cast<uint8_t*>(piece.data()), piece.size()});
        }
    }
    off_t offset = 0;
    size_t next = 0;  // the first piece not yet written whole
    while (next < gathered.size()) {
        const int count = static_cast<int>(std::min<size_t>(gathered.size() - next, IOV_MAX));
        ssize_t wrote = ::pwritev(file, gathered.data() + next, count, offset);
        if (wrote <= 0) {
            return false;
        }
        offset += wrote;
        // Past the pieces written whole; a piece written in part keeps its rest.
        while (next < gathered.size() && static_cast<size_t>(wrote) >= gathered[next].iov_len) {
            wrote -= static_cast<ssize_t>(gathered[next].iov_len);
            ++next;
        }
        if (wrote > 0) {
            gathered[next].iov_base = static_cast<uint8_t*>(gathered[next].iov_base) + wrote;
            gathered[next].iov_len -= static_cast<size_t>(wrote);
        }
    }
    return ::ftruncate(file, offset) == 0;
}

bool writeInputFile(const std::string& path, const uint8_t* data, size_t size) {
    const std::span<const uint8_t> whole(data, size);
    return writeInputFile(path, std::span<const std::span<const uint8_t>>(&whole, 1));
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
