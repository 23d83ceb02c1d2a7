// Loading levels: the lumps after the marker, the player start, and the refusal of levels
// whose records contradict each other.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "tests/support/synthetic_wad.h"
#include "wad/wad_archive.h"

namespace brindle {
namespace {

using test::Bytes;
using test::SyntheticLevel;
using test::SyntheticWad;
using test::TempFile;

struct OpenedArchive {
    explicit OpenedArchive(const SyntheticWad& wad) : file(wad.writeTemp()) {
        EXPECT_EQ(archive.open(file.path().c_str()), resultOk);
    }
    TempFile file;
    WadArchive archive;
};

void expectNoLevel(const WadArchive& archive) {
    EXPECT_TRUE(archive.things.empty());
    EXPECT_TRUE(archive.vertices.empty());
    EXPECT_TRUE(archive.linedefs.empty());
    EXPECT_TRUE(archive.segs.empty());
    EXPECT_TRUE(archive.sectors.empty());
    EXPECT_TRUE(archive.subsectors.empty());
    EXPECT_TRUE(archive.sidedefs.empty());
    EXPECT_TRUE(archive.nodes.empty());
    EXPECT_EQ(archive.vertexCount, 0);
}

TEST(LoadLevel, FillsEveryArrayAndTheStart) {
    OpenedArchive a(SyntheticWad::smallValidArchive());
    ASSERT_EQ(a.archive.loadLevel(1, 1), resultOk);
    EXPECT_EQ(a.archive.errorText(), "");
    EXPECT_EQ(a.archive.things.size(), 2u);
    EXPECT_EQ(a.archive.linedefs.size(), 6u);
    EXPECT_EQ(a.archive.sidedefs.size(), 6u);
    EXPECT_EQ(a.archive.vertices.size(), 6u);
    EXPECT_EQ(a.archive.segs.size(), 6u);
    EXPECT_EQ(a.archive.subsectors.size(), 2u);
    EXPECT_EQ(a.archive.nodes.size(), 1u);
    EXPECT_EQ(a.archive.sectors.size(), 1u);
    EXPECT_EQ(a.archive.vertexCount, 6);
    EXPECT_EQ(a.archive.rootNode, 0);
    EXPECT_EQ(a.archive.vertices[3].x, 256);
    EXPECT_EQ(a.archive.nodes[0].rightChild, subsectorFlag | 1);
    int16_t x = 0;
    int16_t y = 0;
    int16_t angle = 0;
    a.archive.getPlayerStart(&x, &y, &angle);
    EXPECT_EQ(x, 64);
    EXPECT_EQ(y, 128);
    EXPECT_EQ(angle, 90);
}

TEST(LoadLevel, LoadingTwiceGivesTheSameLevel) {
    OpenedArchive a(SyntheticWad::smallValidArchive());
    ASSERT_EQ(a.archive.loadLevel("E1M1"), resultOk);
    ASSERT_EQ(a.archive.loadLevel("E1M1"), resultOk);
    EXPECT_EQ(a.archive.segs.size(), 6u);
    EXPECT_EQ(a.archive.things.size(), 2u);
    int16_t x = 0;
    int16_t y = 0;
    int16_t angle = 0;
    a.archive.getPlayerStart(&x, &y, &angle);
    EXPECT_EQ(x, 64);
    EXPECT_EQ(angle, 90);
}

TEST(LoadLevel, MissingMarkerLeavesNoArrays) {
    OpenedArchive a(SyntheticWad::smallValidArchive());
    ASSERT_EQ(a.archive.loadLevel("E1M1"), resultOk);
    EXPECT_EQ(a.archive.loadLevel(2, 3), resultCannotRead);
    EXPECT_EQ(a.archive.errorText(), "map E2M3 not found in '" + a.file.path() + "'");
    expectNoLevel(a.archive);
    EXPECT_EQ(a.archive.rootNode, -1);
    for (const char* name : {"E1M10", "MAP01", "e1m1", "", "E1M1E1M1X"}) {
        EXPECT_EQ(a.archive.loadLevel(name), resultCannotRead) << name;
    }
    EXPECT_EQ(a.archive.loadLevel(10, 1), resultCannotRead);
    EXPECT_EQ(a.archive.errorText(), "map E10M1 not found in '" + a.file.path() + "'");
}

TEST(LoadLevel, BeforeOpenChangesNothing) {
    WadArchive archive;
    EXPECT_EQ(archive.loadLevel(1, 1), resultCannotRead);
    EXPECT_EQ(archive.errorText(), "no archive is open");
    expectNoLevel(archive);
}

TEST(LoadLevel, FileReplacedByAnotherArchiveTypeAfterOpen) {
    OpenedArchive a(SyntheticWad::smallValidArchive());
    SyntheticWad::smallValidArchive().setIdentification("PWAD").writeTo(a.file.path());
    EXPECT_EQ(a.archive.loadLevel("E1M1"), resultNotIwad);
    EXPECT_EQ(a.archive.errorText(), "'" + a.file.path() + "' is not an IWAD archive");
    expectNoLevel(a.archive);
}

TEST(LoadLevel, AnyMarkerNameLoads) {
    SyntheticWad wad;
    wad.addLevel("MAP01", test::squareRoomLevel()).addLevel("E3M7", test::squareRoomLevel());
    OpenedArchive a(wad);
    EXPECT_EQ(a.archive.loadLevel("MAP01"), resultOk);
    EXPECT_EQ(a.archive.loadLevel(3, 7), resultOk);
    EXPECT_EQ(a.archive.sectors.size(), 1u);
}

TEST(LoadLevel, StartIsTheLastTypeOneThingAndKeptWithoutOne) {
    SyntheticLevel twoStarts = test::squareRoomLevel();
    twoStarts.things.push_back(Thing{-5, -6, 270, 1, 0});
    SyntheticLevel noStart = test::squareRoomLevel();
    noStart.things = {Thing{1, 2, 3, 2, 0}};
    SyntheticWad wad;
    wad.addLevel("E1M1", twoStarts).addLevel("E1M2", noStart);
    wad.addLevel("E1M3", test::squareRoomLevel(), {"THINGS"});
    OpenedArchive a(wad);
    int16_t x = 0;
    int16_t y = 0;
    int16_t angle = 0;
    ASSERT_EQ(a.archive.loadLevel("E1M1"), resultOk);
    a.archive.getPlayerStart(&x, &y, &angle);
    EXPECT_EQ(x, -5);
    EXPECT_EQ(y, -6);
    EXPECT_EQ(angle, 270);
    for (const char* name : {"E1M2", "E1M3"}) {
        ASSERT_EQ(a.archive.loadLevel(name), resultOk) << name;
        a.archive.getPlayerStart(&x, &y, &angle);
        EXPECT_EQ(x, -5) << name;
        EXPECT_EQ(angle, 270) << name;
    }
    EXPECT_TRUE(a.archive.things.empty());
}

TEST(LoadLevel, RecordCountDropsARemainder) {
    SyntheticWad wad;
    wad.addLevel("E1M1", test::squareRoomLevel(), {"VERTEXES"});
    Bytes vertices = test::recordBytes(test::squareRoomLevel().vertices);
    vertices.push_back(0xAA);  // 25 bytes: six vertices and one stray byte
    wad.addLump("VERTEXES", vertices);
    OpenedArchive a(wad);
    ASSERT_EQ(a.archive.loadLevel("E1M1"), resultOk);
    EXPECT_EQ(a.archive.vertices.size(), 6u);
    EXPECT_EQ(a.archive.vertexCount, 6);
}

// A worker loads levels of its own while the textures stay with the archive it came from.
TEST(LoadLevel, LevelWorkerHasItsOwnLevelAndTheArchivesTextures) {
    SyntheticLevel small = test::squareRoomLevel();
    small.things.pop_back();
    OpenedArchive a(SyntheticWad::smallValidArchive().addLevel("E1M2", small));
    const std::unique_ptr<WadArchive> worker = a.archive.makeLevelWorker();
    ASSERT_EQ(worker->loadLevel("E1M2"), resultOk);
    ASSERT_EQ(a.archive.loadLevel("E1M1"), resultOk);
    EXPECT_EQ(worker->things.size(), 1u);
    EXPECT_EQ(a.archive.things.size(), 2u);
    EXPECT_TRUE(worker->textures.empty());
    int16_t width = 0;
    int16_t height = 0;
    const uint8_t* shared = a.archive.findTexture("WALL", &width, &height);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(worker->findTexture("WALL", &width, &height), shared);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(worker->palettes, a.archive.palettes);
    EXPECT_EQ(worker->mapNames(), a.archive.mapNames());
    EXPECT_EQ(worker->loadLevel("E9M9"), resultCannotRead);
    EXPECT_EQ(WadArchive().makeLevelWorker()->loadLevel("E1M1"), resultCannotRead);
}

TEST(LoadLevel, EmptyNodesWithASubsectorIsValid) {
    SyntheticLevel level = test::squareRoomLevel();
    level.nodes.clear();
    SyntheticWad wad;
    wad.addLevel("E1M1", level);
    OpenedArchive a(wad);
    ASSERT_EQ(a.archive.loadLevel("E1M1"), resultOk);
    EXPECT_EQ(a.archive.rootNode, -1);
    EXPECT_TRUE(a.archive.nodes.empty());
    EXPECT_EQ(a.archive.subsectors.size(), 2u);
}

// Lumps that are missing, beyond the ten entries after the marker, or reaching past the end
// of the file all make the level incomplete.
struct MissingCase {
    const char* label;
    std::function<void(SyntheticWad&)> build;
    std::string error;
};

class IncompleteLevels : public testing::TestWithParam<MissingCase> {};

TEST_P(IncompleteLevels, AreRefused) {
    SyntheticWad wad = SyntheticWad::smallValidArchive();  // E1M1 loads first
    GetParam().build(wad);
    OpenedArchive a(wad);
    ASSERT_EQ(a.archive.loadLevel("E1M1"), resultOk);
    int16_t x = 0;
    int16_t y = 0;
    int16_t angle = 0;
    EXPECT_EQ(a.archive.loadLevel("BROKEN"), resultBadLevel);
    EXPECT_EQ(a.archive.errorText(), GetParam().error);
    expectNoLevel(a.archive);
    a.archive.getPlayerStart(&x, &y, &angle);
    EXPECT_EQ(x, 64);  // the refused level's things changed nothing
}

std::vector<MissingCase> incompleteLevelCases() {
    std::vector<MissingCase> cases;
    for (const char* lump :
         {"LINEDEFS", "SIDEDEFS", "VERTEXES", "SEGS", "SSECTORS", "NODES", "SECTORS"}) {
        SyntheticLevel level = test::squareRoomLevel();
        level.things[0].x = 999;
        cases.push_back({lump,
                         [lump, level](SyntheticWad& w) { w.addLevel("BROKEN", level, {lump}); },
                         std::string(lump) + " lump missing"});
    }
    cases.push_back({"NODES eleventh entry",
                     [](SyntheticWad& w) {
                         w.addLevel("BROKEN", test::squareRoomLevel(), {"NODES"});
                         w.addLump("EXTRA", {});
                         w.addLump("NODES", test::recordBytes(test::squareRoomLevel().nodes));
                     },
                     "NODES lump missing"});
    cases.push_back({"NODES past the end of the file",
                     [](SyntheticWad& w) {
                         w.addLevel("BROKEN", test::squareRoomLevel(), {"NODES"});
                         w.addRawEntry("NODES", 1 << 20, 28);
                     },
                     "NODES lump missing"});
    cases.push_back({"no nodes and no subsectors",
                     [](SyntheticWad& w) {
                         SyntheticLevel level = test::squareRoomLevel();
                         level.nodes.clear();
                         level.subsectors.clear();
                         w.addLevel("BROKEN", level);
                     },
                     "SSECTORS: a level without nodes needs a subsector"});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Lumps, IncompleteLevels, testing::ValuesIn(incompleteLevelCases()),
                         [](const auto& info) {
                             std::string name = info.param.label;
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

// One damaged reference each, and the exact text that names it.
struct BadReference {
    const char* label;
    std::function<void(SyntheticLevel&)> damage;
    std::string error;  // empty: the level is still valid
};

class LevelReferences : public testing::TestWithParam<BadReference> {};

TEST_P(LevelReferences, AreCheckedAtLoad) {
    SyntheticLevel level = test::squareRoomLevel();
    GetParam().damage(level);
    SyntheticWad wad;
    wad.addLevel("E1M1", level);
    OpenedArchive a(wad);
    const int32_t result = a.archive.loadLevel("E1M1");
    if (GetParam().error.empty()) {
        EXPECT_EQ(result, resultOk) << a.archive.errorText();
    } else {
        EXPECT_EQ(result, resultBadLevel);
        EXPECT_TRUE(a.archive.errorText().ends_with(GetParam().error)) << a.archive.errorText();
        expectNoLevel(a.archive);
    }
}

Node nodeWith(uint32_t right, uint32_t left) {
    Node node = test::squareRoomLevel().nodes[0];
    node.rightChild = right;
    node.leftChild = left;
    return node;
}

constexpr uint32_t sub(uint32_t index) {
    return subsectorFlag | index;
}

INSTANTIATE_TEST_SUITE_P(
    Records, LevelReferences,
    testing::Values(
        BadReference{"valid", [](SyntheticLevel&) {}, ""},
        BadReference{"linedefStart", [](SyntheticLevel& l) { l.linedefs[3].startVertex = 6; },
                     "LINEDEFS record 3: start vertex 6 out of range (6 vertices)"},
        BadReference{"linedefEnd", [](SyntheticLevel& l) { l.linedefs[0].endVertex = -1; },
                     "LINEDEFS record 0: end vertex -1 out of range (6 vertices)"},
        BadReference{"linedefRightNegative",
                     [](SyntheticLevel& l) { l.linedefs[2].rightSidedef = -1; },
                     "LINEDEFS record 2: right sidedef -1 out of range (6 sidedefs)"},
        BadReference{"linedefRightTooBig",
                     [](SyntheticLevel& l) { l.linedefs[5].rightSidedef = 6; },
                     "LINEDEFS record 5: right sidedef 6 out of range (6 sidedefs)"},
        BadReference{"linedefLeftTooBig",
                     [](SyntheticLevel& l) { l.linedefs[1].leftSidedef = 30000; },
                     "LINEDEFS record 1: left sidedef 30000 out of range (6 sidedefs)"},
        // References are unsigned: only 0xFFFF names no sidedef.
        BadReference{"linedefLeftIsUnsigned",
                     [](SyntheticLevel& l) { l.linedefs[1].leftSidedef = -300; },
                     "LINEDEFS record 1: left sidedef 65236 out of range (6 sidedefs)"},
        BadReference{"sidedefSector", [](SyntheticLevel& l) { l.sidedefs[2].sector = 1; },
                     "SIDEDEFS record 2: sector 1 out of range (1 sectors)"},
        BadReference{"sidedefSectorNegative", [](SyntheticLevel& l) { l.sidedefs[0].sector = -1; },
                     "SIDEDEFS record 0: sector -1 out of range (1 sectors)"},
        BadReference{"segStart", [](SyntheticLevel& l) { l.segs[0].startVertex = -1; },
                     "SEGS record 0: start vertex -1 out of range (6 vertices)"},
        BadReference{"segEnd", [](SyntheticLevel& l) { l.segs[5].endVertex = 6; },
                     "SEGS record 5: end vertex 6 out of range (6 vertices)"},
        BadReference{"segLinedef", [](SyntheticLevel& l) { l.segs[4].linedef = 9000; },
                     "SEGS record 4: linedef 9000 out of range (6 linedefs)"},
        BadReference{"segSide", [](SyntheticLevel& l) { l.segs[2].side = 2; },
                     "SEGS record 2: side 2 is neither 0 nor 1"},
        BadReference{"segSideNegative", [](SyntheticLevel& l) { l.segs[2].side = -1; },
                     "SEGS record 2: side -1 is neither 0 nor 1"},
        BadReference{"segBackOfOneSidedLine", [](SyntheticLevel& l) { l.segs[1].side = 1; },
                     "SEGS record 1: side 1 of linedef 1 has no sidedef"},
        BadReference{"segBackOfTwoSidedLine",
                     [](SyntheticLevel& l) {
                         l.linedefs[1].leftSidedef = 0;
                         l.segs[1].side = 1;
                     },
                     ""},
        BadReference{"subsectorCountIsUnsigned",
                     [](SyntheticLevel& l) { l.subsectors[1].segCount = -1; },
                     "SSECTORS record 1: segs 3 to 65537 out of range (6 segs)"},
        BadReference{"subsectorPastTheSegs",
                     [](SyntheticLevel& l) { l.subsectors[1].segCount = 4; },
                     "SSECTORS record 1: segs 3 to 6 out of range (6 segs)"},
        BadReference{"subsectorNegativeFirst",
                     [](SyntheticLevel& l) { l.subsectors[0].firstSeg = -1; },
                     "SSECTORS record 0: segs 65535 to 65537 out of range (6 segs)"},
        BadReference{"subsectorsShareSegs",
                     [](SyntheticLevel& l) {
                         l.subsectors[1] = {3, 2};
                     },
                     "SSECTORS record 1: seg 2 already belongs to subsector 0"},
        BadReference{"subsectorEmptyAtTheEnd",
                     [](SyntheticLevel& l) {
                         l.subsectors[1] = {0, 6};
                     },
                     "subsector 1 has no seg on a linedef"},
        BadReference{"nodeRightSubsector",
                     [](SyntheticLevel& l) { l.nodes[0].rightChild = sub(2); },
                     "NODES record 0: right child subsector 2 out of range (2 subsectors)"},
        BadReference{"nodeLeftNode", [](SyntheticLevel& l) { l.nodes[0].leftChild = 1; },
                     "NODES record 0: left child node 1 out of range (1 nodes)"},
        BadReference{"nodeHighSubsector", [](SyntheticLevel& l) { l.nodes[0].leftChild = 0xFFFF; },
                     "NODES record 0: left child subsector 32767 out of range (2 subsectors)"},
        BadReference{"nodeOwnChild", [](SyntheticLevel& l) { l.nodes[0].leftChild = 0; },
                     "NODES record 0: left child node 0 is reached twice"},
        BadReference{"cycle",
                     [](SyntheticLevel& l) {
                         l.nodes = {nodeWith(1, sub(0)), nodeWith(0, sub(1))};
                     },
                     "NODES record 0: right child node 1 is reached twice"},
        BadReference{"subsectorTwice",
                     [](SyntheticLevel& l) {
                         l.nodes = {nodeWith(sub(0), sub(1)), nodeWith(sub(0), 0)};
                     },
                     "NODES record 0: right child subsector 0 is reached twice"},
        BadReference{"nodeNotReached",
                     [](SyntheticLevel& l) {
                         l.nodes = {nodeWith(sub(0), sub(1)), nodeWith(sub(1), sub(0))};
                     },
                     "NODES record 0: not reached from the root node 1"},
        BadReference{"twoLevelTree",
                     [](SyntheticLevel& l) {
                         l.segs.push_back(l.segs[0]);
                         l.subsectors.push_back({1, 6});
                         l.nodes = {nodeWith(sub(0), sub(1)), nodeWith(sub(2), 0)};
                     },
                     ""}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace brindle
