// brindle-render atlas: both pictures of every map of an archive and a page that shows them.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "app/render_cli/archive_loading.h"
#include "app/render_cli/atlas.h"
#include "app/render_cli/commands.h"
#include "app/render_cli/text_file.h"

namespace brindle {

namespace {

struct AtlasArguments {
    ArchiveChoice archives;  // its map is not offered: every map is drawn
    bool floors = false;
    bool addedMapsOnly = false;
    Look look = Look::plain;
    ThingChoice things;
    std::string folder;
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
};

// "12/32 MAP12", rewritten in place.
void showProgress(size_t done, size_t total, const std::string& map) {
    std::fprintf(stderr, "\r%zu/%zu %-8s", done, total, map.c_str());
    if (done == total) {
        std::fputc('\n', stderr);
    }
    std::fflush(stderr);
}

int runAtlas(const AtlasArguments& arguments) {
    WadArchive archive;
    if (const int status = openArchive(archive, arguments.archives)) {
        return status;
    }
    std::error_code folderError;
    std::filesystem::create_directories(arguments.folder, folderError);
    if (folderError) {
        std::fprintf(stderr, "brindle-render: cannot create the folder '%s': %s\n",
                     arguments.folder.c_str(), folderError.message().c_str());
        return 2;
    }

    AtlasOptions options;
    options.folder = arguments.folder;
    options.floors = arguments.floors;
    options.look = arguments.look;
    options.things = arguments.things.shown;
    options.skill = arguments.things.skill;
    options.threads = arguments.threads;
    options.addedMapsOnly = arguments.addedMapsOnly;
    const std::vector<AtlasEntry> entries =
        drawAtlas(archive, options, isatty(STDERR_FILENO) ? showProgress : AtlasProgress());

    int status = 0;
    for (const AtlasEntry& entry : entries) {
        if (!entry.error.empty()) {
            std::fprintf(stderr, "brindle-render: %s: %s\n", entry.map.c_str(),
                         entry.error.c_str());
            status = 2;
        }
    }
    // The page is named after the files, the IWAD first.
    std::string archiveName;
    for (const WadFile& file : archive.files()) {
        archiveName += (archiveName.empty() ? "" : " + ") +
                       std::filesystem::path(file.path).filename().string();
    }
    std::string problem;
    if (!writeTextFile((std::filesystem::path(arguments.folder) / "index.html").string(),
                       atlasPage(archiveName, entries), problem)) {
        std::fprintf(stderr, "brindle-render: %s\n", problem.c_str());
        status = 2;
    }
    return status;
}

}  // namespace

void registerAtlasCommand(CLI::App& app, int& exitStatus) {
    auto arguments = std::make_shared<AtlasArguments>();
    CLI::App* atlas = app.add_subcommand(
        "atlas", "Draw every map's overview and start view as PNG pictures, with an index.html");

    addArchiveOptions(*atlas, arguments->archives);
    atlas->remove_option(atlas->get_option_no_throw("--map"));
    atlas->add_flag("--floors", arguments->floors, "Fill the floors of the start views");
    addLookOption(*atlas, arguments->look);
    atlas->add_flag("--added-maps", arguments->addedMapsOnly,
                    "Only the maps of the added files, not those of the IWAD");
    addThingOptions(*atlas, arguments->things);
    atlas->add_option("--out", arguments->folder, "Folder for the pictures and index.html")
        ->type_name("DIR")
        ->required();
    atlas->add_option("--threads", arguments->threads, "Maps drawn at once (default: every core)")
        ->type_name("N")
        ->capture_default_str()
        ->check(CLI::Range(1u, 1024u));

    atlas->callback([&exitStatus, arguments] { exitStatus = runAtlas(*arguments); });
}

}  // namespace brindle
