// The collection: one atlas per PWAD, each over the same IWAD, in a folder of its own, and one
// page that links them all with each archive's map count and first overview.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "app/render_cli/atlas.h"

namespace brindle {

// One archive of the collection: where its atlas is and what the collection's page says of it.
struct CollectionRow {
    std::string folder;       // the atlas's folder inside the collection's, e.g. "mymap"
    std::string archiveFile;  // the PWAD's file name, e.g. "mymap.wad"
    size_t maps = 0;          // maps in the atlas
    size_t failedMaps = 0;    // of them, those that could not be drawn
    std::string thumbnail;    // the first overview's file inside `folder`; empty when none
    std::string error;        // the archive could not be opened: why
};

struct CollectionOptions {
    std::string iwadPath;
    std::string folder;       // the collection's folder; it must exist
    bool floors = false;      // as atlas --floors
    Look look = Look::plain;  // as atlas --look
    unsigned threads = 1;     // at most this many archives are drawn at once
};

// Called after each archive with the number done so far, all archives, and the row just done;
// calls never overlap.
using CollectionProgress = std::function<void(size_t done, size_t total, const CollectionRow& row)>;

// The folders of the atlases: each PWAD's file name without its extension, made unique
// ("mymap", "mymap-2", ...) when two files share a name.
std::vector<std::string> atlasFolderNames(const std::vector<std::string>& pwadPaths);

// Draws the atlas of every PWAD over the IWAD into its folder, as `brindle-render atlas
// --added-maps --file PWAD` does, the archives spread over options.threads threads. One row
// per PWAD, in the order given; an archive that cannot be opened has its error instead.
std::vector<CollectionRow> drawCollection(const std::vector<std::string>& pwadPaths,
                                          const CollectionOptions& options,
                                          const CollectionProgress& progress);

// The rows of the atlases present in `folder` (collection_page.cpp): each sub-folder holding
// an atlas's index.html, in name order, read back from that page, and the IWAD's file name as
// the first atlas names it. False with `error` set when the folder cannot be read.
bool readCollectionRows(const std::string& folder, std::vector<CollectionRow>& rows,
                        std::string& iwadName, std::string& error);

// The collection's index.html (collection_page.cpp): one row per archive linking its atlas,
// with its map count and first overview, or its error.
std::string collectionPage(const std::string& iwadName, const std::vector<CollectionRow>& rows);

}  // namespace brindle
