// Opening the archives and loading the map, with the one-line error the subcommands share.
#include "app/render_cli/archive_loading.h"

#include <cstdio>

namespace brindle {

std::string iwadPathOf(const ArchiveChoice& choice) {
    return choice.wadPath.empty() ? std::string(defaultWadPath) : choice.wadPath;
}

std::string mapNameOf(const ArchiveChoice& choice, const WadArchive& archive) {
    if (!choice.mapName.empty()) {
        return choice.mapName;
    }
    const std::string added = archive.firstAddedMap();
    return added.empty() ? std::string(defaultMap) : added;
}

int reportArchiveFailure(int32_t result, const WadArchive& archive, const std::string& mapName) {
    const int32_t file = archive.mapFile(mapName);
    if (result == resultBadLevel && file >= 0) {
        // The level's own text names the lump and record; say which map of which file.
        std::fprintf(stderr, "brindle-render: map %s in '%s': %s\n", mapName.c_str(),
                     archive.files()[static_cast<size_t>(file)].path.c_str(),
                     archive.errorText().c_str());
    } else {
        std::fprintf(stderr, "brindle-render: %s\n", archive.errorText().c_str());
    }
    return 2;
}

int openArchive(WadArchive& archive, const ArchiveChoice& choice) {
    const int32_t opened = archive.open(iwadPathOf(choice).c_str(), choice.files);
    return opened == resultOk ? 0 : reportArchiveFailure(opened, archive, std::string());
}

int openArchiveAndMap(WadArchive& archive, const ArchiveChoice& choice, std::string& mapName) {
    if (const int status = openArchive(archive, choice)) {
        return status;
    }
    mapName = mapNameOf(choice, archive);
    const int32_t loaded = archive.loadLevel(mapName.c_str());
    return loaded == resultOk ? 0 : reportArchiveFailure(loaded, archive, mapName);
}

}  // namespace brindle
