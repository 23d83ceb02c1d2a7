#include "fuzz/fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "render/renderer.h"
#include "wad/lump_names.h"
#include "wad/wad_archive.h"

namespace brindle::fuzz {

namespace {

// The start's facing as the viewer converts it: degrees x 184.04444444, truncated, low 16
// bits.
int16_t viewAngleFromDegrees(int16_t degrees) {
    const auto units = static_cast<int32_t>(degrees * 184.04444444);
    return static_cast<int16_t>(static_cast<uint16_t>(units));
}

// Level markers in directory order: size-0 entries named ExMy or MAPxx.
std::vector<std::string> listedMaps(const WadArchive& archive, size_t maxMaps) {
    std::vector<std::string> maps;
    for (const LumpEntry& entry : archive.directory()) {
        if (maps.size() >= maxMaps) {
            break;
        }
        const std::string name = lumpName(entry.name);
        if (entry.size == 0 && isMapName(name)) {
            maps.push_back(name);
        }
    }
    return maps;
}

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

void exerciseArchive(const std::string& path, size_t maxMaps) {
    WadArchive archive;
    if (archive.open(path.c_str()) != resultOk) {
        return;
    }
    static const std::string picturePath = processTempPath(".pcx");
    for (const std::string& map : listedMaps(archive, maxMaps)) {
        if (archive.loadLevel(map.c_str()) != resultOk) {
            continue;
        }
        int16_t x = 0;
        int16_t y = 0;
        int16_t degrees = 0;
        archive.getPlayerStart(&x, &y, &degrees);
        Renderer renderer(nullptr, &archive);
        renderer.setView(x, y, viewAngleFromDegrees(degrees));
        renderer.renderFrame();
        renderer.drawFloors = true;
        renderer.renderFrame();
        archive.writePcx(picturePath.c_str(), renderer.frameBuffer, frameWidth, frameHeight);
    }
}

}  // namespace brindle::fuzz
