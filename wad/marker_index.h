// Names of the entries between a pair of markers (flats, sprites), resolved by the layering
// rule: later files override earlier ones; inside one file the first entry of a name counts.
#pragma once

#include <cstdint>
#include <vector>

#include "wad/name_index.h"
#include "wad/wad_archive.h"

namespace brindle {

inline void indexBetweenMarkers(const std::vector<WadFile>& files, const char* start,
                                const char* doubledStart, const char* end, const char* doubledEnd,
                                NameIndex<LumpRef>& index) {
    // Entries are told apart by their packed names, without making a string of each.
    using Index = NameIndex<LumpRef>;
    uint64_t starts[2] = {};
    uint64_t ends[2] = {};
    Index::keyOf(start, starts[0]);
    Index::keyOf(doubledStart, starts[1]);
    Index::keyOf(end, ends[0]);
    Index::keyOf(doubledEnd, ends[1]);
    index.clear();
    for (size_t f = 0; f < files.size(); ++f) {
        const std::vector<LumpEntry>& directory = files[f].directory;
        const int32_t file = static_cast<int32_t>(f);
        bool inside = false;
        for (size_t i = 0; i < directory.size(); ++i) {
            const uint64_t key = Index::keyOfStored(directory[i].name);
            if (key == starts[0] || key == starts[1]) {
                inside = true;
            } else if (key == ends[0] || key == ends[1]) {
                inside = false;
            } else if (inside) {
                LumpRef& ref = index.at(key);
                if (ref.file != file) {
                    ref = LumpRef{file, static_cast<int32_t>(i)};
                }
            }
        }
    }
}

}  // namespace brindle
