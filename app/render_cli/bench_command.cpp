// brindle-render bench: times the renderer on one view and prints the figures as one JSON
// object.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/render_cli/archive_loading.h"
#include "app/render_cli/commands.h"
#include "app/render_cli/view_setup.h"
#include "app/viewer.h"

namespace brindle {

namespace {

using Clock = std::chrono::steady_clock;

struct BenchArguments {
    ArchiveChoice archives;
    std::string position;  // X,Y,ANGLE when --pos is given
    int frames = 200;
    Look look = Look::plain;
};

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

int runBench(const BenchArguments& arguments, bool positionGiven) {
    std::optional<MapPosition> position;
    if (positionGiven) {
        std::string problem;  // checked while the command line was parsed
        position.emplace();
        parsePosition(arguments.position, *position, problem);
    }

    Viewer viewer;
    viewer.archive = std::make_unique<WadArchive>();
    Clock::time_point start = Clock::now();
    const int32_t opened =
        viewer.archive->open(iwadPathOf(arguments.archives).c_str(), arguments.archives.files);
    const double openMs = millisecondsSince(start);
    if (opened != resultOk) {
        return reportArchiveFailure(opened, *viewer.archive, viewer.mapName);
    }
    viewer.mapName = mapNameOf(arguments.archives, *viewer.archive);
    start = Clock::now();
    const int32_t loaded = viewer.archive->loadLevel(viewer.mapName.c_str());
    const double loadLevelMs = millisecondsSince(start);
    if (loaded != resultOk) {
        return reportArchiveFailure(loaded, *viewer.archive, viewer.mapName);
    }

    placeViewer(viewer, position);
    Renderer& renderer = *viewer.renderer;
    renderer.look = arguments.look;
    renderer.renderFrame();  // warm-up: caches, page faults, lazily built textures
    std::vector<double> frameMs;
    frameMs.reserve(static_cast<size_t>(arguments.frames));
    for (int i = 0; i < arguments.frames; ++i) {
        const Clock::time_point frameStart = Clock::now();
        renderer.renderFrame();
        frameMs.push_back(millisecondsSince(frameStart));
    }

    const double medianMs = median(frameMs);
    nlohmann::ordered_json result;
    result["frames"] = arguments.frames;
    result["msPerFrameMedian"] = medianMs;
    result["msPerFrameMin"] = *std::min_element(frameMs.begin(), frameMs.end());
    result["pixelsWritten"] = renderer.pixelsWritten;
    if (renderer.pixelsWritten > 0) {
        result["nsPerPixel"] = medianMs * 1e6 / static_cast<double>(renderer.pixelsWritten);
    } else {
        result["nsPerPixel"] = nullptr;  // nothing drawn: no figure per pixel
    }
    result["openMs"] = openMs;
    result["loadLevelMs"] = loadLevelMs;
    std::printf("%s\n", result.dump().c_str());
    return 0;
}

}  // namespace

void registerBenchCommand(CLI::App& app, int& exitStatus) {
    auto arguments = std::make_shared<BenchArguments>();
    CLI::App* bench =
        app.add_subcommand("bench", "Time the renderer on one view and print the figures as JSON");

    addArchiveOptions(*bench, arguments->archives);
    CLI::Option* pos = addPositionOption(*bench, arguments->position);
    bench->add_option("--frames", arguments->frames, "Frames to time, after one warm-up frame")
        ->type_name("N")
        ->capture_default_str()
        ->check(CLI::Range(1, 1000000));
    addLookOption(*bench, arguments->look);

    bench->callback(
        [&exitStatus, arguments, pos] { exitStatus = runBench(*arguments, pos->count() > 0); });
}

}  // namespace brindle
