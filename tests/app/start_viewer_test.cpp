// Start-up: the archive is opened, the map loaded and the viewer placed, or the failure is
// reported with the file and the problem.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/viewer.h"
#include "tests/app/temp_folder.h"
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

TEST(StartViewer, FloorsOptionReachesTheRenderer) {
    const std::string wad = test::freedoom1Path();
    BRINDLE_REQUIRE_ARCHIVE(wad);
    Viewer viewer;
    ViewerOptions options;
    options.wadPath = wad;
    options.floors = true;
    std::string error;
    ASSERT_EQ(startViewer(viewer, options, error), resultOk) << error;
    EXPECT_TRUE(viewer.renderer->drawFloors);
}

TEST(StartViewer, MissingLevelIsNamed) {
    const std::string wad = test::freedoom1Path();
    BRINDLE_REQUIRE_ARCHIVE(wad);
    for (const char* map : {"E9M9", "MAP01"}) {
        Viewer viewer;
        std::string error;
        EXPECT_LT(start(viewer, wad, map, error), 1) << map;
        EXPECT_EQ(error, std::string("Level ") + map + " not found in " + wad);
        EXPECT_EQ(viewer.renderer, nullptr);
    }
}

TEST(DefaultMap, IsE1M1OrElseTheFirstMap) {
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

// A copy of the archive whose first E1M1 seg names a vertex that does not exist.
std::string archiveWithBrokenSeg(const TempFolder& folder, const std::string& source) {
    std::ifstream in(source, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    int32_t count = 0, directory = 0;
    std::memcpy(&count, bytes.data() + 4, 4);
    std::memcpy(&directory, bytes.data() + 8, 4);
    bool inLevel = false;
    for (int32_t i = 0; i < count; ++i) {
        const char* entry = bytes.data() + directory + 16 * i;
        const std::string name(entry + 8, strnlen(entry + 8, 8));
        inLevel = inLevel || name == "E1M1";
        if (inLevel && name == "SEGS") {
            int32_t position = 0;
            std::memcpy(&position, entry, 4);
            bytes[position] = '\xff';
            bytes[position + 1] = '\x7f';
            break;
        }
    }
    return folder.write("broken.wad", std::string(bytes.begin(), bytes.end()));
}

TEST(StartViewer, DamagedLevelReportsTheArchivesReason) {
    const std::string source = test::freedoom1Path();
    BRINDLE_REQUIRE_ARCHIVE(source);
    TempFolder folder;
    const std::string wad = archiveWithBrokenSeg(folder, source);
    Viewer viewer;
    std::string error;
    EXPECT_EQ(start(viewer, wad, "E1M1", error), resultBadLevel);
    ASSERT_NE(viewer.archive, nullptr);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error, viewer.archive->errorText());
    EXPECT_EQ(viewer.renderer, nullptr);
}

}  // namespace
}  // namespace brindle
