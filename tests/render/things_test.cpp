// Things in the game look: the thing table against the real archives, the skill filter, the
// sprite lumps that count, the rotation and the lump chosen for it, a thing straight ahead
// placed by hand, the occlusion rules one case each, and the shadow. Whole frames with things
// are compared with the definition in game_look_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "render/game_look/things.h"
#include "render/thing_table.h"
#include "tests/render/test_level.h"
#include "tests/support/synthetic_wad.h"
#include "tests/support/test_data.h"

namespace brindle {
namespace {

// A 20 x 40 picture, every texel covered: texel (c, t) is 1 + c + 20 * (t % 4). Its offsets
// put column 10 on the thing and its lowest row on the floor.
test::Bytes soldierPicture() {
    test::Bytes lump = test::solidPatchLump(
        20, 40, [](int c, int t) { return static_cast<uint8_t>(1 + c + 20 * (t % 4)); });
    test::Bytes offsets;
    test::appendInt16(offsets, 10);
    test::appendInt16(offsets, 40);
    std::copy(offsets.begin(), offsets.end(), lump.begin() + 4);
    return lump;
}

// The square room (floor 0, ceiling 128, light 160), its things replaced, and sprite lumps.
test::TempFile roomWithThings(const std::vector<Thing>& things,
                              const std::vector<std::pair<std::string, test::Bytes>>& sprites) {
    test::SyntheticLevel level = test::squareRoomLevel();
    level.things = things;
    test::SyntheticWad wad = test::SyntheticWad::smallValidArchive();
    wad.addMarker("S_START");
    for (const auto& [name, bytes] : sprites) {
        wad.addLump(name, bytes);
    }
    wad.addMarker("S_END").addLevel("MAP01", level);
    return wad.writeTemp();
}

TEST(ThingTable, EveryLineNamesAPictureOfTheRealArchives) {
    const std::string doom1 = test::freedoom1Path();
    const std::string doom2 = test::freedoom2Path();
    BRINDLE_REQUIRE_ARCHIVE(doom1);
    BRINDLE_REQUIRE_ARCHIVE(doom2);
    WadArchive archives[2];
    ASSERT_EQ(archives[0].open(doom2.c_str()), 1);
    ASSERT_EQ(archives[1].open(doom1.c_str()), 1);
    ASSERT_GE(thingKinds().size(), 100u);
    std::set<int32_t> bright;
    for (const ThingKind& kind : thingKinds()) {
        bool found = false;
        for (const WadArchive& archive : archives) {
            for (int rotation = 0; rotation <= 8 && !found; ++rotation) {
                found =
                    chooseSprite(archive, kind.sprite, kind.frame, std::max(rotation, 1)).picture !=
                    nullptr;
            }
        }
        EXPECT_TRUE(found) << kind.type << " " << kind.sprite << kind.frame;
        if (kind.bright) {
            bright.insert(kind.type);
        }
        EXPECT_FALSE(thingTypeShowsNothing(kind.type)) << kind.type;
    }
    EXPECT_EQ(bright, (std::set<int32_t>{29,   34,   35,   41,   42,   44,   45,   46,
                                         55,   56,   57,   70,   85,   86,   2028, 83,
                                         2013, 2022, 2023, 2024, 2025, 2026, 2045, 3006}));
    EXPECT_TRUE(thingKindOf(58)->shadow);
    EXPECT_TRUE(thingKindOf(72)->ceiling);
    EXPECT_FALSE(thingKindOf(3005)->ceiling);  // the cacodemon stands until it moves
    std::string error;
    EXPECT_TRUE(parseThingTable("type\n1\tPOSS\tA\tglow\t56\n", error).empty());
    EXPECT_EQ(error, "line 2: '1\tPOSS\tA\tglow\t56'");
}

TEST(ThingFilter, SkillBitsAndSinglePlayer) {
    struct Case {
        int16_t flags;
        const char* shownAtSkills;  // "12345" where shown
    };
    const Case cases[] = {
        {1, "12"}, {2, "3"},     {4, "45"},       {7, "12345"},
        {0, ""},   {7 | 16, ""}, {7 | 8, "12345"}};  // bit 3 (deaf) does not matter
    for (const Case& c : cases) {
        std::string shown;
        for (int skill = 1; skill <= 5; ++skill) {
            if (thingShownAtSkill(test::doomThing(0, 0, 0, 3004, c.flags), skill)) {
                shown += static_cast<char>('0' + skill);
            }
        }
        EXPECT_EQ(shown, c.shownAtSkills) << c.flags;
    }
    const ThingCount count =
        countThings({test::doomThing(0, 0, 0, 1, 7), test::doomThing(0, 0, 0, 3004, 7),
                     test::doomThing(0, 0, 0, 3004, 1), test::doomThing(0, 0, 0, 9999, 7),
                     test::doomThing(0, 0, 0, 9999, 7), test::doomThing(0, 0, 0, 23, 7)},
                    3);
    EXPECT_EQ(count.shown, 1);
    EXPECT_EQ(count.unknownTypes, 1);
}

TEST(SpritePictures, OnlyWellFormedLumpsCount) {
    const test::Bytes good = soldierPicture();
    SpritePicture picture;
    EXPECT_TRUE(decodeSpritePicture(good, picture));
    EXPECT_EQ(picture.leftOffset, 10);
    struct Case {
        const char* what;
        test::Bytes bytes;
    };
    test::Bytes noWidth = good;
    noWidth[0] = noWidth[1] = 0;
    test::Bytes columnOutside = good;
    columnOutside[8 + 4 * 19 + 3] = 0x7F;
    test::Bytes unended = good;
    unended.pop_back();  // the last column's 255
    test::Bytes runPastEnd = test::patchLump(4, {{test::PatchRun{0, {1, 2, 3}}}});
    runPastEnd.resize(runPastEnd.size() - 3);
    const Case broken[] = {{"header cut", test::Bytes(good.begin(), good.begin() + 6)},
                           {"no width", noWidth},
                           {"column offsets cut", test::Bytes(good.begin(), good.begin() + 40)},
                           {"a column outside", columnOutside},
                           {"a column without its end", unended},
                           {"a run past the end", runPastEnd}};
    for (const Case& c : broken) {
        EXPECT_FALSE(decodeSpritePicture(c.bytes, picture)) << c.what;
    }
}

TEST(SpriteChoice, RotationOfEachEighthAndTheLumpForIt) {
    // Seen straight ahead, a thing facing back along the view (angle 32768) faces the viewer.
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(thingRotation(0, 0, static_cast<uint16_t>(32768 - 8192 * k)), k + 1) << k;
        // Looking north at a thing a quarter turn to the left: the middle of each eighth.
        EXPECT_EQ(
            thingRotation(16384, 16563, static_cast<uint16_t>(16384 + 16563 + 32768 - 8192 * k)),
            k + 1)
            << k;
    }
    EXPECT_EQ(thingAngleFromDegrees(90), 16563);
    EXPECT_EQ(thingRotation(0, 0, thingAngleFromDegrees(180)), 1);

