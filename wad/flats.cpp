// Flats: the 64 x 64 floor and ceiling pictures between the flat markers. Their names are
// indexed when the archive opens; the pixels of those the loaded level's sectors use are read
// with the level.
#include <cstring>

#include "wad/lump_names.h"
#include "wad/wad_archive.h"

namespace brindle {

namespace {

constexpr int32_t flatBytes = 64 * 64;

}  // namespace

// Later files override earlier ones; inside one file the first entry of a name between the
// markers counts.
void WadArchive::indexFlats() {
    flatIndex.clear();
    for (size_t f = 0; f < wadFiles.size(); ++f) {
        const std::vector<LumpEntry>& directory = wadFiles[f].directory;
        const int32_t file = static_cast<int32_t>(f);
        bool inside = false;
        for (size_t i = 0; i < directory.size(); ++i) {
            std::string name = lumpName(directory[i].name);
            if (name == "F_START" || name == "FF_START") {
                inside = true;
            } else if (name == "F_END" || name == "FF_END") {
                inside = false;
            } else if (inside) {
                LumpRef& ref = flatIndex[std::move(name)];
                if (ref.file != file) {  // the first entry of a name inside a file counts
                    ref = LumpRef{file, static_cast<int32_t>(i)};
                }
            }
        }
    }
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
        const auto it = flatIndex.find(name);
        if (it == flatIndex.end()) {
            return;
        }
        const LumpRef ref = it->second;
        const WadFile& wad = wadFiles[static_cast<size_t>(ref.file)];
        const LumpEntry& entry = wad.directory[static_cast<size_t>(ref.entry)];
        if (entry.size != flatBytes || !wad.holds(entry)) {
            return;
        }
        FileStream& in = streams[static_cast<size_t>(ref.file)];
        if (!in) {
            in.reset(std::fopen(wad.path.c_str(), "rb"));
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
