// The archive options shared by brindle, Brindle.exe and brindle-render.
#include "app/archive_options.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace brindle {

void addArchiveOptions(CLI::App& command, ArchiveChoice& choice, const std::string& wadDefault,
                       const std::string& mapDefault) {
    command.add_option("--wad", choice.wadPath, "Game archive (IWAD)")
        ->type_name("PATH")
        ->default_str(wadDefault);
    command
        .add_option("--file", choice.files,
                    "Archives (PWADs) layered over the IWAD, in the order given; a lump or map "
                    "comes from the last of them that has it")
        ->type_name("PATH...")
        ->allow_extra_args()
        ->expected(1, CLI::detail::expected_max_vector_size);
    command.add_option("--map", choice.mapName, "Map to show (E1M1, MAP01, ...)")
        ->type_name("NAME")
        ->default_str(mapDefault);
}

bool sortBarePaths(const std::vector<std::string>& paths, ArchiveChoice& choice,
                   std::string& error) {
    std::vector<std::string> addedFiles;
    for (const std::string& path : paths) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (file == nullptr) {
            error = "cannot open '" + path + "': " + std::strerror(errno);
            return false;
        }
        char kind[4] = {};
        const bool read = std::fread(kind, 1, sizeof kind, file) == sizeof kind;
        std::fclose(file);
        if (read && std::memcmp(kind, "PWAD", 4) == 0) {
            addedFiles.push_back(path);
        } else if (read && std::memcmp(kind, "IWAD", 4) == 0) {
            if (!choice.wadPath.empty()) {
                error = "two IWADs given (" + choice.wadPath + " and " + path +
                        "): add further archives with --file";
                return false;
            }
            choice.wadPath = path;
        } else {
            error = path + " is not a WAD archive";
            return false;
        }
    }
    choice.files.insert(choice.files.end(), addedFiles.begin(), addedFiles.end());
    return true;
}

}  // namespace brindle
