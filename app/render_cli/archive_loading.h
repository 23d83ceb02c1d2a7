// Opening the archive and loading the map for the headless renderer's subcommands.
#pragma once

#include <string>

#include "wad/wad_archive.h"

namespace brindle {

// Opens `wadPath` into `archive`. On failure prints one line "brindle-render: <problem naming
// the file>" on stderr and returns exit status 2; returns 0 on success.
int openArchive(WadArchive& archive, const std::string& wadPath);

// Opens `wadPath` and loads `mapName` into `archive`. On failure prints one line
// "brindle-render: <problem naming the file>" on stderr and returns exit status 2;
// returns 0 on success.
int openArchiveAndMap(WadArchive& archive, const std::string& wadPath, const std::string& mapName);

}  // namespace brindle
