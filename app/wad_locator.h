// Finding the game archive the way Linux players expect: ./Doom1.wad first, then the
// folders that Doom programs on Linux share. The search is a pure function of what the
// environment says and what the folders hold, so it can be tested without touching the
// real machine.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brindle {

// The environment variables the search reads; nullopt when a variable is unset.
struct SearchEnvironment {
    std::optional<std::string> doomWadDir;   // $DOOMWADDIR
    std::optional<std::string> doomWadPath;  // $DOOMWADPATH, colon-separated folders or files
    std::optional<std::string> xdgDataHome;  // $XDG_DATA_HOME
    std::optional<std::string> home;         // $HOME

    static SearchEnvironment fromProcess();
};

// What the search needs to know of the file system.
struct FolderView {
    // The names in a folder, or nullopt when the path is not a readable folder.
    std::function<std::optional<std::vector<std::string>>(const std::string& folder)> list;
    // True when the path names a regular file (or a link to one).
    std::function<bool(const std::string& path)> isFile;

    static FolderView real();
};

struct WadSearch {
    std::optional<std::string> found;  // the archive to open
    // The current folder, then every shared place tried, in order, for the error text.
    std::vector<std::string> placesLooked;
};

// The archive names tried in each shared folder, in order of preference.
const std::vector<std::string>& sharedArchiveNames();

// Looks for Doom1.wad (any case) in `currentFolder`, then in $DOOMWADDIR, in each
// $DOOMWADPATH entry (a file entry is taken as it is), in $XDG_DATA_HOME/games/doom
// (default ~/.local/share/games/doom), /usr/local/share/games/doom and /usr/share/games/doom
// for the shared names in order, each matched case-insensitively.
WadSearch findWad(const SearchEnvironment& env, const FolderView& folders,
                  const std::string& currentFolder = ".");

// The error shown when the search found nothing: every place looked and how to fix it.
std::string describeMissingWad(const WadSearch& search);

}  // namespace brindle
