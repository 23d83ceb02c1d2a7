// Opening the archives and loading the map for the headless renderer's subcommands.
#pragma once

#include <string>

#include "app/archive_options.h"
#include "wad/wad_archive.h"

namespace brindle {

constexpr char defaultWadPath[] = "./Doom1.wad";
constexpr char defaultMap[] = "E1M1";

// The IWAD the command line names, or ./Doom1.wad.
std::string iwadPathOf(const ArchiveChoice& choice);
// The map the command line names; without --map the first map of the last added file that
// has one, else E1M1.
std::string mapNameOf(const ArchiveChoice& choice, const WadArchive& archive);

// Prints "brindle-render: <problem naming the file>" for a failed open or loadLevel; returns
// exit status 2.
int reportArchiveFailure(int32_t result, const WadArchive& archive, const std::string& mapName);

// Opens the archives the command line names into `archive`. Returns 0 on success; otherwise
// reports and returns 2.
int openArchive(WadArchive& archive, const ArchiveChoice& choice);

// Opens the archives the command line names and loads its map into `archive`, setting
// `mapName` to the map loaded. Returns 0 on success; otherwise reports and returns 2.
int openArchiveAndMap(WadArchive& archive, const ArchiveChoice& choice, std::string& mapName);

}  // namespace brindle
