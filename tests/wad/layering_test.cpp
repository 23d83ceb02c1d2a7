// Archives layered over the IWAD: which file answers a name, where a level comes from, the
// combined map list, the added files' errors, and levels in formats Brindle does not read.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/synthetic_wad.h"
#include "wad/wad_archive.h"

namespace brindle {
namespace {

using test::SyntheticLevel;
using test::SyntheticWad;
using test::TempFile;

SyntheticWad pwad() {
    return SyntheticWad().setIdentification("PWAD");
}

test::Bytes solidPatch(uint8_t color) {
    return test::solidPatchLump(64, 128, [color](int, int) { return color; });
}

// Opens `iwad` with the `added` files layered over it.
struct Layered {
    Layered(const SyntheticWad& iwad, const std::vector<SyntheticWad>& added)
        : iwadFile(iwad.writeTemp()) {
        for (const SyntheticWad& wad : added) {
            files.push_back(wad.writeTemp());
            paths.push_back(files.back().path());
        }
        result = archive.open(iwadFile.path().c_str(), paths);
    }
    TempFile iwadFile;
    std::vector<TempFile> files;
    std::vector<std::string> paths;
    WadArchive archive;
    int32_t result = 0;
};

uint8_t wallTexel(const WadArchive& archive) {
    int16_t width = 0;
    int16_t height = 0;
    const uint8_t* pixels = archive.findTexture("WALL", &width, &height);
    return pixels != nullptr ? pixels[0] : 0;
}

struct LookupCase {
    const char* label;
    std::vector<SyntheticWad> added;
    std::function<void(const WadArchive&)> check;
};

TEST(Layering, NamesResolveToTheLastFileThenTheFirstEntry) {
    const SyntheticWad iwad = SyntheticWad::smallValidArchive().addLump(
        "TEXTURE2", test::textureLump({{"KEPT", 8, 8, {}}}));
    const LookupCase cases[] = {
        {"nothing added: the IWAD's own",
         {},
         [](const WadArchive& a) {
             EXPECT_EQ(wallTexel(a), 1);  // WALLPAT's texel (0, 0)
             EXPECT_EQ(a.palettes[0][1], 255);
         }},
        {"a patch alone changes every texture that uses it",
         {pwad().addLump("WALLPAT", solidPatch(7))},
         [](const WadArchive& a) { EXPECT_EQ(wallTexel(a), 7); }},
        {"the last file wins",
         {pwad().addLump("WALLPAT", solidPatch(7)), pwad().addLump("WALLPAT", solidPatch(9))},
         [](const WadArchive& a) { EXPECT_EQ(wallTexel(a), 9); }},
        {"inside a file the first entry wins",
         {pwad().addLump("WALLPAT", solidPatch(5)).addLump("WALLPAT", solidPatch(6))},
         [](const WadArchive& a) { EXPECT_EQ(wallTexel(a), 5); }},
        {"an added IWAD is layered like a PWAD",
         {SyntheticWad().addLump("WALLPAT", solidPatch(4))},
         [](const WadArchive& a) { EXPECT_EQ(wallTexel(a), 4); }},
        {"palettes",
         {pwad().addLump("PLAYPAL", test::Bytes(14 * 768, 3))},
         [](const WadArchive& a) { EXPECT_EQ(a.palettes[0][1], 3); }},
        {"TEXTURE1 alone keeps the IWAD's TEXTURE2",
         {pwad().addLump("TEXTURE1", test::textureLump({{"OWN", 64, 128, {{0, 0, 0}}}}))},
         [](const WadArchive& a) {
             int16_t w = 0, h = 0;
             EXPECT_EQ(a.findTexture("WALL", &w, &h), nullptr);
             EXPECT_NE(a.findTexture("OWN", &w, &h), nullptr);
             EXPECT_NE(a.findTexture("KEPT", &w, &h), nullptr);
             EXPECT_EQ(a.textureCount, 2);
         }},
        {"PNAMES of its own, read with the added patch",
         {pwad().addLump("PNAMES", test::pnamesLump({"NEWPAT"})).addLump("NEWPAT", solidPatch(8))},
         [](const WadArchive& a) {
             EXPECT_EQ(wallTexel(a), 8);  // WALL's placement names patch 0, now NEWPAT
             EXPECT_EQ(a.patchNames.size(), 1u);
         }},
    };
    for (const LookupCase& c : cases) {
        SCOPED_TRACE(c.label);
        Layered layered(iwad, c.added);
        ASSERT_EQ(layered.result, resultOk) << layered.archive.errorText();
        c.check(layered.archive);
    }
}

TEST(Layering, LevelsComeWholeFromTheLastFileAndTheMapListCombines) {
    SyntheticLevel raised = test::squareRoomLevel();
    raised.sectors[0].floorHeight = 40;
    SyntheticWad iwad = SyntheticWad::smallValidArchive();
    iwad.addLevel("E1M2", test::squareRoomLevel());
    Layered layered(iwad,
                    {pwad().addLevel("E1M2", raised).addLevel("MAP01", raised),
                     pwad().addLump("WALLPAT", solidPatch(1)), pwad().addLevel("E1M3", raised)});
    WadArchive& a = layered.archive;
    ASSERT_EQ(layered.result, resultOk) << a.errorText();
    EXPECT_EQ(a.mapNames(), (std::vector<std::string>{"E1M1", "E1M2", "MAP01", "E1M3"}));
    EXPECT_EQ(a.firstAddedMap(), "E1M3");
    EXPECT_EQ(a.mapFile("E1M1"), 0);
    EXPECT_EQ(a.mapFile("E1M2"), 1);
    EXPECT_EQ(a.mapFile("E9M9"), -1);
    EXPECT_EQ(a.totalLumps(), 27u + 11 + 11 + 1 + 11);
    ASSERT_EQ(a.files().size(), 4u);
    EXPECT_EQ(a.files()[1].kind, "PWAD");
    EXPECT_EQ(a.files()[2].mapNames(), std::vector<std::string>{});

    ASSERT_EQ(a.loadLevel("E1M2"), resultOk) << a.errorText();
    EXPECT_EQ(a.sectors[0].floorHeight, 40);
    ASSERT_EQ(a.loadLevel("E1M1"), resultOk) << a.errorText();
    EXPECT_EQ(a.sectors[0].floorHeight, 0);
    EXPECT_EQ(a.loadLevel("E9M9"), resultCannotRead);
    EXPECT_EQ(a.errorText(), "map E9M9 not found in '" + layered.iwadFile.path() + "', '" +
                                 layered.paths[0] + "', '" + layered.paths[1] + "' or '" +
                                 layered.paths[2] + "'");
}

// Flats resolve among the entries between flat markers only, by the same rule.
TEST(Layering, FlatsComeFromBetweenTheMarkersOfTheLastFileThatHasThem) {
    auto flat = [](uint8_t value) { return test::Bytes(4096, value); };
    SyntheticWad iwad = SyntheticWad::smallValidArchive();
    iwad.addMarker("F_START").addLump("FLOOR", flat(1)).addLump("CEIL", flat(2)).addMarker("F_END");
    Layered layered(
        iwad,
        {pwad().addMarker("FF_START").addLump("FLOOR", test::Bytes(4095, 3)).addMarker("FF_END"),
         pwad().addLump("FLOOR", flat(4)).addLump("CEIL", flat(5)),
         pwad()
             .addMarker("F_START")
             .addLump("CEIL", flat(6))
             .addLump("CEIL", flat(7))
             .addMarker("F_END")});
    WadArchive& a = layered.archive;
    ASSERT_EQ(a.loadLevel("E1M1"), resultOk) << a.errorText();
    // FLOOR resolves to the short entry between the markers, so the floor has no flat: neither
    // the IWAD's nor the one outside the markers stands in.
    EXPECT_EQ(a.findFlat("FLOOR"), nullptr);
    ASSERT_NE(a.findFlat("CEIL"), nullptr);
    EXPECT_EQ(a.findFlat("CEIL")[0], 6);
    EXPECT_EQ(a.findFlat("NONE"), nullptr);
}

TEST(Layering, AnAddedFileThatCannotBeUsedIsAnErrorNamingIt) {
    const TempFile iwad = SyntheticWad::smallValidArchive().writeTemp();
    const TempFile junk =
        test::writeTempFile(test::Bytes{'J', 'U', 'N', 'K', 0, 0, 0, 0, 12, 0, 0, 0});
    const TempFile cut = pwad().addMarker("MAP01").overrideLumpCount(3).writeTemp();
    const TempFile fine = pwad().writeTemp();
    struct Case {
        std::string path;
        int32_t result;
        std::string error;
    };
    const Case cases[] = {
        {"/nonexistent/x.wad", resultCannotRead,
         "cannot open '/nonexistent/x.wad': No such file or directory"},
        {junk.path(), resultNotWad, junk.path() + " is not a WAD archive"},
        {cut.path(), resultCannotRead,
         "'" + cut.path() +
             "': lump directory (3 entries at offset 12) reaches past the end of the file (28 "
             "bytes)"},
    };
    for (const Case& c : cases) {
        WadArchive archive;
        EXPECT_EQ(archive.open(iwad.path().c_str(), {fine.path(), c.path}), c.result) << c.path;
        EXPECT_EQ(archive.errorText(), c.error);
        EXPECT_EQ(archive.loaded, 0);
        EXPECT_TRUE(archive.files().empty());
    }
}

// Levels without a tree, and what a layered load says of them.
TEST(Layering, LevelsWithoutNodesAreNamedForWhatTheyLack) {
    const SyntheticLevel room = test::squareRoomLevel();
    SyntheticLevel oneSubsector = room;
    oneSubsector.subsectors = {{6, 0}};
    oneSubsector.nodes.clear();
    struct Case {
        const char* label;
        SyntheticWad added;
        std::string problem;  // after "MAP01 in <file>"; empty when the level loads
    };
    const Case cases[] = {
        {"no segs", pwad().addLevel("MAP01", room, {"SEGS"}),
         " has no nodes: build them with a node builder such as zdbsp or glbsp"},
        {"no nodes, two subsectors", pwad().addLevel("MAP01", room, {"NODES"}),
         " has no nodes: build them with a node builder such as zdbsp or glbsp"},
        {"empty nodes, one subsector", pwad().addLevel("MAP01", oneSubsector), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        Layered layered(SyntheticWad::smallValidArchive(), {c.added});
        ASSERT_EQ(layered.result, resultOk);
        const int32_t result = layered.archive.loadLevel("MAP01");
        if (c.problem.empty()) {
            EXPECT_EQ(result, resultOk) << layered.archive.errorText();
            continue;
        }
        EXPECT_EQ(result, resultUnsupportedLevel);
        EXPECT_EQ(layered.archive.errorText(), "MAP01 in " + layered.paths[0] + c.problem);
        // Alone, the same archive read as an IWAD loads or refuses the level as it always has.
        SyntheticWad alone = c.added;
        Layered single(alone.setIdentification("IWAD"), {});
        EXPECT_NE(single.archive.loadLevel("MAP01"), resultUnsupportedLevel);
    }
    // Once a file is added the rule holds for the IWAD's levels too.
    SyntheticWad iwad = SyntheticWad::smallValidArchive();
    iwad.addLevel("MAP02", room, {"SEGS"});
    Layered layered(iwad, {pwad()});
    EXPECT_EQ(layered.archive.loadLevel("MAP02"), resultUnsupportedLevel);
}

}  // namespace
}  // namespace brindle
