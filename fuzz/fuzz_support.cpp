#include "fuzz/fuzz_support.h"

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

bool writeWholeFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

void exerciseArchive(const std::string& path, size_t maxMaps, bool savePicture,
                     const std::vector<std::string>& added) {
    // One archive and one renderer for the whole run: the renderer's tables are built once,
    // and each level only resizes its view vertices.
    static WadArchive archive;
    static Renderer renderer(nullptr, &archive);
    static const std::string picturePath = processTempPath(".pcx");
    if (archive.open(path.c_str(), added) != resultOk) {
        return;
    }
    std::vector<std::string> maps = archive.mapNames();
    maps.resize(std::min(maps.size(), maxMaps));
    bool saved = !savePicture;
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
        renderer.drawFloors = true;
        renderer.look = Look::plain;
        renderer.renderFrame();
        if (!saved) {
            archive.writePcx(picturePath.c_str(), renderer.frameBuffer, frameWidth, frameHeight);
            saved = true;
        }
        renderer.look = Look::game;
        renderer.renderFrame();
    }
}

}  // namespace brindle::fuzz
