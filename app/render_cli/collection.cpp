// Drawing the collection. Archives are independent, so each thread takes the next PWAD from a
// shared counter, opens it over the IWAD and draws its atlas on that one thread: with
// thousands of small archives that keeps every core busy with no waiting between maps.
#include "app/render_cli/collection.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

#include "app/render_cli/text_file.h"
#include "wad/wad_archive.h"

namespace brindle {

namespace {

// Opens the PWAD over the IWAD, draws its atlas into its folder and fills the row.
void drawArchive(const std::string& pwadPath, const CollectionOptions& options,
                 CollectionRow& row) {
    WadArchive archive;
    if (archive.open(options.iwadPath.c_str(), {pwadPath}) != resultOk) {
        row.error = archive.errorText();
        return;
    }
    const std::filesystem::path folder = std::filesystem::path(options.folder) / row.folder;
    std::error_code folderError;
    std::filesystem::create_directories(folder, folderError);
    if (folderError) {
        row.error = "cannot create the folder '" + folder.string() + "': " + folderError.message();
        return;
    }
    AtlasOptions atlasOptions;
    atlasOptions.folder = folder.string();
    atlasOptions.floors = options.floors;
    atlasOptions.look = options.look;
    atlasOptions.threads = 1;
    atlasOptions.addedMapsOnly = true;
    atlasOptions.coresShared = options.threads > 1;
    const std::vector<AtlasEntry> entries = drawAtlas(archive, atlasOptions, AtlasProgress());

    row.maps = entries.size();
    for (const AtlasEntry& entry : entries) {
        if (!entry.error.empty()) {
            ++row.failedMaps;
        } else if (row.thumbnail.empty()) {
            row.thumbnail = overviewFileName(entry.map);
        }
    }
    const std::string iwadName = std::filesystem::path(options.iwadPath).filename().string();
    std::string problem;
    if (!writeTextFile((folder / "index.html").string(),
                       atlasPage(iwadName + " + " + row.archiveFile, entries), problem)) {
        row.error = problem;
    }
}

}  // namespace

std::vector<std::string> atlasFolderNames(const std::vector<std::string>& pwadPaths) {
    std::set<std::string> used;
    std::map<std::string, int> lastSuffix;
    std::vector<std::string> names;
    for (const std::string& path : pwadPaths) {
        std::string stem = std::filesystem::path(path).stem().string();
        if (stem.empty() || stem == "." || stem == "..") {
            stem = "archive";
        }
        std::string name = stem;
        int& suffix = lastSuffix[stem];
        while (!used.insert(name).second) {
            suffix = std::max(suffix, 1) + 1;
            name = stem + "-" + std::to_string(suffix);
        }
        names.push_back(name);
    }
    return names;
}

std::vector<CollectionRow> drawCollection(const std::vector<std::string>& pwadPaths,
                                          const CollectionOptions& options,
                                          const CollectionProgress& progress) {
    const std::vector<std::string> folders = atlasFolderNames(pwadPaths);
    std::vector<CollectionRow> rows(pwadPaths.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].folder = folders[i];
        rows[i].archiveFile = std::filesystem::path(pwadPaths[i]).filename().string();
        rows[i].error = "not drawn: out of memory";  // until a thread takes the archive
    }

    std::atomic<size_t> next{0};
    std::mutex progressLock;
    size_t done = 0;
    auto work = [&]() noexcept {
        for (size_t i; (i = next.fetch_add(1)) < rows.size();) {
            CollectionRow& row = rows[i];
            row.error.clear();
            try {
                drawArchive(pwadPaths[i], options, row);
            } catch (const std::exception& e) {
                row.error = std::string("not drawn: ") + e.what();
            }
            if (progress) {
                const std::lock_guard<std::mutex> hold(progressLock);
                progress(++done, rows.size(), row);
            }
        }
    };

    const size_t threadCount =
        std::clamp<size_t>(options.threads, 1, std::max<size_t>(rows.size(), 1));
    std::vector<std::thread> helpers;
    for (size_t t = 1; t < threadCount; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer threads, same atlases
        }
    }
    work();
    for (std::thread& helper : helpers) {
        helper.join();
    }
    return rows;
}

}  // namespace brindle