    const test::Bytes ok = soldierPicture();
    const test::Bytes bad(6, 0);
    struct Case {
        std::vector<std::pair<std::string, test::Bytes>> lumps;
        int rotation;
        int picked;  // index into lumps, -1 for none
        bool flipped;
    };
    const Case cases[] = {
        {{{"TROOA1", ok}, {"TROOA0", ok}}, 1, 1, false},    // frame 0 first
        {{{"TROOA0", bad}, {"TROOA1", ok}}, 1, 1, false},   // a bad lump is absent
        {{{"TROOA2A8", ok}}, 2, 0, false},                  // a pair's first half
        {{{"TROOA2A8", ok}}, 8, 0, true},                   // its second half, mirrored
        {{{"TROOA2A8", ok}}, 3, -1, false},                 // no lump for rotation 3
        {{{"TROOA3A7", ok}, {"TROOA3", ok}}, 3, 1, false},  // byte order of names
        {{{"TROOB1A1", ok}, {"TROOC1", ok}}, 1, 0, true},   // the pair of another frame
    };
    for (const Case& c : cases) {
        const test::TempFile file = roomWithThings({}, c.lumps);
        WadArchive archive;
        ASSERT_EQ(archive.open(file.path().c_str()), 1);
        const SpriteChoice choice = chooseSprite(archive, "TROO", 'A', c.rotation);
        const SpritePicture* expected =
            c.picked < 0 ? nullptr
                         : archive.findSprite(c.lumps[static_cast<size_t>(c.picked)].first);
        EXPECT_EQ(choice.picture, expected) << c.lumps.front().first << " rotation " << c.rotation;
        EXPECT_EQ(choice.flipped, c.flipped) << c.lumps.front().first << " rotation " << c.rotation;
    }
}

class ThingInRoom : public ::testing::Test {
  protected:
    // A thing of `type` at (128, 128), seen from (28, 128) facing east: depth 100, lateral 0.
    void render(int16_t type, bool things = true) {
        file = std::make_unique<test::TempFile>(roomWithThings(
            {{28, 128, 0, 1, 7}, {128, 128, 0, type, 7}}, {{"POSSA0", soldierPicture()},
                                                           {"SARGA0", soldierPicture()},
                                                           {"KEENA0", soldierPicture()}}));
        ASSERT_EQ(archive.open(file->path().c_str()), 1) << archive.errorText();
        ASSERT_EQ(archive.loadLevel("MAP01"), 1) << archive.errorText();
        renderer = std::make_unique<Renderer>(nullptr, &archive);
        renderer->look = Look::game;
        renderer->drawThings = things;
        renderer->setView(28, 128, 0);
        renderer->renderFrame();
    }

