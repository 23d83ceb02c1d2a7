// The atlas of an archive: for every map its overview and its view from the player-one start,
// drawn on several threads, and one page that shows them all.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "render/renderer.h"
#include "wad/wad_archive.h"

namespace brindle {

constexpr int32_t atlasOverviewWidth = 1280;
constexpr int32_t atlasOverviewHeight = 800;

struct AtlasEntry {
    std::string map;
    std::string archiveFile;  // the name of the archive file the map comes from
    std::string error;        // empty when both pictures were written
    std::vector<std::pair<const char*, size_t>> counts;  // records per level lump
};

struct AtlasOptions {
    std::string folder;          // where the pictures go; it must exist
    bool floors = false;         // fill the floors of the start views
    Look look = Look::plain;     // the start views' look
    bool things = true;          // the start views' things, in the game look
    int skill = defaultSkill;    // at which the things are placed
    unsigned threads = 1;        // at most this many maps are drawn at once
    bool addedMapsOnly = false;  // only the maps that come from an added file, not the IWAD
    bool coresShared = false;    // other work keeps the other cores busy: one thread a frame
};

// Called after each map with the number of maps done so far, all maps, and the map just done;
// calls never overlap.
using AtlasProgress = std::function<void(size_t done, size_t total, const std::string& map)>;

// The atlas's picture files of a map: "MAP01.png" and "MAP01-start.png".
std::string overviewFileName(const std::string& map);
std::string startFileName(const std::string& map);

// Draws both pictures of every map of the opened `archive` into options.folder: the overview
// as `brindle-render map --size 1280x800` draws it and the view as `brindle-render shot` does,
// both from the player-one start. One entry per map (with options.addedMapsOnly, per map of
// an added file), in the archive's order; a map that
// cannot be loaded or written has its error instead. `archive` is only read, by every thread.
std::vector<AtlasEntry> drawAtlas(const WadArchive& archive, const AtlasOptions& options,
                                  const AtlasProgress& progress);

// The page of the atlas (atlas_page.cpp): self-contained HTML that shows every map's pictures,
// record counts and archive file, or its error.
std::string atlasPage(const std::string& archiveName, const std::vector<AtlasEntry>& entries);

}  // namespace brindle
