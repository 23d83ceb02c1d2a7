// Drawing the atlas. Maps are independent, so each thread takes the next map from a shared
// counter and draws it with its own level worker (WadArchive::makeLevelWorker): its own level
// arrays and renderer, the archive's composed textures shared read-only.
#include "app/render_cli/atlas.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "app/render_cli/picture_output.h"
#include "app/render_cli/view_setup.h"
#include "app/viewer.h"

namespace brindle {

namespace {

std::vector<std::pair<const char*, size_t>> recordCounts(const WadArchive& level) {
    return {{"things", level.things.size()},     {"linedefs", level.linedefs.size()},
            {"sidedefs", level.sidedefs.size()}, {"vertices", level.vertices.size()},
            {"segs", level.segs.size()},         {"subsectors", level.subsectors.size()},
            {"nodes", level.nodes.size()},       {"sectors", level.sectors.size()}};
}

// Loads the map into the viewer's archive and writes its two pictures.
void drawMap(Viewer& viewer, const AtlasOptions& options, AtlasEntry& entry) {
    WadArchive& level = *viewer.archive;
    viewer.renderer.reset();  // it belongs to the previous level
    // A level without a player-one start keeps the start it is loaded over: make that the one
    // of a freshly opened archive, as in shot and map, whichever map this thread drew before.
    level.startX = 0;
    level.startY = 0;
    level.startAngle = 0;
    if (level.loadLevel(entry.map.c_str()) != resultOk) {
        entry.error = level.errorText();
        return;
    }
    entry.counts = recordCounts(level);
    placeViewer(viewer, std::nullopt);

    const std::filesystem::path folder = options.folder;
    const OverviewPicture overview = drawOverview(
        level, overviewAtViewer(viewer, atlasOverviewWidth, atlasOverviewHeight, false));
    if (!writeIndexedPicture((folder / overviewFileName(entry.map)).string(), PictureFormat::png,
                             level, overview.pixels.data(), overview.width, overview.height,
                             entry.error)) {
        return;
    }
    viewer.renderer->drawFloors = options.floors;
    viewer.renderer->look = options.look;
    viewer.renderer->drawThings = options.things;
    viewer.renderer->skill = options.skill;
    if (options.threads > 1 || options.coresShared) {
        viewer.renderer->frameThreads = 1;  // the cores are busy with other maps
    }
    viewer.renderer->renderFrame();
    writeIndexedPicture((folder / startFileName(entry.map)).string(), PictureFormat::png, level,
                        viewer.renderer->frameBuffer, frameWidth, frameHeight, entry.error);
}

}  // namespace

std::string overviewFileName(const std::string& map) {
    return map + ".png";
}

std::string startFileName(const std::string& map) {
    return map + "-start.png";
}

std::vector<AtlasEntry> drawAtlas(const WadArchive& archive, const AtlasOptions& options,
                                  const AtlasProgress& progress) {
    std::vector<std::string> maps = archive.mapNames();
    if (options.addedMapsOnly) {
        std::erase_if(maps, [&](const std::string& map) { return archive.mapFile(map) <= 0; });
    }
    std::vector<AtlasEntry> entries(maps.size());
    for (size_t i = 0; i < maps.size(); ++i) {
        entries[i].map = maps[i];
        const int32_t file = archive.mapFile(maps[i]);
        entries[i].archiveFile =
            std::filesystem::path(archive.files()[static_cast<size_t>(file)].path)
                .filename()
                .string();
        entries[i].error = "not drawn: out of memory";  // until a thread takes the map
    }

    std::atomic<size_t> nextMap{0};
    std::mutex progressLock;
    size_t mapsDone = 0;
    auto work = [&]() noexcept {
        Viewer viewer;
        try {
            viewer.archive = archive.makeLevelWorker();
        } catch (const std::exception&) {
            return;  // the other threads take its maps
        }
        for (size_t i; (i = nextMap.fetch_add(1)) < maps.size();) {
            AtlasEntry& entry = entries[i];
            entry.error.clear();
            try {
                drawMap(viewer, options, entry);
            } catch (const std::exception& e) {
                entry.error = std::string("not drawn: ") + e.what();
            }
            if (progress) {
                const std::lock_guard<std::mutex> hold(progressLock);
                progress(++mapsDone, maps.size(), entry.map);
            }
        }
    };

    const size_t threadCount =
        std::clamp<size_t>(options.threads, 1, std::max<size_t>(maps.size(), 1));
    std::vector<std::thread> helpers;
    for (size_t t = 1; t < threadCount; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer threads, same pictures
        }
    }
    work();
    for (std::thread& helper : helpers) {
        helper.join();
    }
    return entries;
}

}  // namespace brindle
