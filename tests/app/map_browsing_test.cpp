// Browsing the maps of the layered archive with Page Down and Page Up, the title naming the
// map shown, and Tab's overview.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/viewer.h"
#include "tests/app/temp_folder.h"
#include "tests/support/synthetic_wad.h"

namespace brindle {
namespace {

struct Browser {
    explicit Browser(const test::SyntheticWad& iwad,
                     const std::vector<test::SyntheticWad>& added = {})
        : iwadFile(iwad.writeTemp()) {
        ViewerOptions options;
        options.wadPath = iwadFile.path();
        options.mapName = "";
        for (const test::SyntheticWad& wad : added) {
            files.push_back(wad.writeTemp());
            options.files.push_back(files.back().path());
        }
        std::string error;
        EXPECT_EQ(startViewer(viewer, options, error), resultOk) << error;
    }
    // Presses the key and returns what the viewer reported.
    std::vector<std::string> press(ViewerKey key) {
        std::vector<std::string> lines;
        pressKey(viewer, key, [&](const std::string& line) { lines.push_back(line); });
        return lines;
    }
    test::TempFile iwadFile;
    std::vector<test::TempFile> files;
    Viewer viewer;
};

TEST(MapBrowsing, PageDownAndUpSkipWhatCannotLoadAndWrapAround) {
    test::SyntheticLevel broken = test::squareRoomLevel();
    broken.segs[4].linedef = 9000;
    test::SyntheticLevel moved = test::squareRoomLevel();
    moved.things = {Thing{200, 40, 180, 1, 7}};
    test::SyntheticWad iwad = test::SyntheticWad::smallValidArchive();
    iwad.addLevel("E1M2", broken);
    Browser b(iwad, {test::SyntheticWad().setIdentification("PWAD").addLevel("MAP05", moved)});
    const std::string skipped = "SEGS record 4: linedef 9000 out of range (6 linedefs)";
    ASSERT_EQ(b.viewer.mapName, "MAP05");  // the added file's first map
    // The title names the map and the file it comes from, without the file's folders.
    const auto title = [](const std::string& map, const std::string& path) {
        return "Brindle \xE2\x80\x94 " + map + " (" +
               std::filesystem::path(path).filename().string() + ")";
    };
    EXPECT_EQ(viewerTitle(Viewer{}), "Brindle");
    EXPECT_EQ(viewerTitle(b.viewer), title("MAP05", b.files[0].path()));

    EXPECT_EQ(b.press(ViewerKey::nextMap),
              (std::vector<std::string>{"Showing E1M1 from " + b.iwadFile.path()}));
    EXPECT_EQ(b.viewer.mapName, "E1M1");
    EXPECT_EQ(viewerTitle(b.viewer), title("E1M1", b.iwadFile.path()));
    EXPECT_EQ(b.press(ViewerKey::nextMap),
              (std::vector<std::string>{skipped, "Showing MAP05 from " + b.files[0].path()}));
    EXPECT_EQ(b.viewer.playerX, 200);
    EXPECT_EQ(b.viewer.renderer->viewY, 40);
    EXPECT_EQ(b.viewer.playerAngle, startAngleFromDegrees(180));
    EXPECT_FALSE(b.viewer.frameCurrent);
    EXPECT_EQ(b.press(ViewerKey::previousMap),
              (std::vector<std::string>{skipped, "Showing E1M1 from " + b.iwadFile.path()}));
    EXPECT_EQ(b.viewer.playerX, 64);
}

TEST(MapBrowsing, WithNoOtherMapThatLoadsTheCurrentOneStays) {
    test::SyntheticLevel broken = test::squareRoomLevel();
    broken.sidedefs[0].sector = 7;
    test::SyntheticWad iwad = test::SyntheticWad::smallValidArchive();
    iwad.addLevel("E1M2", broken).addLevel("E1M3", broken);
    Browser b(iwad);
    EXPECT_EQ(b.press(ViewerKey::nextMap).size(), 2u);  // the two errors, no switch
    EXPECT_EQ(b.viewer.mapName, "E1M1");
    EXPECT_EQ(b.viewer.archive->sectors.size(), 1u) << "the map shown is still loaded";
    b.viewer.renderer->renderFrame();

    Browser single(test::SyntheticWad::smallValidArchive());
    EXPECT_TRUE(single.press(ViewerKey::previousMap).empty());
    EXPECT_EQ(single.viewer.mapName, "E1M1");
}

TEST(MapBrowsing, TabShowsTheOverviewAndPageDownKeepsIt) {
    test::SyntheticWad iwad = test::SyntheticWad::smallValidArchive();
    iwad.addLevel("E1M2", test::squareRoomLevel());
    Browser b(iwad);
    auto shown = [&] {
        tick(
            b.viewer, [](MoveKey) { return false; }, [](const Renderer&) {});
        const uint8_t* frame = b.viewer.renderer->frameBuffer;
        return std::vector<uint8_t>(frame, frame + frameBytes);
    };
    const std::vector<uint8_t> view = shown();
    b.press(ViewerKey::toggleOverview);
    const OverviewPicture overview =
        drawOverview(*b.viewer.archive, overviewAtViewer(b.viewer, frameWidth, frameHeight, false));
    EXPECT_EQ(shown(), overview.pixels);
    b.press(ViewerKey::nextMap);
    EXPECT_TRUE(b.viewer.showingOverview);
    EXPECT_EQ(b.viewer.mapName, "E1M2");
    EXPECT_EQ(shown(), overview.pixels);  // the same room, from the same start
    b.press(ViewerKey::toggleOverview);
    EXPECT_EQ(shown(), view);
}

TEST(MapBrowsing, AnAddedFileThatCannotBeUsedStopsTheStartNamingIt) {
    test::TempFolder folder;
    const test::TempFile iwad = test::SyntheticWad::smallValidArchive().writeTemp();
    const std::string missing = (folder.path() / "gone.wad").string();
    const std::string text = folder.write("notes.txt", "these are notes, not an archive");
    for (const auto& [file, error] :
         {std::pair{missing, "cannot open '" + missing + "': No such file or directory"},
          std::pair{text, text + " is not a WAD archive"}}) {
        Viewer viewer;
        ViewerOptions options;
        options.wadPath = iwad.path();
        options.files = {file};
        std::string message;
        EXPECT_LT(startViewer(viewer, options, message), resultOk);
        EXPECT_EQ(message, error);
        EXPECT_EQ(viewer.renderer, nullptr);
    }
}

}  // namespace
}  // namespace brindle
