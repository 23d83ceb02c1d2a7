// Flats: the 64 x 64 floor and ceiling pictures between the flat markers. Their names are
// indexed when the archive opens; the pixels of those the loaded level's sectors use are read
// with the level.
#include <cstring>

#include "wad/lump_names.h"
#include "wad/marker_index.h"
#include "wad/wad_archive.h"

namespace brindle {

namespace {

constexpr int32_t flatBytes = 64 * 64;

}  // namespace

// Later files override earlier ones; inside one file the first entry of a name between the
// markers counts.
void WadArchive::indexFlats() {
    indexBetweenMarkers(wadFiles, "F_START", "FF_START", "F_END", "FF_END", flatIndex);
}

// Reads the flats that the level's sectors name, each once; a flat whose entry is not 4096
// bytes inside its file is left out. Streams of the files are opened as needed and stay
// open for the caller to close.
void WadArchive::readLevelFlats() {
    levelFlats.clear();
    streams.resize(wadFiles.size());
    auto readFlat = [&](const char* stored) {
        std::string name = lumpName(stored);
        if (levelFlats.count(name) != 0) {
            return;
        }
        const LumpRef* found = flatIndex.find(name);
        if (found == nullptr) {
            return;
        }
        const LumpRef ref = *found;
        const WadFile& wad = wadFiles[static_cast<size_t>(ref.file)];
        const LumpEntry& entry = wad.directory[static_cast<size_t>(ref.entry)];
        if (entry.size != flatBytes || !wad.holds(entry)) {
            return;
        }
        FileStream& in = streams[static_cast<size_t>(ref.file)];
        if (!in) {
            in = openLumpStream(wad.path, true);
        }
        const LumpBytes bytes = readLump(ref, flatBytes);
        if (bytes.size() == flatBytes) {
            levelFlats.emplace(std::move(name), std::vector<uint8_t>(bytes.begin(), bytes.end()));
        }
    };
    for (const Sector& sector : sectors) {
        readFlat(sector.floorFlat);
        readFlat(sector.ceilingFlat);
    }
}

const uint8_t* WadArchive::findFlat(const char* name) const {
    if (name == nullptr) {
        return nullptr;
    }
    const auto it = levelFlats.find(lumpName(name));
    return it == levelFlats.end() ? nullptr : it->second.data();
}

}  // namespace brindle