    std::unique_ptr<test::TempFile> file;
    WadArchive archive;
    std::unique_ptr<Renderer> renderer;
};

// Column i shows picture column floor((10 * 554 - (320 - i) * 100) / 554): 0 from column 265
// to 19 at column 375. Row r shows picture row floor(((40 - 56) * 554 - (240 - r) * 100) / 554):
// 0 from row 329, 1 from row 335, 12 at row 399. Light 160 is band 10, start map 20; the scale
// 11618222 gives 709 rows a unit, shade 25, map 8; the synthetic map m adds m to a texel.
TEST_F(ThingInRoom, StraightAheadAtDepth100WorkedOutByHand) {
    render(3004, false);
    const std::vector<uint8_t> empty(renderer->frameBuffer, renderer->frameBuffer + frameBytes);
    render(3004);
    struct Pixel {
        int row, column, expected;
    };
    const Pixel pixels[] = {{329, 265, 1 + 0 + 8},
                            {334, 265, 1 + 8},
                            {335, 265, 21 + 8},
                            {329, 375, 1 + 19 + 8},
                            {399, 300, 1 + 6 + 0 * 20 + 8 + 20 * 0}};
    for (const Pixel& p : pixels) {
        EXPECT_EQ(test::pixelAt(*renderer, p.row, p.column), p.expected)
            << p.row << "," << p.column;
    }
    // Row 399 shows picture row 12 (12 % 4 = 0); column 300 picture column 6.
    for (const auto& [row, column] : {std::pair{328, 300}, {350, 264}, {350, 376}}) {
        EXPECT_EQ(test::pixelAt(*renderer, row, column),
                  empty[static_cast<size_t>(row * frameWidth + column)])
            << row << "," << column;
    }
}

// The spectre darkens what lies behind it: each pixel becomes colour map 6 of the pixel above
// it in the frame without the spectre.
TEST_F(ThingInRoom, ShadowDarkensThePixelAbove) {
    render(58, false);
    const std::vector<uint8_t> empty(renderer->frameBuffer, renderer->frameBuffer + frameBytes);
    render(58);
    for (const auto& [row, column] : {std::pair{329, 265}, {360, 300}, {399, 375}}) {
        EXPECT_EQ(
            test::pixelAt(*renderer, row, column),
            static_cast<uint8_t>(empty[static_cast<size_t>((row - 1) * frameWidth + column)] + 6))
            << row << "," << column;
    }
}

// Keen hangs: his picture's top is the ceiling less his height (128 - 72) plus its top offset.
TEST_F(ThingInRoom, CeilingThingHangsFromTheCeiling) {
    render(72);
    // Top = 56 + 40 = 96: row r shows floor(((96 - 56) * 554 - (240 - r) * 100) / 554), 0 from
    // row 19 (the first with (r - 240) * 100 >= -22160 is 19 ... 18.4).
    EXPECT_EQ(test::pixelAt(*renderer, 19, 300), 1 + 6 + 8);
    EXPECT_NE(test::pixelAt(*renderer, 18, 300), 1 + 6 + 8);
}

TEST_F(ThingInRoom, EachOcclusionRule) {
    render(3004);
    PlacedThing thing;
    thing.x = 128;
    thing.y = 128;
    thing.depth = 100;
    thing.scale = 0x45400000 / 100;
    thing.floorHeight = 0;
    thing.ceilingHeight = 128;
    const auto wall = [](int32_t scale, int32_t linedef) {
        SurfaceOwner owner;
        owner.kind = SurfaceOwner::Kind::wall;
        owner.x1 = 300;
        owner.scale = scale;
        owner.scaleStep = 0;
        owner.linedef = linedef;
        owner.viewerSide = 1;  // the viewer inside the room: right of every wall
        return owner;
    };
    const auto plane = [](SurfaceOwner::Kind kind, int16_t height) {
        SurfaceOwner owner;
        owner.kind = kind;
        owner.height = height;
        return owner;
    };
    struct Case {
        const char* what;
        SurfaceOwner owner;
        int row;
        bool hidden;
    };
    // Linedef 3 is the east wall (256, 256) to (256, 0); the thing stands in front of it.
    const Case cases[] = {
        {"a nearer wall in front of which the thing stands", wall(thing.scale + 1, 3), 300, false},
        {"a farther wall", wall(thing.scale - 1, 3), 300, false},
        // a ledge 40 high: at row 300 D = 16 * 554 / 60 = 147, beyond; at row 399 D = 55
        {"a ledge beyond it", plane(SurfaceOwner::Kind::floor, 40), 300, false},
        {"a ledge before it", plane(SurfaceOwner::Kind::floor, 40), 399, true},
        {"its own floor, nearer (its feet)", plane(SurfaceOwner::Kind::floor, 0), 399, false},
        // a ceiling at 90: at row 10 D = 34 * 554 / 230 = 81
        {"a lower ceiling before it", plane(SurfaceOwner::Kind::ceiling, 90), 10, true},
        {"its own ceiling", plane(SurfaceOwner::Kind::ceiling, 128), 10, false},
    };
    for (Case c : cases) {
        EXPECT_EQ(surfaceHidesThing(*renderer, c.owner, thing, 300, c.row), c.hidden) << c.what;
    }
    // Behind the east wall, seen from the room: hidden by it.
    thing.x = 300;
    SurfaceOwner east = wall(thing.scale + 1, 3);
    EXPECT_TRUE(surfaceHidesThing(*renderer, east, thing, 300, 300));
}

// The renderer keeps the pictures it chose; the archive opened again frees them, so they must
// be chosen again (a fuzzing find: under AddressSanitizer the old pictures were read).
TEST_F(ThingInRoom, PicturesAreChosenAgainWhenTheArchiveIsOpenedAgain) {
    render(3004);
    const uint8_t before = test::pixelAt(*renderer, 329, 265);
    const test::TempFile other = roomWithThings({{28, 128, 0, 1, 7}, {128, 128, 0, 3004, 7}},
                                                {{"POSSA0", soldierPicture()}});
    ASSERT_EQ(archive.open(other.path().c_str()), 1);
    ASSERT_EQ(archive.loadLevel("MAP01"), 1);
    renderer->fitLevel();
    renderer->setView(28, 128, 0);
    renderer->renderFrame();
    EXPECT_EQ(test::pixelAt(*renderer, 329, 265), before);
#ifdef __linux__
    // The pictures were read through a stream kept for the frame, which is closed again.
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                             std::filesystem::directory_iterator{});
    };
    ASSERT_EQ(archive.open(other.path().c_str()), 1);
    const auto filesBefore = openFiles();
    ASSERT_EQ(archive.loadLevel("MAP01"), 1);
    renderer->renderFrame();
    EXPECT_EQ(openFiles(), filesBefore);
#endif
}

}  // namespace
}  // namespace brindle
