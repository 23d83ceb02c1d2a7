// brindle-render collection: the atlas of each of many PWADs over one IWAD, and a page that
// links them; or, with --index-only, that page for the atlases already in a folder.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/render_cli/archive_loading.h"
#include "app/render_cli/collection.h"
#include "app/render_cli/commands.h"
#include "app/render_cli/text_file.h"

namespace brindle {

namespace {

struct CollectionArguments {
    std::string wadPath;
    std::vector<std::string> pwads;
    std::string folder;
    std::string indexOnlyFolder;
    bool floors = false;
    Look look = Look::plain;
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
};

// "12/3000 mymap.wad", rewritten in place.
void showProgress(size_t done, size_t total, const CollectionRow& row) {
    std::fprintf(stderr, "\r%zu/%zu %-24s", done, total, row.archiveFile.c_str());
    if (done == total) {
        std::fputc('\n', stderr);
    }
    std::fflush(stderr);
}

int writePage(const std::string& folder, const std::string& iwadName,
              const std::vector<CollectionRow>& rows) {
    std::string problem;
    if (!writeTextFile((std::filesystem::path(folder) / "index.html").string(),
                       collectionPage(iwadName, rows), problem)) {
        std::fprintf(stderr, "brindle-render: %s\n", problem.c_str());
        return 2;
    }
    return 0;
}

int runIndexOnly(const std::string& folder) {
    std::vector<CollectionRow> rows;
    std::string iwadName;
    std::string problem;
    if (!readCollectionRows(folder, rows, iwadName, problem)) {
        std::fprintf(stderr, "brindle-render: %s\n", problem.c_str());
        return 2;
    }
    return writePage(folder, iwadName, rows);
}

int runCollection(const CollectionArguments& arguments) {
    if (!arguments.indexOnlyFolder.empty()) {
        return runIndexOnly(arguments.indexOnlyFolder);
    }
    // The IWAD is opened once here so that a wrong one is one error, not one per archive.
    WadArchive iwad;
    ArchiveChoice choice;
    choice.wadPath = arguments.wadPath;
    if (const int status = openArchive(iwad, choice)) {
        return status;
    }
    std::error_code folderError;
    std::filesystem::create_directories(arguments.folder, folderError);
    if (folderError) {
        std::fprintf(stderr, "brindle-render: cannot create the folder '%s': %s\n",
                     arguments.folder.c_str(), folderError.message().c_str());
        return 2;
    }

    CollectionOptions options;
    options.iwadPath = iwadPathOf(choice);
    options.folder = arguments.folder;
    options.floors = arguments.floors;
    options.look = arguments.look;
    options.threads = arguments.threads;
    const std::vector<CollectionRow> rows = drawCollection(
        arguments.pwads, options, isatty(STDERR_FILENO) ? showProgress : CollectionProgress());

    int status = 0;
    for (const CollectionRow& row : rows) {
        if (!row.error.empty()) {
            std::fprintf(stderr, "brindle-render: %s\n", row.error.c_str());
            status = 2;
        } else if (row.failedMaps > 0) {
            std::fprintf(stderr, "brindle-render: %s: %zu of %zu maps could not be drawn\n",
                         row.archiveFile.c_str(), row.failedMaps, row.maps);
            status = 2;
        }
    }
    const std::string iwadName = std::filesystem::path(options.iwadPath).filename().string();
    return std::max(status, writePage(arguments.folder, iwadName, rows));
}

}  // namespace

void registerCollectionCommand(CLI::App& app, int& exitStatus) {
    auto arguments = std::make_shared<CollectionArguments>();
    CLI::App* collection = app.add_subcommand(
        "collection",
        "Draw the atlas of each PWAD over the IWAD into DIR/NAME/, with a DIR/index.html "
        "linking them");
    CLI::Option* wad = collection->add_option("--wad", arguments->wadPath, "The IWAD")
                           ->type_name("PATH")
                           ->default_str(defaultWadPath);
    CLI::Option* out =
        collection->add_option("--out", arguments->folder, "Folder for the atlases and index.html")
            ->type_name("DIR");
    CLI::Option* pwads =
        collection->add_option("PWAD", arguments->pwads, "The archives, each drawn on its own")
            ->type_name("");
    CLI::Option* floors =
        collection->add_flag("--floors", arguments->floors, "Fill the floors of the start views");
    CLI::Option* look = addLookOption(*collection, arguments->look);
    CLI::Option* threads = collection
                               ->add_option("--threads", arguments->threads,
                                            "Archives drawn at once (default: every core)")
                               ->type_name("N")
                               ->capture_default_str()
                               ->check(CLI::Range(1u, 1024u));
    CLI::Option* indexOnly =
        collection
            ->add_option("--index-only", arguments->indexOnlyFolder,
                         "Only write DIR/index.html, for the atlases present in DIR")
            ->type_name("DIR");
    // Checked here rather than with CLI11's excludes(), which would crowd the help.
    const std::vector<CLI::Option*> drawing{wad, out, pwads, floors, look, threads};
    collection->callback([indexOnly, drawing, out, pwads, &exitStatus, arguments] {
        if (indexOnly->count() > 0) {
            for (CLI::Option* option : drawing) {
                if (option->count() > 0) {
                    throw CLI::ExcludesError(indexOnly->get_name(), option->get_name());
                }
            }
        } else if (out->count() == 0 || pwads->count() == 0) {
            throw CLI::RequiredError(out->count() == 0 ? "--out" : "PWAD");
        }
        exitStatus = runCollection(*arguments);
    });
}

}  // namespace brindle
