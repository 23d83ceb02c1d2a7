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
    std::string keys;      // --keys: ticks played before timing
    int frames = 200;
    Look look = Look::plain;
    ThingChoice things;
    int threads = 0;  // 0: the renderer's own choice
};

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Reads every file whole from the page cache into memory: the yardstick for start-up. Each
// file is read once untimed, so that it is in the cache and the buffer's pages exist, then
// timed a second time into the same buffer. -1 when a file cannot be read.
double readFilesMs(const std::string& iwad, const std::vector<std::string>& files) {
    std::vector<std::string> paths{iwad};
    paths.insert(paths.end(), files.begin(), files.end());
    std::vector<char> bytes;
    double total = 0;
    for (const std::string& path : paths) {
        for (int pass = 0; pass < 2; ++pass) {
            const Clock::time_point start = Clock::now();
            std::FILE* file = std::fopen(path.c_str(), "rb");
            if (file == nullptr) {
                return -1;
            }
            std::fseek(file, 0, SEEK_END);
            bytes.resize(static_cast<size_t>(std::max(std::ftell(file), 0L)));
            std::rewind(file);
            const bool read = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
            std::fclose(file);
            if (!read) {
                return -1;
            }
            if (pass == 1) {
                total += millisecondsSince(start);
            }
        }
    }
    return total;
}

int runBench(const BenchArguments& arguments, bool positionGiven) {
    std::optional<MapPosition> position;
    if (positionGiven) {
        std::string problem;  // checked while the command line was parsed
        position.emplace();
        parsePosition(arguments.position, *position, problem);
    }

    // The files are read first, so that start-up below finds them in the page cache too.
    const double readMs = readFilesMs(iwadPathOf(arguments.archives), arguments.archives.files);
    Viewer viewer;
    viewer.archive = std::make_unique<WadArchive>();
    const Clock::time_point launched = Clock::now();
    Clock::time_point start = launched;
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
    playKeys(viewer, arguments.keys);
    Renderer& renderer = *viewer.renderer;
    renderer.look = arguments.look;
    arguments.things.applyTo(renderer);
    if (arguments.threads > 0) {
        renderer.frameThreads = arguments.threads;
    }
    renderer.renderFrame();  // the first frame, and the warm-up of caches and page faults
    const double firstFrameMs = millisecondsSince(launched);
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
    result["threads"] = renderer.look == Look::game ? renderer.frameThreads : 1;
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
    result["firstFrameMs"] = firstFrameMs;
    result["readFilesMs"] = readMs;
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
    addKeysOption(*bench, arguments->keys);
    bench->add_option("--frames", arguments->frames, "Frames to time, after one warm-up frame")
        ->type_name("N")
        ->capture_default_str()
        ->check(CLI::Range(1, 1000000));
    addLookOption(*bench, arguments->look);
    addThingOptions(*bench, arguments->things);
    bench
        ->add_option("--threads", arguments->threads,
                     "Threads that draw each game-look frame (default: 2 on a machine with two "
                     "or more cores where the build has threads, else 1)")
        ->type_name("1|2")
        ->check(CLI::Range(1, 2));

    bench->callback(
        [&exitStatus, arguments, pos] { exitStatus = runBench(*arguments, pos->count() > 0); });
}

}  // namespace brindle
