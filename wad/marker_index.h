// Names of the entries between a pair of markers (flats, sprites), resolved by the layering
// rule: later files override earlier ones; inside one file the first entry of a name counts.
#pragma once

#include <string>
#include <vector>

#include "wad/lump_names.h"
#include "wad/name_index.h"
#include "wad/wad_archive.h"

namespace brindle {

inline void indexBetweenMarkers(const std::vector<WadFile>& files, const char* start,
                                const char* doubledStart, const char* end, const char* doubledEnd,
                                NameIndex<LumpRef>& index) {
    index.clear();
    for (size_t f = 0; f < files.size(); ++f) {
        const std::vector<LumpEntry>& directory = files[f].directory;
        const int32_t file = static_cast<int32_t>(f);
        bool inside = false;
        for (size_t i = 0; i < directory.size(); ++i) {
            const std::string name = lumpName(directory[i].name);
            if (name == start || name == doubledStart) {
                inside = true;
            } else if (name == end || name == doubledEnd) {
                inside = false;
            } else if (inside) {
                LumpRef& ref = index[name];
                if (ref.file != file) {
                    ref = LumpRef{file, static_cast<int32_t>(i)};
                }
            }
        }
    }
}

}  // namespace brindle
