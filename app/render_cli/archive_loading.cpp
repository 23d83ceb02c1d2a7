// Opening the archive and loading the map, with the one-line error the subcommands share.
#include "app/render_cli/archive_loading.h"

#include <cstdio>

namespace brindle {

int openArchive(WadArchive& archive, const std::string& wadPath) {
    if (archive.open(wadPath.c_str()) != resultOk) {
        std::fprintf(stderr, "brindle-render: %s\n", archive.errorText().c_str());
        return 2;
    }
    return 0;
}

int openArchiveAndMap(WadArchive& archive, const std::string& wadPath, const std::string& mapName) {
    if (const int status = openArchive(archive, wadPath)) {
        return status;
    }
    const int32_t result = archive.loadLevel(mapName.c_str());
    if (result == resultBadLevel) {
        // The level's own text names the lump and record; say which map of which file.
        std::fprintf(stderr, "brindle-render: map %s in '%s': %s\n", mapName.c_str(),
                     wadPath.c_str(), archive.errorText().c_str());
        return 2;
    }
    if (result != resultOk) {
        std::fprintf(stderr, "brindle-render: %s\n", archive.errorText().c_str());
        return 2;
    }
    return 0;
}

}  // namespace brindle
