// The options with which every program names the archives to read and the map to show:
// --wad PATH, --file PATH... and --map NAME, and the bare archive paths that a desktop passes
// when a file is dropped on a window program or opened with it.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace brindle {

struct ArchiveChoice {
    std::string wadPath;             // empty: the program's own default
    std::vector<std::string> files;  // layered over the IWAD, in load order
    std::string mapName;             // empty: the default map
};

// Adds --wad, --file (one or more paths; may be repeated) and --map to a command. The
// defaults are named in the help only: what they mean is the program's to say.
void addArchiveOptions(CLI::App& command, ArchiveChoice& choice, const std::string& wadDefault,
                       const std::string& mapDefault);

// Sorts bare paths by what their headers say: a "PWAD" joins the added files (after those of
// --file, in the order given), an "IWAD" becomes the IWAD (only one IWAD may be named, bare or
// with --wad). False with `error` naming the file when one cannot be read, says neither, or
// is a second IWAD.
bool sortBarePaths(const std::vector<std::string>& paths, ArchiveChoice& choice,
                   std::string& error);

}  // namespace brindle
