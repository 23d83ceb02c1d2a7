// The archive search: which file is chosen, in which order places are tried, and what the
// error says when nothing is found.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/wad_locator.h"
#include "tests/app/temp_folder.h"

namespace brindle {
namespace {

using test::TempFolder;

// The real file system, but only inside the test's folder: the machine's own game folders
// stay out of the way.
FolderView confinedTo(const std::string& root) {
    const FolderView real = FolderView::real();
    const auto inside = [root](const std::string& path) { return path.rfind(root, 0) == 0; };
    FolderView view;
    view.list = [real, inside](const std::string& folder) {
        return inside(folder) ? real.list(folder) : std::nullopt;
    };
    view.isFile = [real, inside](const std::string& path) {
        return inside(path) && real.isFile(path);
    };
    return view;
}

// "{root}" in a table entry stands for the test's folder.
std::string expand(const std::string& text, const std::string& root) {
    std::string out = text;
    for (size_t at = out.find("{root}"); at != std::string::npos; at = out.find("{root}")) {
        out.replace(at, 6, root);
    }
    return out;
}

std::optional<std::string> expandOptional(const char* text, const std::string& root) {
    return text ? std::optional<std::string>(expand(text, root)) : std::nullopt;
}

struct SearchCase {
    const char* name;
    std::vector<std::string> files;  // made under the root; a trailing '/' makes a folder
    const char* doomWadDir;
    const char* doomWadPath;
    const char* xdgDataHome;
    const char* home;
    const char* want;  // nullptr: nothing found
};

class FindWad : public testing::TestWithParam<SearchCase> {};

TEST_P(FindWad, ChoosesTheFirstArchiveInSearchOrder) {
    const SearchCase& c = GetParam();
    TempFolder folder;
    const std::string root = folder.path().string();
    for (const std::string& file : c.files) {
        if (file.back() == '/') {
            folder.makeFolder(file);
        } else {
            folder.write(file);
        }
    }
    const SearchEnvironment env{expandOptional(c.doomWadDir, root),
                                expandOptional(c.doomWadPath, root),
                                expandOptional(c.xdgDataHome, root), expandOptional(c.home, root)};

    const WadSearch search = findWad(env, confinedTo(root), root + "/cwd");

    EXPECT_EQ(search.found, expandOptional(c.want, root));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindWad,
    testing::Values(SearchCase{"CurrentFolderFirst",
                               {"cwd/Doom1.wad", "dir/doom1.wad"},
                               "{root}/dir",
                               nullptr,
                               nullptr,
                               nullptr,
                               "{root}/cwd/Doom1.wad"},
                    SearchCase{"CurrentFolderAnyCase",
                               {"cwd/DOOM1.WAD"},
                               nullptr,
                               nullptr,
                               nullptr,
                               nullptr,
                               "{root}/cwd/DOOM1.WAD"},
                    SearchCase{"ExactSpellingWins",
                               {"cwd/DOOM1.WAD", "cwd/Doom1.wad", "cwd/doom1.wad"},
                               nullptr,
                               nullptr,
                               nullptr,
                               nullptr,
                               "{root}/cwd/Doom1.wad"},
                    SearchCase{"OtherSpellingsInByteOrder",
                               {"cwd/doom1.wad", "cwd/DOOM1.wad"},
                               nullptr,
                               nullptr,
                               nullptr,
                               nullptr,
                               "{root}/cwd/DOOM1.wad"},
                    SearchCase{"CurrentFolderOnlyTakesDoom1",
                               {"cwd/freedoom1.wad", "cwd/doom.wad", "dir/freedoom2.wad"},
                               "{root}/dir",
                               nullptr,
                               nullptr,
                               nullptr,
                               "{root}/dir/freedoom2.wad"},
                    SearchCase{"FolderNamedLikeTheArchiveIsSkipped",
                               {"cwd/doom1.wad/", "dir/doom2.wad"},
                               "{root}/dir",
                               nullptr,
                               nullptr,
                               nullptr,
                               "{root}/dir/doom2.wad"},
                    SearchCase{"NameOrderBeatsCase",
                               {"dir/FREEDOOM1.WAD", "dir/doom2.wad", "dir/DOOM.WAD"},
                               "{root}/dir",
                               nullptr,
                               nullptr,
                               nullptr,
                               "{root}/dir/DOOM.WAD"},
                    SearchCase{"AllSharedNamesInOrder",
                               {"dir/freedoom2.wad", "dir/freedoom1.wad"},
                               "{root}/dir",
                               nullptr,
                               nullptr,
                               nullptr,
                               "{root}/dir/freedoom1.wad"},
                    SearchCase{"OtherNamesAreNotArchives",
                               {"dir/heretic.wad", "dir/doom1.wad.bak"},
                               "{root}/dir",
                               nullptr,
                               nullptr,
                               nullptr,
                               nullptr},
                    SearchCase{"DoomWadDirBeforeDoomWadPath",
                               {"dir/doom2.wad", "path/doom1.wad"},
                               "{root}/dir",
                               "{root}/path",
                               nullptr,
                               nullptr,
                               "{root}/dir/doom2.wad"},
                    SearchCase{"DoomWadPathEntriesInOrder",
                               {"a/readme.txt", "b/freedoom2.wad", "c/doom1.wad"},
                               "{root}/empty",
                               "{root}/a:{root}/b:{root}/c",
                               nullptr,
                               nullptr,
                               "{root}/b/freedoom2.wad"},
                    SearchCase{"DoomWadPathEntryNamesAFile",
                               {"a/custom.wad", "b/doom1.wad"},
                               nullptr,
                               "{root}/missing:{root}/a/custom.wad:{root}/b",
                               nullptr,
                               nullptr,
                               "{root}/a/custom.wad"},
                    SearchCase{"EmptyDoomWadPathEntriesIgnored",
                               {"b/doom.wad"},
                               "",
                               "::{root}/b:",
                               nullptr,
                               nullptr,
                               "{root}/b/doom.wad"},
                    SearchCase{"DoomWadPathBeforeXdg",
                               {"p/doom2.wad", "xdg/games/doom/doom1.wad"},
                               nullptr,
                               "{root}/p",
                               "{root}/xdg",
                               nullptr,
                               "{root}/p/doom2.wad"},
                    SearchCase{
                        "XdgDataHome",
                        {"xdg/games/doom/doom.wad", "home/.local/share/games/doom/doom1.wad"},
                        nullptr,
                        nullptr,
                        "{root}/xdg",
                        "{root}/home",
                        "{root}/xdg/games/doom/doom.wad"},
                    SearchCase{"XdgDefaultUnderHome",
                               {"home/.local/share/games/doom/freedoom1.wad"},
                               nullptr,
                               nullptr,
                               nullptr,
                               "{root}/home",
                               "{root}/home/.local/share/games/doom/freedoom1.wad"},
                    SearchCase{"EmptyXdgMeansDefault",
                               {"home/.local/share/games/doom/doom1.wad"},
                               nullptr,
                               nullptr,
                               "",
                               "{root}/home",
                               "{root}/home/.local/share/games/doom/doom1.wad"},
                    SearchCase{"RelativeXdgIsIgnored",
                               {"home/.local/share/games/doom/doom1.wad"},
                               nullptr,
                               nullptr,
                               "relative/data",
                               "{root}/home",
                               "{root}/home/.local/share/games/doom/doom1.wad"},
                    SearchCase{"NothingAnywhere",
                               {"cwd/", "dir/"},
                               "{root}/dir",
                               "{root}/p",
                               "{root}/xdg",
                               "{root}/home",
                               nullptr}),
    [](const testing::TestParamInfo<SearchCase>& info) { return std::string(info.param.name); });

// The fixed system folders come last, /usr/local before /usr.
TEST(FindWadSystemFolders, LocalBeforeShared) {
    const std::map<std::string, std::vector<std::string>> folders = {
        {"/usr/local/share/games/doom", {"freedoom2.wad"}},
        {"/usr/share/games/doom", {"doom1.wad"}},
    };
    FolderView view;
    view.list = [&folders](const std::string& folder) -> std::optional<std::vector<std::string>> {
        const auto it = folders.find(folder);
        return it == folders.end() ? std::nullopt : std::optional(it->second);
    };
    view.isFile = [&folders](const std::string& path) {
        return !folders.contains(path) && path.rfind("/usr/", 0) == 0;
    };

    const WadSearch search = findWad(SearchEnvironment{}, view, "/home/player");

    EXPECT_EQ(search.found, "/usr/local/share/games/doom/freedoom2.wad");
    EXPECT_EQ(search.placesLooked,
              (std::vector<std::string>{"/home/player", "/usr/local/share/games/doom"}));
}

TEST(FindWadError, NamesEveryPlaceAndTheFix) {
    TempFolder folder;
    const std::string root = folder.path().string();
    const SearchEnvironment env{root + "/dir", root + "/a:" + root + "/b", std::nullopt,
                                root + "/home"};

    const WadSearch search = findWad(env, confinedTo(root), root + "/cwd");

    ASSERT_FALSE(search.found);
    const std::vector<std::string> places = {root + "/cwd",
                                             root + "/dir",
                                             root + "/a",
                                             root + "/b",
                                             root + "/home/.local/share/games/doom",
                                             "/usr/local/share/games/doom",
                                             "/usr/share/games/doom"};
    EXPECT_EQ(search.placesLooked, places);
    const std::string text = describeMissingWad(search);
    for (const std::string& place : places) {
        EXPECT_NE(text.find(place), std::string::npos) << place << " missing from: " << text;
    }
    for (const char* name :
         {"Doom1.wad", "doom.wad", "doom2.wad", "freedoom1.wad", "freedoom2.wad"}) {
        EXPECT_NE(text.find(name), std::string::npos) << name;
    }
    EXPECT_NE(text.find("put Doom1.wad here, pass --wad, or install the freedoom package"),
              std::string::npos);
    EXPECT_EQ(text.find('\n'), std::string::npos) << "one line, for stderr and the box alike";
}

}  // namespace
}  // namespace brindle
