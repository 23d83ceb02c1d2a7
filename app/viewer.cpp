// The viewer core: start-up, keyboard movement and the per-tick frame.
#include "app/viewer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "render/fixed_math.h"

namespace brindle {

namespace {

// Why the file could not be opened. The archive only says "cannot open or read", so the
// file is tried once more to learn whether it is missing, unreadable or just short.
std::string describeOpenFailure(const WadArchive& archive, const std::string& path) {
    errno = 0;
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (probe == nullptr) {
        const int cause = errno;
        return "Cannot open " + path + ": " + (cause != 0 ? std::strerror(cause) : "unknown error");
    }
    std::fclose(probe);
    if (!archive.errorText().empty()) {
        return archive.errorText();
    }
    return "Cannot read " + path + ": the file is damaged or cut short";
}

std::string describeLevelFailure(int32_t result, const WadArchive& archive,
                                 const std::string& mapName, const std::string& path) {
    if (result == resultBadLevel && !archive.errorText().empty()) {
        return archive.errorText();
    }
    if (result == resultNotFound || result == resultCannotRead) {
        return "Level " + mapName + " not found in " + path;
    }
    if (!archive.errorText().empty()) {
        return archive.errorText();
    }
    return "Level " + mapName + " in " + path + " cannot be loaded";
}

int32_t startViewerUnguarded(Viewer& viewer, const ViewerOptions& options, std::string& error) {
    viewer.archive = std::make_unique<WadArchive>();
    WadArchive& archive = *viewer.archive;

    const int32_t opened = archive.open(options.wadPath.c_str());
    if (opened == resultNotIwad) {
        error = options.wadPath + " is not an IWAD archive";
        return opened;
    }
    if (opened != resultOk) {
        error = describeOpenFailure(archive, options.wadPath);
        return opened < 0 ? opened : resultCannotRead;
    }

    std::string mapName = options.mapName.empty() ? defaultMapName(archive) : options.mapName;
    if (mapName.empty()) {
        error = "No level found in " + options.wadPath;
        return resultNotFound;
    }
    const int32_t loaded = archive.loadLevel(mapName.c_str());
    if (loaded != resultOk) {
        error = describeLevelFailure(loaded, archive, mapName, options.wadPath);
        return loaded;
    }

    int16_t startDegrees = 0;
    archive.getPlayerStart(&viewer.playerX, &viewer.playerY, &startDegrees);
    viewer.playerAngle = startAngleFromDegrees(startDegrees);

    // The renderer sizes its view vertices from the loaded level and colours its frame with
    // palette 0, so it can only be made now.
    viewer.renderer = std::make_unique<Renderer>(options.window, &archive);
    viewer.renderer->drawFloors = options.floors;
    viewer.renderer->setView(viewer.playerX, viewer.playerY,
                             static_cast<int16_t>(viewer.playerAngle));
    viewer.frameCurrent = false;
    error.clear();
    return resultOk;
}

}  // namespace

uint16_t startAngleFromDegrees(int16_t degrees) {
    // The product stays within +-6.1 million, so the conversion to int32 is exact.
    return static_cast<uint16_t>(static_cast<int32_t>(degrees * startAngleFactor));
}

std::string defaultMapName(const WadArchive& archive) {
    const std::vector<std::string> maps = archive.mapNames();
    if (maps.empty()) {
        return std::string();
    }
    return std::find(maps.begin(), maps.end(), "E1M1") != maps.end() ? "E1M1" : maps.front();
}

int32_t startViewer(Viewer& viewer, const ViewerOptions& options, std::string& error) {
    try {
        return startViewerUnguarded(viewer, options, error);
    } catch (const std::bad_alloc&) {
        viewer.renderer.reset();
        viewer.archive.reset();
        error = "Not enough memory to load " + options.wadPath;
        return resultCannotRead;
    }
}

bool moveViewer(Viewer& viewer, const KeyPoll& keyDown) {
    if (!keyDown(ArrowKey::left) && !keyDown(ArrowKey::right) && !keyDown(ArrowKey::up) &&
        !keyDown(ArrowKey::down)) {
        return false;
    }

    // Each key is polled again: one released since the first look counts as up.
    if (keyDown(ArrowKey::left)) {
        viewer.playerAngle = static_cast<uint16_t>(viewer.playerAngle + turnStep);
    }
    if (keyDown(ArrowKey::right)) {
        viewer.playerAngle = static_cast<uint16_t>(viewer.playerAngle - turnStep);
    }

    // The step follows the facing after the turns; the shift rounds toward minus infinity,
    // and stepping back negates the rounded forward step.
    const Renderer& renderer = *viewer.renderer;
    const int32_t forwardX = shr32(mul32(renderer.cosine(viewer.playerAngle), moveStep), 16);
    const int32_t forwardY = shr32(mul32(renderer.sine(viewer.playerAngle), moveStep), 16);
    int32_t dx = 0;
    int32_t dy = 0;
    if (keyDown(ArrowKey::up)) {
        dx = forwardX;
        dy = forwardY;
    }
    if (keyDown(ArrowKey::down)) {
        dx = neg32(forwardX);
        dy = neg32(forwardY);
    }

    viewer.playerX = wrap16(add32(viewer.playerX, dx));
    viewer.playerY = wrap16(add32(viewer.playerY, dy));
    viewer.renderer->setView(viewer.playerX, viewer.playerY,
                             static_cast<int16_t>(viewer.playerAngle));
    viewer.frameCurrent = false;
    return true;
}

void tick(Viewer& viewer, const KeyPoll& keyDown, const Present& present) {
    moveViewer(viewer, keyDown);
    // An unchanged view draws the same pixels, so the last frame is shown again as it is.
    if (!viewer.frameCurrent) {
        viewer.renderer->renderFrame();
        viewer.frameCurrent = true;
        ++viewer.framesRendered;
    }
    present(*viewer.renderer);
}

}  // namespace brindle
