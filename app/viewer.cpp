// The viewer core: start-up, movement by keys and mouse, and the per-tick frame.
#include "app/viewer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>

#include "render/fixed_math.h"

namespace brindle {

namespace {

// The player-one start of the loaded level; returns its facing as the viewer converts it.
uint16_t playerStartOf(const WadArchive& archive, int16_t& x, int16_t& y) {
    int16_t degrees = 0;
    archive.getPlayerStart(&x, &y, &degrees);
    return startAngleFromDegrees(degrees);
}

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

int32_t startViewerUnguarded(Viewer& viewer, const ViewerOptions& options, std::string& error) {
    viewer.archive = std::make_unique<WadArchive>();
    WadArchive& archive = *viewer.archive;

    const int32_t opened = archive.open(options.wadPath.c_str(), options.files);
    if (opened == resultNotIwad) {
        error = options.wadPath + " is not an IWAD archive";
        return opened;
    }
    if (opened != resultOk) {
        // When the IWAD itself opens, the archive's text names the added file that failed.
        error = describeOpenFailure(archive, options.wadPath);
        return opened < 0 ? opened : resultCannotRead;
    }

    const std::string mapName = options.mapName.empty() ? defaultMapName(archive) : options.mapName;
    if (mapName.empty()) {
        error = "No level found in " + options.wadPath;
        return resultNotFound;
    }
    // The renderer colours its frame with palette 0, so it is made once the archive is open;
    // showMap then sizes its view vertices for the level.
    viewer.renderer = std::make_unique<Renderer>(options.window, &archive);
    viewer.renderer->drawFloors = options.floors;
    viewer.renderer->look = options.look;
    viewer.renderer->drawThings = options.things;
    viewer.renderer->skill = options.skill;
    const int32_t shown = showMap(viewer, mapName, error);
    if (shown != resultOk) {
        viewer.renderer.reset();
    }
    return shown;
}

}  // namespace

uint16_t startAngleFromDegrees(int16_t degrees) {
    // The product stays within +-6.1 million, so the conversion to int32 is exact.
    return static_cast<uint16_t>(static_cast<int32_t>(degrees * startAngleFactor));
}

std::string defaultMapName(const WadArchive& archive) {
    if (std::string added = archive.firstAddedMap(); !added.empty()) {
        return added;
    }
    const std::vector<std::string> maps = archive.mapNames();
    if (maps.empty()) {
        return std::string();
    }
    return std::find(maps.begin(), maps.end(), "E1M1") != maps.end() ? "E1M1" : maps.front();
}

std::string describeLevelFailure(int32_t result, const WadArchive& archive,
                                 const std::string& mapName) {
    const std::string path = archive.files().empty() ? std::string() : archive.files()[0].path;
    const bool layered = archive.files().size() > 1;
    if ((result == resultBadLevel || layered) && !archive.errorText().empty()) {
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

int32_t showMap(Viewer& viewer, const std::string& mapName, std::string& error) {
    WadArchive& archive = *viewer.archive;
    const int32_t loaded = archive.loadLevel(mapName.c_str());
    if (loaded != resultOk) {
        error = describeLevelFailure(loaded, archive, mapName);
        return loaded;
    }
    viewer.mapName = mapName;
    viewer.playerAngle = playerStartOf(archive, viewer.playerX, viewer.playerY);
    viewer.renderer->fitLevel();
    viewer.renderer->setView(viewer.playerX, viewer.playerY,
                             static_cast<int16_t>(viewer.playerAngle));
    viewer.frameCurrent = false;
    error.clear();
    return resultOk;
}

bool stepMap(Viewer& viewer, int step, const Report& report) {
    const std::vector<std::string> maps = viewer.archive->mapNames();
    const auto current = std::find(maps.begin(), maps.end(), viewer.mapName);
    const size_t count = maps.size();
    const size_t from = current != maps.end() ? static_cast<size_t>(current - maps.begin()) : 0;
    std::string error;
    for (size_t tried = 1; tried < count; ++tried) {
        const size_t index = (from + count + (step < 0 ? count - tried : tried)) % count;
        if (showMap(viewer, maps[index], error) == resultOk) {
            const int32_t file = viewer.archive->mapFile(maps[index]);
            report("Showing " + maps[index] + " from " + viewer.archive->files()[file].path);
            return true;
        }
        report(error);
    }
    // Nothing else loads: the map shown stays (loading it again, since a failed load let go
    // of it).
    if (count > 1 && showMap(viewer, viewer.mapName, error) != resultOk) {
        report(error);
    }
    return false;
}

OverviewOptions overviewAtViewer(const Viewer& viewer, int32_t width, int32_t height, bool things) {
    OverviewOptions options;
    options.width = width;
    options.height = height;
    options.things = things;
    options.viewer = ViewerMark{viewer.playerX, viewer.playerY, viewer.playerAngle};
    return options;
}

void drawShownFrame(Viewer& viewer) {
    Renderer& renderer = *viewer.renderer;
    if (viewer.showingOverview) {
        const OverviewPicture overview =
            drawOverview(*viewer.archive, overviewAtViewer(viewer, frameWidth, frameHeight, false));
        renderer.copyFrame(overview.pixels.data());
    } else {
        renderer.renderFrame();
    }
    viewer.frameCurrent = true;
    ++viewer.framesRendered;
}

int32_t saveShownFrame(Viewer& viewer) {
    if (!viewer.frameCurrent) {
        drawShownFrame(viewer);
    }
    return viewer.renderer->saveScreenshot(screenshotName);
}

void pressKey(Viewer& viewer, ViewerKey key, const Report& report) {
    switch (key) {
        case ViewerKey::screenshot:
            if (saveShownFrame(viewer) != resultOk) {
                report(std::string("Cannot write ") + screenshotName);
            }
            return;
        case ViewerKey::nextMap:
            stepMap(viewer, 1, report);
            return;
        case ViewerKey::previousMap:
            stepMap(viewer, -1, report);
            return;
        case ViewerKey::toggleOverview:
            viewer.showingOverview = !viewer.showingOverview;
            viewer.frameCurrent = false;
            return;
        case ViewerKey::toggleLook:
            viewer.renderer->look = viewer.renderer->look == Look::plain ? Look::game : Look::plain;
            viewer.frameCurrent = false;
            return;
        case ViewerKey::toggleThings:
            viewer.renderer->drawThings = !viewer.renderer->drawThings;
            viewer.frameCurrent = false;
            return;
    }
}

std::string viewerTitle(const Viewer& viewer) {
    const std::string name = "Brindle";
    if (!viewer.archive || viewer.mapName.empty()) {
        return name;
    }
    const int32_t file = viewer.archive->mapFile(viewer.mapName);
    if (file < 0 || static_cast<size_t>(file) >= viewer.archive->files().size()) {
        return name + " \xE2\x80\x94 " + viewer.mapName;
    }
    // The file's name without its folders, whichever separator the path uses.
    const std::string& path = viewer.archive->files()[static_cast<size_t>(file)].path;
    const size_t slash = path.find_last_of("/\\");
    const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    return name + " \xE2\x80\x94 " + viewer.mapName + " (" + fileName + ")";
}

namespace {

// `distance` map units along `angle`: the 16.16 components times the distance, shifted right
// (rounding toward minus infinity), as every step of the viewer is worked out.
struct Step {
    int32_t dx;
    int32_t dy;
};
Step stepAlong(const Renderer& renderer, uint16_t angle, int32_t distance) {
    return {shr32(mul32(renderer.cosine(angle), distance), 16),
            shr32(mul32(renderer.sine(angle), distance), 16)};
}

// The turn of a tick's mouse motion: left for motion to the left, clamped.
int32_t mouseTurn(int32_t motion) {
    constexpr int32_t pixelLimit = mouseTurnLimit / mouseTurnPerPixel;
    return -std::clamp(motion, -pixelLimit, pixelLimit) * mouseTurnPerPixel;
}

}  // namespace

bool moveViewer(Viewer& viewer, const KeyPoll& keyDown, int32_t mouseMotion) {
    constexpr MoveKey movers[] = {MoveKey::left, MoveKey::right,      MoveKey::up,
                                  MoveKey::down, MoveKey::strafeLeft, MoveKey::strafeRight};
    if (mouseMotion == 0 && std::none_of(std::begin(movers), std::end(movers), keyDown)) {
        return false;
    }

    // Each key is polled again: one released since the first look counts as up.
    const int32_t speed = keyDown(MoveKey::run) ? runFactor : 1;
    const bool alt = keyDown(MoveKey::alt);
    const bool left = keyDown(MoveKey::left);
    const bool right = keyDown(MoveKey::right);
    int32_t angle = viewer.playerAngle;
    if (left && !alt) {
        angle += turnStep * speed;
    }
    if (right && !alt) {
        angle -= turnStep * speed;
    }
    angle += mouseTurn(mouseMotion);
    viewer.playerAngle = static_cast<uint16_t>(angle);

    // The step follows the facing after the turns; stepping back negates the rounded forward
    // step, and Down wins over Up.
    const Renderer& renderer = *viewer.renderer;
    const int32_t stride = moveStep * speed;
    const Step forward = stepAlong(renderer, viewer.playerAngle, stride);
    Step step{0, 0};
    if (keyDown(MoveKey::up)) {
        step = forward;
    }
    if (keyDown(MoveKey::down)) {
        step = {neg32(forward.dx), neg32(forward.dy)};
    }
    viewer.playerX = wrap16(add32(viewer.playerX, step.dx));
    viewer.playerY = wrap16(add32(viewer.playerY, step.dy));

    // Sideways: a quarter turn left or right of the facing; right wins over left.
    Step side{0, 0};
    if (keyDown(MoveKey::strafeLeft) || (alt && left)) {
        side = stepAlong(renderer, static_cast<uint16_t>(viewer.playerAngle + 16384), stride);
    }
    if (keyDown(MoveKey::strafeRight) || (alt && right)) {
        side = stepAlong(renderer, static_cast<uint16_t>(viewer.playerAngle - 16384), stride);
    }
    viewer.playerX = wrap16(add32(viewer.playerX, side.dx));
    viewer.playerY = wrap16(add32(viewer.playerY, side.dy));

    viewer.renderer->setView(viewer.playerX, viewer.playerY,
                             static_cast<int16_t>(viewer.playerAngle));
    viewer.frameCurrent = false;
    return true;
}

void tick(Viewer& viewer, const KeyPoll& keyDown, const Present& present, int32_t mouseMotion) {
    moveViewer(viewer, keyDown, mouseMotion);
    // An unchanged view draws the same pixels, so the last frame is shown again as it is.
    if (!viewer.frameCurrent) {
        drawShownFrame(viewer);
    }
    present(*viewer.renderer);
}

}  // namespace brindle
