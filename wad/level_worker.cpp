// Level workers: archives that load levels on other threads without a second copy of the
// composed textures, which are by far the largest part of an opened archive. Everything a
// worker copies is listed in copyStateForLevels; the rest of its state is its own level.
#include "wad/wad_archive.h"

namespace brindle {

std::unique_ptr<WadArchive> WadArchive::makeLevelWorker() const {
    auto worker = std::make_unique<WadArchive>();
    if (loaded != 0) {
        worker->copyStateForLevels(*this);
    }
    return worker;
}

// What loadLevel reads besides the level itself (the path, the directory with its index and
// the file's size), and the small tables that the renderer and the commands read. The file
// is reopened by each loadLevel, so every worker has its own stream.
void WadArchive::copyStateForLevels(const WadArchive& base) {
    loaded = base.loaded;
    path = base.path;
    directoryOffset = base.directoryOffset;
    lumpCount = base.lumpCount;
    fileSize = base.fileSize;
    directoryEntries = base.directoryEntries;
    lumpIndex = base.lumpIndex;
    palettes = base.palettes;
    colorMaps = base.colorMaps;
    patchNames = base.patchNames;
    textureCount = base.textureCount;
    textureOwner = base.textureOwner != nullptr ? base.textureOwner : &base;
}

}  // namespace brindle
