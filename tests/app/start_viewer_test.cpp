// Start-up: the archive is opened, the map loaded and the viewer placed, or the failure is
// reported with the file and the problem.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/viewer.h"
#include "tests/app/temp_folder.h"
#include "tests/support/synthetic_wad.h"
#include "tests/support/test_data.h"

namespace brindle {
namespace {

using test::TempFolder;

int32_t start(Viewer& viewer, const std::string& wad, const std::string& map, std::string& error) {
    ViewerOptions options;
    options.wadPath = wad;
    options.mapName = map;
    return startViewer(viewer, options, error);
}

TEST(StartViewer, MissingFileNamesThePathAndTheCause) {
    TempFolder folder;
    const std::string wad = (folder.path() / "Doom1.wad").string();
    Viewer viewer;
    std::string error;
    EXPECT_EQ(start(viewer, wad, "", error), resultCannotRead);
    EXPECT_EQ(error, "Cannot open " + wad + ": No such file or directory");
    EXPECT_EQ(viewer.renderer, nullptr);
}

TEST(StartViewer, NonIwadIsRefused) {
    TempFolder folder;
    const std::string wad = folder.write("patch.wad", std::string("PWAD\0\0\0\0\x0c\0\0\0", 12));
    Viewer viewer;
    std::string error;
    EXPECT_EQ(start(viewer, wad, "", error), resultNotIwad);
    EXPECT_EQ(error, wad + " is not an IWAD archive");
    EXPECT_EQ(viewer.renderer, nullptr);
}

TEST(StartViewer, UnreadableArchivesNameTheFile) {
    TempFolder folder;
    for (const std::string& wad :
         {folder.write("empty.wad", ""), folder.write("short.wad", "IWAD\x05"),
          folder.makeFolder("folder.wad")}) {
        Viewer viewer;
        std::string error;
        EXPECT_EQ(start(viewer, wad, "", error), resultCannotRead) << wad;
        EXPECT_NE(error.find(wad), std::string::npos) << error;
        EXPECT_EQ(viewer.renderer, nullptr);
    }
}

TEST(StartViewer, PlacesTheViewerAtThePlayerStart) {
    const std::string wad = test::freedoom1Path();
    BRINDLE_REQUIRE_ARCHIVE(wad);
    Viewer viewer;
    std::string error;
    ASSERT_EQ(start(viewer, wad, "", error), resultOk) << error;
    EXPECT_TRUE(error.empty());

    int16_t x = 0, y = 0, degrees = 0;
    viewer.archive->getPlayerStart(&x, &y, &degrees);
    EXPECT_EQ(viewer.playerX, x);
    EXPECT_EQ(viewer.playerY, y);
    EXPECT_EQ(viewer.playerAngle, startAngleFromDegrees(degrees));
    ASSERT_NE(viewer.renderer, nullptr);
    EXPECT_EQ(viewer.renderer->viewX, x);
    EXPECT_EQ(viewer.renderer->viewY, y);
    EXPECT_EQ(static_cast<uint16_t>(viewer.renderer->viewAngle), viewer.playerAngle);
    EXPECT_EQ(viewer.renderer->cosine(0), 65536) << "the tables are built at start-up";
    EXPECT_FALSE(viewer.frameCurrent) << "nothing is drawn yet";
    EXPECT_FALSE(viewer.renderer->drawFloors);
}

TEST(StartViewer, FloorsAndLookOptionsReachTheRenderer) {
    const test::TempFile file = test::SyntheticWad::smallValidArchive().writeTemp();
    for (const bool floors : {false, true}) {
        Viewer viewer;
        ViewerOptions options;
        options.wadPath = file.path();
        options.floors = floors;
        options.look = floors ? Look::game : Look::plain;
        std::string error;
        ASSERT_EQ(startViewer(viewer, options, error), resultOk) << error;
        EXPECT_EQ(viewer.renderer->drawFloors, floors);
        EXPECT_EQ(viewer.renderer->look, options.look);
    }
}

TEST(StartViewer, MissingLevelIsNamed) {
    const test::TempFile file = test::SyntheticWad::smallValidArchive().writeTemp();
    for (const char* map : {"E9M9", "MAP01"}) {
        Viewer viewer;
        std::string error;
        EXPECT_LT(start(viewer, file.path(), map, error), resultOk) << map;
        EXPECT_EQ(error, std::string("Level ") + map + " not found in " + file.path());
        EXPECT_EQ(viewer.renderer, nullptr);
    }
}

TEST(DefaultMap, FreedoomArchives) {
    const struct {
        std::string wad;
        const char* map;
    } cases[] = {{test::freedoom1Path(), "E1M1"}, {test::freedoom2Path(), "MAP01"}};
    for (const auto& c : cases) {
        BRINDLE_REQUIRE_ARCHIVE(c.wad);
        Viewer viewer;
        std::string error;
        ASSERT_EQ(start(viewer, c.wad, "", error), resultOk) << error;
        EXPECT_EQ(defaultMapName(*viewer.archive), c.map);
    }
}

// The global lumps of a small valid archive, with no level yet.
test::SyntheticWad archiveWithoutLevels() {
    test::SyntheticWad wad;
    wad.addLump("PLAYPAL", test::playpalLump())
        .addLump("COLORMAP", test::colormapLump())
        .addLump("PNAMES", test::pnamesLump({"WALLPAT"}))
        .addLump("WALLPAT",
                 test::solidPatchLump(
                     64, 128, [](int x, int y) { return static_cast<uint8_t>(1 + (x + y) % 200); }))
        .addLump("TEXTURE1", test::textureLump({{"WALL", 64, 128, {{0, 0, 0}}}}));
    return wad;
}

TEST(StartViewer, SyntheticArchiveStartsAtItsPlayerStart) {
    const test::TempFile file = test::SyntheticWad::smallValidArchive().writeTemp();
    Viewer viewer;
    std::string error;
    ASSERT_EQ(start(viewer, file.path(), "", error), resultOk) << error;
    // The room's start is (64, 128) facing 90 degrees.
    EXPECT_EQ(viewer.playerX, 64);
    EXPECT_EQ(viewer.playerY, 128);
    EXPECT_EQ(viewer.playerAngle, 16563);
    ASSERT_NE(viewer.renderer, nullptr);
    EXPECT_EQ(viewer.renderer->viewX, 64);
    EXPECT_EQ(viewer.renderer->viewY, 128);
    EXPECT_EQ(viewer.renderer->viewAngle, 16563);
    EXPECT_EQ(viewer.renderer->viewHeight, 56) << "the eye is 56 above the floor at 0";
}

TEST(DefaultMap, PrefersE1M1ThenTheFirstMarker) {
    const test::SyntheticLevel room = test::squareRoomLevel();
    const struct {
        const char* name;
        std::vector<std::string> markers;
        const char* want;
    } cases[] = {
        {"E1M1 anywhere wins", {"E2M1", "MAP01", "E1M1"}, "E1M1"},
        {"first ExMy", {"E3M2", "MAP01"}, "E3M2"},
        {"first MAPxx", {"MAP07", "MAP01"}, "MAP07"},
        {"no map", {}, ""},
    };
    for (const auto& c : cases) {
        test::SyntheticWad wad = archiveWithoutLevels();
        // Lumps that only look like maps: data where a marker has none, or a longer name.
        wad.addLump("E1M1", {1, 2, 3, 4}).addMarker("E1M10").addMarker("MAPXY");
        for (const std::string& marker : c.markers) {
            wad.addLevel(marker, room);
        }
        const test::TempFile file = wad.writeTemp();
        WadArchive archive;
        ASSERT_EQ(archive.open(file.path().c_str()), resultOk) << c.name;
        EXPECT_EQ(defaultMapName(archive), c.want) << c.name;
    }
}

TEST(StartViewer, ArchiveWithoutMapsSaysSo) {
    const test::TempFile file = archiveWithoutLevels().writeTemp();
    Viewer viewer;
    std::string error;
    EXPECT_LT(start(viewer, file.path(), "", error), resultOk);
    EXPECT_EQ(error, "No level found in " + file.path());
    EXPECT_EQ(viewer.renderer, nullptr);
}

TEST(StartViewer, DamagedLevelReportsTheArchivesReason) {
    test::SyntheticLevel level = test::squareRoomLevel();
    level.segs[0].startVertex = 99;  // the room has 8 vertices at most
    test::SyntheticWad wad = archiveWithoutLevels();
    wad.addLevel("E1M1", level);
    const test::TempFile file = wad.writeTemp();
    Viewer viewer;
    std::string error;
    EXPECT_EQ(start(viewer, file.path(), "", error), resultBadLevel);
    ASSERT_NE(viewer.archive, nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error, viewer.archive->errorText());
    EXPECT_EQ(viewer.renderer, nullptr);
}

}  // namespace
}  // namespace brindle
