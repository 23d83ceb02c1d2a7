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

// What loadLevel reads besides the level itself (the path, the files' directories with the
// name and flat indexes, their size), and the small tables that the renderer and the
// commands read. The files are reopened by each loadLevel, so every worker has its own
// streams.
void WadArchive::copyStateForLevels(const WadArchive& base) {
    loaded = base.loaded;
    path = base.path;
    directoryOffset = base.directoryOffset;
    lumpCount = base.lumpCount;
    fileSize = base.fileSize;
    wadFiles = base.wadFiles;
    lumpIndex = base.lumpIndex;
    flatIndex = base.flatIndex;
    palettes = base.palettes;
    colorMaps = base.colorMaps;
    patchNames = base.patchNames;
    textureCount = base.textureCount;
    textureOwner = base.textureOwner != nullptr ? base.textureOwner : &base;
}

}  // namespace brindle
