// The archive search: the current folder, then the shared Doom data folders.
#include "app/wad_locator.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace brindle {

namespace {

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::string(value);
}

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return text;
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') {
        return folder + name;
    }
    return folder + "/" + name;
}

// The file in `names` spelled like `wanted` in any case. The exact spelling wins over other
// spellings, and among those the first in byte order, so the choice does not depend on the
// order the folder lists its entries in.
std::optional<std::string> matchName(const std::vector<std::string>& names,
                                     const std::string& wanted, const std::string& folder,
                                     const FolderView& folders) {
    const std::string key = lowerCase(wanted);
    std::optional<std::string> best;
    for (const std::string& name : names) {
        if (lowerCase(name) != key || !folders.isFile(joinPath(folder, name))) {
            continue;
        }
        if (name == wanted) {
            return name;
        }
        if (!best || name < *best) {
            best = name;
        }
    }
    return best;
}

std::optional<std::string> searchFolder(const std::string& folder,
                                        const std::vector<std::string>& wantedNames,
                                        const FolderView& folders) {
    const auto names = folders.list(folder);
    if (!names) {
        return std::nullopt;
    }
    for (const std::string& wanted : wantedNames) {
        if (auto name = matchName(*names, wanted, folder, folders)) {
            return joinPath(folder, *name);
        }
    }
    return std::nullopt;
}

std::vector<std::string> splitPathList(const std::string& list) {
    std::vector<std::string> entries;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) {
            end = list.size();
        }
        if (end > start) {
            entries.push_back(list.substr(start, end - start));
        }
        start = end + 1;
    }
    return entries;
}

// Where the shared folders are, in the order they are searched. Each entry is a folder,
// except that a $DOOMWADPATH entry may name the archive itself.
std::vector<std::string> sharedPlaces(const SearchEnvironment& env) {
    std::vector<std::string> places;
    if (env.doomWadDir && !env.doomWadDir->empty()) {
        places.push_back(*env.doomWadDir);
    }
    if (env.doomWadPath) {
        for (const std::string& entry : splitPathList(*env.doomWadPath)) {
            places.push_back(entry);
        }
    }
    // A relative $XDG_DATA_HOME is invalid and ignored, as the base-directory rules say.
    if (env.xdgDataHome && !env.xdgDataHome->empty() && env.xdgDataHome->front() == '/') {
        places.push_back(joinPath(*env.xdgDataHome, "games/doom"));
    } else if (env.home && !env.home->empty()) {
        places.push_back(joinPath(*env.home, ".local/share/games/doom"));
    }
    places.push_back("/usr/local/share/games/doom");
    places.push_back("/usr/share/games/doom");
    return places;
}

}  // namespace

SearchEnvironment SearchEnvironment::fromProcess() {
    return SearchEnvironment{variable("DOOMWADDIR"), variable("DOOMWADPATH"),
                             variable("XDG_DATA_HOME"), variable("HOME")};
}

FolderView FolderView::real() {
    FolderView view;
    view.list = [](const std::string& folder) -> std::optional<std::vector<std::string>> {
        std::error_code error;
        std::filesystem::directory_iterator it(folder, error);
        if (error) {
            return std::nullopt;
        }
        std::vector<std::string> names;
        for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
            if (error) {
                break;
            }
            names.push_back(it->path().filename().string());
        }
        return names;
    };
    view.isFile = [](const std::string& path) {
        std::error_code error;
        return std::filesystem::is_regular_file(path, error);
    };
    return view;
}

const std::vector<std::string>& sharedArchiveNames() {
    static const std::vector<std::string> names = {"doom1.wad", "doom.wad", "doom2.wad",
                                                   "freedoom1.wad", "freedoom2.wad"};
    return names;
}

WadSearch findWad(const SearchEnvironment& env, const FolderView& folders,
                  const std::string& currentFolder) {
    WadSearch search;
    search.placesLooked.push_back(currentFolder);
    search.found = searchFolder(currentFolder, {"Doom1.wad"}, folders);
    if (search.found) {
        return search;
    }
    for (const std::string& place : sharedPlaces(env)) {
        search.placesLooked.push_back(place);
        if (folders.isFile(place)) {
            search.found = place;
            return search;
        }
        search.found = searchFolder(place, sharedArchiveNames(), folders);
        if (search.found) {
            return search;
        }
    }
    return search;
}

std::string describeMissingWad(const WadSearch& search) {
    std::string text = "No game archive found: looked for Doom1.wad in ";
    text += search.placesLooked.empty() ? "." : search.placesLooked.front();
    text += " and for ";
    const auto& names = sharedArchiveNames();
    for (size_t n = 0; n < names.size(); ++n) {
        text += (n == 0 ? "" : n + 1 == names.size() ? " or " : ", ") + names[n];
    }
    text += " (any case) in ";
    for (size_t i = 1; i < search.placesLooked.size(); ++i) {
        text += (i == 1 ? "" : ", ") + search.placesLooked[i];
    }
    text += "; put Doom1.wad here, pass --wad, or install the freedoom package";
    return text;
}

}  // namespace brindle
