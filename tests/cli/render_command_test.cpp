// brindle-render shot and bench, run as a user runs them: exit statuses, messages and the
// pictures written.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "app/viewer.h"
#include "render/overview/overview.h"
#include "tests/support/map_conversion.h"
#include "tests/support/synthetic_wad.h"
#include "tests/support/test_data.h"
#include "tests/video/picture_files.h"
#include "wad/wad_archive.h"

namespace brindle {
namespace {

using Bytes = std::vector<uint8_t>;
using test::readWholeFile;

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

class RenderCommand : public ::testing::Test {
  protected:
    // Runs brindle-render with the arguments (already quoted for the shell where needed).
    CommandResult render(const std::string& arguments) {
        const std::string out = folder.path("stdout.txt");
        const std::string err = folder.path("stderr.txt");
        const std::string command = std::string("'") + BRINDLE_RENDER + "' " + arguments + " >'" +
                                    out + "' 2>'" + err + "'";
        const int raw = std::system(command.c_str());
        CommandResult run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        const Bytes outBytes = readWholeFile(out);
        const Bytes errBytes = readWholeFile(err);
        run.out.assign(outBytes.begin(), outBytes.end());
        run.err.assign(errBytes.begin(), errBytes.end());
        std::filesystem::remove(out);
        std::filesystem::remove(err);
        return run;
    }

    // Runs shot or map on freedoom1.wad with the extra arguments and returns the picture.
    Bytes pictureOfFreedoom1(const std::string& command, const std::string& extra,
                             const std::string& name) {
        const std::string file = folder.path(name);
        const CommandResult run =
            render(command + " --wad '" + freedoom1 + "' " + extra + " --out '" + file + "'");
        EXPECT_EQ(run.status, 0) << command << " " << extra << ": " << run.err;
        return readWholeFile(file);
    }
    Bytes shotOfFreedoom1(const std::string& extra, const std::string& name = "shot.pcx") {
        return pictureOfFreedoom1("shot", extra, name);
    }

    std::string quoted(const std::string& name) { return "'" + folder.path(name) + "'"; }

    test::ScratchFolder folder;
    std::string freedoom1 = test::freedoom1Path();
    std::string freedoom2 = test::freedoom2Path();
};

#define REQUIRE_CONVERT()                                                                   \
    do {                                                                                    \
        if (std::string(BRINDLE_CONVERT).empty()) {                                         \
            GTEST_SKIP() << "ImageMagick's convert is not installed (package imagemagick)"; \
        }                                                                                   \
    } while (0)

// The number of different colours in decoded red, green, blue triples.
size_t colourCount(const Bytes& rgb) {
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
        colours.insert((uint32_t{rgb[i]} << 16) | (uint32_t{rgb[i + 1]} << 8) | rgb[i + 2]);
    }
    return colours.size();
}

// Decodes two pictures with ImageMagick: both must be width x height with the same pixels.
// Returns the first one's red, green, blue triples.
Bytes decodedAlike(const std::string& first, const std::string& second, int width, int height) {
    const std::string expected = std::to_string(width) + "x" + std::to_string(height);
    std::string firstSize;
    std::string secondSize;
    const Bytes one = test::decodeWithConvert(BRINDLE_CONVERT, first, firstSize);
    const Bytes two = test::decodeWithConvert(BRINDLE_CONVERT, second, secondSize);
    EXPECT_EQ(firstSize, expected);
    EXPECT_EQ(secondSize, expected);
    EXPECT_EQ(one.size(), static_cast<size_t>(width) * height * 3);
    EXPECT_TRUE(one == two) << first << " and " << second << " decode differently";
    return one;
}

TEST_F(RenderCommand, StartOfE1M1AsPngAndPcxDecodeToTheSamePicture) {
    BRINDLE_REQUIRE_ARCHIVE(freedoom1);
    REQUIRE_CONVERT();
    shotOfFreedoom1("", "start.pcx");
    shotOfFreedoom1("", "start.png");
    const Bytes fromPng =
        decodedAlike(folder.path("start.pcx"), folder.path("start.png"), 640, 400);
    EXPECT_GT(colourCount(fromPng), 20u) << "the start view should show textured walls";
}

TEST_F(RenderCommand, WalkChangesTheView) {
    BRINDLE_REQUIRE_ARCHIVE(freedoom1);
    const Bytes start = shotOfFreedoom1("");
    const Bytes walked = shotOfFreedoom1("--keys 'U*10,UL,.*3,R'");
    ASSERT_FALSE(start.empty());
    EXPECT_NE(walked, start);
}

TEST_F(RenderCommand, KeysThatCancelOutLeaveTheStartView) {
    BRINDLE_REQUIRE_ARCHIVE(freedoom1);
    const Bytes start = shotOfFreedoom1("");
    ASSERT_FALSE(start.empty());
    EXPECT_EQ(shotOfFreedoom1("--keys LR"), start);      // turns cancel within the tick
    EXPECT_EQ(shotOfFreedoom1("--keys U,D"), start);     // a step back undoes a step forward
    EXPECT_EQ(shotOfFreedoom1("--keys '.*5,'"), start);  // idle ticks change nothing
}

TEST_F(RenderCommand, SeventyTwoLeftTicksEqualTheSameViewGivenByPos) {
    BRINDLE_REQUIRE_ARCHIVE(freedoom1);
    WadArchive archive;
    ASSERT_EQ(archive.open(freedoom1.c_str()), 1);
    ASSERT_EQ(archive.loadLevel("E1M1"), 1);
    int16_t x;
    int16_t y;
    int16_t degrees;
    archive.getPlayerStart(&x, &y, &degrees);
    // 72 turns of 910 make 65520, 16 units short of a full turn.
    const uint16_t angle = static_cast<uint16_t>(startAngleFromDegrees(degrees) + 65520);
    const Bytes turned = shotOfFreedoom1("--keys 'L*72'");
    const Bytes placed = shotOfFreedoom1("--pos=" + std::to_string(x) + "," + std::to_string(y) +
                                         "," + std::to_string(angle));
    ASSERT_FALSE(turned.empty());
    EXPECT_EQ(turned, placed);
    EXPECT_NE(turned, shotOfFreedoom1(""));
}

TEST_F(RenderCommand, NegativePositionWorksInBothSpellings) {
    BRINDLE_REQUIRE_ARCHIVE(freedoom1);
    const Bytes joined = shotOfFreedoom1("--pos=-160,304,0");
    const Bytes separate = shotOfFreedoom1("--pos -160,304,0");
    ASSERT_FALSE(joined.empty());
    EXPECT_EQ(joined, separate);
    EXPECT_NE(joined, shotOfFreedoom1("--pos=160,304,0"));
}

TEST_F(RenderCommand, FloorsAddToThePicture) {
    BRINDLE_REQUIRE_ARCHIVE(freedoom1);
    const Bytes plain = shotOfFreedoom1("");
    const Bytes floors = shotOfFreedoom1("--floors");
    ASSERT_FALSE(floors.empty());
    EXPECT_NE(floors, plain);
}

TEST_F(RenderCommand, GameLookIsItsOwnPictureAndIgnoresFloors) {
    BRINDLE_REQUIRE_ARCHIVE(freedoom1);
    const Bytes game = shotOfFreedoom1("--look game");
    ASSERT_FALSE(game.empty());
    EXPECT_NE(game, shotOfFreedoom1(""));
    EXPECT_EQ(game, shotOfFreedoom1("--look game --floors"));
    EXPECT_EQ(shotOfFreedoom1("--look plain"), shotOfFreedoom1(""));
    // The things show at the start, at every skill alike there; the plain look has none.
    const Bytes noThings = shotOfFreedoom1("--look game --things off");
    EXPECT_NE(noThings, game);
    EXPECT_EQ(shotOfFreedoom1("--look game --things on --skill 3"), game);
    EXPECT_EQ(shotOfFreedoom1("--things off"), shotOfFreedoom1(""));
}

TEST_F(RenderCommand, Map01OfFreedoom2) {
    BRINDLE_REQUIRE_ARCHIVE(freedoom2);
    REQUIRE_CONVERT();
    const std::string file = folder.path("map01.png");
    const CommandResult run =
        render("shot --wad '" + freedoom2 + "' --map MAP01 --out '" + file + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    std::string size;
    const Bytes rgb = test::decodeWithConvert(BRINDLE_CONVERT, file, size);
    EXPECT_EQ(size, "640x400");
    EXPECT_GT(colourCount(rgb), 20u);
}

struct FailingShot {
    const char* name;
    std::string
        arguments;  // {wad} stands for freedoom1.wad, {out} for a file in the scratch folder
    int status;
    std::string message;
    bool needsArchive;
};

void PrintTo(const FailingShot& c, std::ostream* os) {
    *os << c.name;
}

class FailingRenderCommand : public RenderCommand,
                             public ::testing::WithParamInterface<FailingShot> {};

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

// Broken text maps, MAP01 to MAP16 of one archive: what each TEXTMAP holds.
const char* const brokenTextMaps[] = {
    "vertex { x = 1 y = 2; }",
    "\nvertex {\n x = 1;\n",
    "/* not closed\n\n",
    "sector { texturefloor = \"open;\n}",
    "thing { vertex { } }",
    "vertex { x = 0; y = 0; }\n\nlinedef\n{\nv1 = 0;\nv2 = 0;\n}",
    "sector {\ntexturefloor = \"A\"; textureceiling = \"B\";\nheightceiling = 70000; }",
    "vertex { x = 5; y = 0; }\nvertex { x = -32768.5; y = 0; }",
    "sidedef { sector = 65536; }",
    "sidedef { sector = 0; texturemiddle = \"MyLongTextureName\"; }",
    "linedef { v1 = 0; v2 = 0; sidefront = 0; twosided = 1; }",
    "thing { x = \"5\"; }",
    "# comment",
    "}",
    "vertex { x = ; }",
    "namespace = \"doom\"; thing { x = 1; y = 1; type = 0x10000; }",
    "vertex { x = 0; y = 0; }",  // reads, but has no ZNODES
};

// An IWAD with the broken text maps; written once, removed when the tests end.
const std::string& brokenTextMapArchive() {
    static const test::TempFile file = [] {
        test::SyntheticWad wad = test::SyntheticWad::smallValidArchive();
        for (size_t i = 0; i < std::size(brokenTextMaps); ++i) {
            const std::string text = brokenTextMaps[i];
            wad.addMarker((i < 9 ? "MAP0" : "MAP") + std::to_string(i + 1))
                .addLump("TEXTMAP", Bytes(text.begin(), text.end()))
                .addLump("ENDMAP", {});
        }
        return wad.writeTemp();
    }();
    static const std::string path = file.path();
    return path;
}

TEST_P(FailingRenderCommand, ExitsWithItsStatusAndSaysWhy) {
    const FailingShot& c = GetParam();
    if (c.needsArchive) {
        BRINDLE_REQUIRE_ARCHIVE(freedoom1);
    }
    std::string arguments = replaced(c.arguments, "{wad}", "'" + freedoom1 + "'");
    arguments = replaced(arguments, "{out}", quoted("shot.png"));
    arguments = replaced(arguments, "{missing}", quoted("missing/shot.png"));
    arguments = replaced(arguments, "{udmf}", "'" + brokenTextMapArchive() + "'");
    const CommandResult run = render(arguments);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(replaced(c.message, "{udmf}", brokenTextMapArchive())),
              std::string::npos)
        << run.err;
    EXPECT_TRUE(folder.names().empty()) << "nothing may be written";
}

INSTANTIATE_TEST_SUITE_P(
    Errors, FailingRenderCommand,
    ::testing::Values(
        FailingShot{"OtherExtension", "shot --wad {wad} --out shot.bmp", 1,
                    "'shot.bmp' must end in .pcx or .png", false},
        FailingShot{"NoExtension", "shot --wad {wad} --out shot", 1, "must end in .pcx or .png",
                    false},
        FailingShot{"MalformedKeys", "shot --wad {wad} --keys U,L,UX --out {out}", 1,
                    "--keys: tick 3 ('UX'): unknown key 'X'", false},
        FailingShot{"RepeatOutOfRange", "shot --wad {wad} --keys 'U*0' --out {out}", 1,
                    "--keys: tick 1 ('U*0'): repeat count '0' must be 1 to 100000", false},
        FailingShot{"MalformedPosition", "shot --wad {wad} --pos 1,2 --out {out}", 1,
                    "--pos: '1,2' must be X,Y,ANGLE", false},
        FailingShot{"MissingOut", "shot --wad {wad}", 1, "--out", false},
        FailingShot{"MissingArchive", "shot --wad /nonexistent/freedoom1.wad --out {out}", 2,
                    "/nonexistent/freedoom1.wad", false},
        FailingShot{"MissingMap", "shot --wad {wad} --map E9M9 --out {out}", 2, "E9M9", true},
        FailingShot{"MissingAddedFile", "shot --wad {wad} --file /nonexistent/x.wad --out {out}", 2,
                    "brindle-render: cannot open '/nonexistent/x.wad': No such file", true},
        FailingShot{"AddedFileNotAWad", "bench --wad {wad} --file /etc/passwd", 2,
                    "brindle-render: /etc/passwd is not a WAD archive\n", true},
        FailingShot{"FolderThatDoesNotExist", "shot --wad {wad} --out {missing}", 2, "cannot write",
                    true},
        FailingShot{"UnknownLook", "shot --wad {wad} --look dusk --out {out}", 1,
                    "--look: dusk not in {plain,game}", false},
        FailingShot{"SkillSix", "shot --wad {wad} --skill 6 --out {out}", 1, "--skill", false},
        FailingShot{"ThingsMaybe", "bench --wad {wad} --things maybe", 1, "--things", false},
        FailingShot{"BenchWithoutFrames", "bench --wad {wad} --frames 0", 1, "--frames", false},
        FailingShot{"BenchWithThreeThreads", "bench --wad {wad} --threads 3", 1, "--threads",
                    false},
        FailingShot{"BenchMissingArchive", "bench --wad /nonexistent/freedoom1.wad", 2,
                    "/nonexistent/freedoom1.wad", false},
        FailingShot{"MapOddWidth", "map --wad {wad} --size 641x400 --out {out}", 1,
                    "--size: '641x400' must be WxH with W even and both from 64 to 8192", false},
        FailingShot{"MapNarrow", "map --wad {wad} --size 62x400 --out {out}", 1, "'62x400'", false},
        FailingShot{"MapWide", "map --wad {wad} --size 8194x400 --out {out}", 1, "'8194x400'",
                    false},
        FailingShot{"MapLow", "map --wad {wad} --size 640x63 --out {out}", 1, "'640x63'", false},
        FailingShot{"MapHigh", "map --wad {wad} --size 640x8193 --out {out}", 1, "'640x8193'",
                    false},
        FailingShot{"MapSizeMalformed", "map --wad {wad} --size 640x400x2 --out {out}", 1,
                    "'640x400x2'", false},
        FailingShot{"MapOtherExtension", "map --wad {wad} --out map.bmp", 1,
                    "'map.bmp' must end in .svg, .png or .pcx", false},
        FailingShot{"MapMissingMap", "map --wad {wad} --map E9M9 --out {out}", 2, "E9M9", true},
        FailingShot{"AtlasWithoutOut", "atlas --wad {wad}", 1, "--out", false},
        FailingShot{"AtlasTakesNoMap", "atlas --wad {wad} --map E1M1 --out {out}", 1, "--map",
                    false},
        FailingShot{"AtlasWithoutThreads", "atlas --wad {wad} --threads 0 --out {out}", 1,
                    "--threads", false},
        FailingShot{"AtlasMissingArchive", "atlas --wad /nonexistent/freedoom1.wad --out {out}", 2,
                    "/nonexistent/freedoom1.wad", false},
        FailingShot{"CollectionWithoutOut", "collection --wad {wad} x.wad", 1, "--out is required",
                    false},
        FailingShot{"CollectionWithoutArchives", "collection --wad {wad} --out {out}", 1,
                    "PWAD is required", false},
        FailingShot{"CollectionIndexOnlyDraws", "collection --index-only {out} x.wad", 1,
                    "excludes", false},
        FailingShot{"CollectionMissingIwad",
                    "collection --wad /nonexistent/freedoom1.wad --out {out} x.wad", 2,
                    "/nonexistent/freedoom1.wad", false},
        FailingShot{"CollectionIndexOnlyMissingFolder", "collection --index-only {missing}", 2,
                    "cannot read the folder", false},
        FailingShot{"TextMapMissingSemicolon", "shot --wad {udmf} --map MAP01 --out {out}", 2,
                    "MAP01 in {udmf}: TEXTMAP line 1: expected ';' after the value of x", false},
        FailingShot{"TextMapBlockNotClosed", "shot --wad {udmf} --map MAP02 --out {out}", 2,
                    "MAP02 in {udmf}: TEXTMAP line 4: the block opened on line 2 is not closed",
                    false},
        FailingShot{"TextMapCommentNotClosed", "shot --wad {udmf} --map MAP03 --out {out}", 2,
                    "MAP03 in {udmf}: TEXTMAP line 1: the comment is not closed", false},
        FailingShot{"TextMapStringNotClosed", "shot --wad {udmf} --map MAP04 --out {out}", 2,
                    "MAP04 in {udmf}: TEXTMAP line 1: the string is not closed", false},
        FailingShot{"TextMapBlockInABlock", "shot --wad {udmf} --map MAP05 --out {out}", 2,
                    "MAP05 in {udmf}: TEXTMAP line 1: a block cannot hold another block", false},
        FailingShot{"TextMapRequiredKey", "shot --wad {udmf} --map MAP06 --out {out}", 2,
                    "MAP06 in {udmf}: TEXTMAP line 3: the linedef has no sidefront", false},
        FailingShot{"TextMapNumberTooBig", "shot --wad {udmf} --map MAP07 --out {out}", 2,
                    "MAP07 in {udmf}: TEXTMAP line 3: heightceiling 70000 does not fit 16 bits",
                    false},
        FailingShot{"TextMapCoordinateRoundedDown", "shot --wad {udmf} --map MAP08 --out {out}", 2,
                    "MAP08 in {udmf} has coordinates outside -32768..32767", false},
        FailingShot{"TextMapReference", "shot --wad {udmf} --map MAP09 --out {out}", 2,
                    "MAP09 in {udmf}: TEXTMAP line 1: sector 65536 lies outside -1..65535", false},
        FailingShot{"TextMapLongName", "shot --wad {udmf} --map MAP10 --out {out}", 2,
                    "MAP10 in {udmf} names a texture longer than 8 characters: MYLONGTEXTURENAME",
                    false},
        FailingShot{"TextMapFlagNotBoolean", "shot --wad {udmf} --map MAP11 --out {out}", 2,
                    "MAP11 in {udmf}: TEXTMAP line 1: twosided must be true or false", false},
        FailingShot{"TextMapNumberQuoted", "shot --wad {udmf} --map MAP12 --out {out}", 2,
                    "MAP12 in {udmf}: TEXTMAP line 1: x must be a number", false},
        FailingShot{"TextMapStrayCharacter", "shot --wad {udmf} --map MAP13 --out {out}", 2,
                    "MAP13 in {udmf}: TEXTMAP line 1: unexpected '#'", false},
        FailingShot{"TextMapBraceClosesNothing", "shot --wad {udmf} --map MAP14 --out {out}", 2,
                    "MAP14 in {udmf}: TEXTMAP line 1: '}' closes no block", false},
        FailingShot{"TextMapValueMissing", "shot --wad {udmf} --map MAP15 --out {out}", 2,
                    "MAP15 in {udmf}: TEXTMAP line 1: expected a value after x =", false},
        FailingShot{"TextMapHexadecimalTooBig", "shot --wad {udmf} --map MAP16 --out {out}", 2,
                    "MAP16 in {udmf}: TEXTMAP line 1: type 0x10000 does not fit 16 bits", false},
        FailingShot{
            "TextMapWithoutNodes", "shot --wad {udmf} --map MAP17 --out {out}", 2,
            "MAP17 in {udmf} has no nodes: build them with a node builder such as zdbsp or glbsp",
            false}),
    [](const ::testing::TestParamInfo<FailingShot>& info) { return info.param.name; });

// The bench's figures, in their order and consistent with each other.
void expectBenchFigures(const CommandResult& run, int threads) {
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::ordered_json result = nlohmann::ordered_json::parse(run.out, nullptr, false);
    ASSERT_TRUE(result.is_object()) << run.out;
    std::vector<std::string> keys;
    for (const auto& item : result.items()) {
        keys.push_back(item.key());
    }
    EXPECT_EQ(keys, (std::vector<std::string>{
                        "frames", "threads", "msPerFrameMedian", "msPerFrameMin", "pixelsWritten",
                        "nsPerPixel", "openMs", "loadLevelMs", "firstFrameMs", "readFilesMs"}));
    EXPECT_EQ(result["frames"], 3);
    EXPECT_EQ(result["threads"], threads);
    EXPECT_GT(result["pixelsWritten"].get<int64_t>(), 0);
    EXPECT_LE(result["msPerFrameMin"].get<double>(), result["msPerFrameMedian"].get<double>());
    EXPECT_NEAR(
        result["nsPerPixel"].get<double>(),
        result["msPerFrameMedian"].get<double>() * 1e6 / result["pixelsWritten"].get<double>(),
        1e-6);
    EXPECT_GE(result["openMs"].get<double>(), 0.0);
    EXPECT_GE(result["loadLevelMs"].get<double>(), 0.0);
    // Start-up to the first frame includes opening and loading.
    EXPECT_GE(result["firstFrameMs"].get<double>(),
              result["openMs"].get<double>() + result["loadLevelMs"].get<double>());
    EXPECT_GT(result["readFilesMs"].get<double>(), 0.0);
}

// Layering is only a lookup rule: a map shot over freedoom2.wad with a PWAD equals the shot of
// one IWAD that holds the same resolved lumps, built as the PWAD's lumps followed by all of
// freedoom2.wad's (inside one file the first entry of a name counts).
struct LayeredShot {
    const char* label;
    std::function<void(std::vector<test::NamedLump>& pwad, const std::vector<test::NamedLump>&)>
        build;  // fills the PWAD from the IWAD's lumps
    std::string mapArgument;
    bool sameAsMap01;  // the picture equals freedoom2's own MAP01 start, or differs from it
};

std::vector<test::NamedLump> mapBlock(const std::vector<test::NamedLump>& lumps,
                                      const std::string& marker, const std::string& renamed) {
    for (size_t i = 0; i < lumps.size(); ++i) {
        if (lumps[i].name == marker) {
            std::vector<test::NamedLump> block(lumps.begin() + i, lumps.begin() + i + 11);
            block[0].name = renamed;
            return block;
        }
    }
    return {};
}

const test::NamedLump& lumpNamed(const std::vector<test::NamedLump>& lumps,
                                 const std::string& name) {
    return *std::find_if(lumps.begin(), lumps.end(),
                         [&](const test::NamedLump& lump) { return lump.name == name; });
}

TEST_F(RenderCommand, LayeredShotsEqualOneArchiveHoldingTheResolvedLumps) {
    BRINDLE_REQUIRE_ARCHIVE(freedoom2);
    const std::vector<test::NamedLump> iwad = test::readWadLumps(freedoom2);
    using Lumps = std::vector<test::NamedLump>;
    const LayeredShot cases[] = {
        {"MAP01 with every floor raised",
         [](Lumps& pwad, const Lumps& base) {
             pwad = mapBlock(base, "MAP01", "MAP01");
             test::Bytes& sectors = pwad[8].data;  // floor height first in each 26-byte record
             for (size_t at = 0; at + 26 <= sectors.size(); at += 26) {
                 sectors[at] = static_cast<uint8_t>(sectors[at] + 8);
             }
         },
         "--map MAP01", false},
        {"MAP01 as MAP33, the default map",
         [](Lumps& pwad, const Lumps& base) { pwad = mapBlock(base, "MAP01", "MAP33"); }, "", true},
        {"one replaced patch",
         [](Lumps& pwad, const Lumps& base) {
             const test::Bytes& brick = lumpNamed(base, "BRICK").data;
             pwad = {{"BRICK", test::solidPatchLump(static_cast<int16_t>(brick[0] | brick[1] << 8),
                                                    static_cast<int16_t>(brick[2] | brick[3] << 8),
                                                    [](int, int) { return uint8_t{4}; })}};
         },
         "--map MAP01", false},
        {"its own PNAMES and TEXTURE1",
         [](Lumps& pwad, const Lumps& base) {
             test::NamedLump names = lumpNamed(base, "PNAMES");
             std::reverse(names.data.begin() + 4, names.data.end());  // names back to front
             pwad = {names, lumpNamed(base, "TEXTURE1")};
         },
         "--map MAP01", false},
    };
    auto shot = [&](const std::string& archives, const std::string& map, const char* out) {
        const CommandResult run =
            render("shot " + archives + " " + map + " --out '" + folder.path(out) + "'");
        EXPECT_EQ(run.status, 0) << run.err;
        return readWholeFile(folder.path(out));
    };
    const Bytes map01 = shot("--wad '" + freedoom2 + "'", "--map MAP01", "map01.pcx");
    for (const LayeredShot& c : cases) {
        SCOPED_TRACE(c.label);
        Lumps pwad;
        c.build(pwad, iwad);
        test::SyntheticWad layer;
        test::SyntheticWad merged;
        layer.setIdentification("PWAD");
        for (const test::NamedLump& lump : pwad) {
            layer.addLump(lump.name, lump.data);
            merged.addLump(lump.name, lump.data);
        }
        for (const test::NamedLump& lump : iwad) {
            merged.addLump(lump.name, lump.data);
        }
        layer.writeTo(folder.path("layer.wad"));
        merged.writeTo(folder.path("merged.wad"));
        const Bytes layered = shot("--wad '" + freedoom2 + "' --file " + quoted("layer.wad"),
                                   c.mapArgument, "layered.pcx");
        const Bytes single =
            shot("--wad " + quoted("merged.wad"),
                 c.mapArgument.empty() ? "--map MAP33" : c.mapArgument, "merged.pcx");
        ASSERT_FALSE(layered.empty());
        EXPECT_EQ(layered, single);
        EXPECT_EQ(layered == map01, c.sameAsMap01);
    }
}

// A map written in another level format draws what the original draws, over the same tree:
// Hexen-format records keep the original nodes; a UDMF map's nodes come from zdbsp (ZNODES,
// GL-style), as do the GL-style nodes of the original that it is compared with, which the
// node builder writes byte for byte the same from the same geometry.
TEST_F(RenderCommand, MapsInOtherLevelFormatsDrawTheFramesOfTheirOriginals) {
    if (std::string(BRINDLE_ZDBSP).empty()) {
        GTEST_SKIP() << "zdbsp is not installed (package zdbsp)";
    }
    using Lumps = std::vector<test::NamedLump>;
    struct Case {
        const char* label;
        Lumps (*convert)(const Lumps&);
        const char* convertedNodes;  // zdbsp's options for the converted map; null: none built
        const char* originalNodes;   // and for the original; null: the archive's own map
    };
    const Case cases[] = {
        {"Hexen format", test::hexenMapOf, nullptr, nullptr},
        {"UDMF", test::udmfMapOf, "", "-x -X"},
    };
    const std::pair<std::string, std::string> maps[] = {{freedoom2, "MAP01"}, {freedoom1, "E1M1"}};
    const char* const views[] = {"", "--look game", "--keys 'U*8,L*6' --floors",
                                 "--look game --keys 'U*4,R*10,U*3'"};
    auto writeMap = [&](const Lumps& lumps, const std::string& map, const char* nodes,
                        const std::string& name) {
        test::SyntheticWad pwad;
        pwad.setIdentification("PWAD").addMarker(map);
        for (const test::NamedLump& lump : lumps) {
            pwad.addLump(lump.name, lump.data);
        }
        pwad.writeTo(folder.path(name));
        if (nodes != nullptr) {
            const std::string command = std::string(BRINDLE_ZDBSP) + " " + nodes + " -o " +
                                        quoted(name) + " " + quoted(name) + " >/dev/null 2>&1";
            EXPECT_EQ(std::system(command.c_str()), 0) << command;
        }
        return " --file " + quoted(name);
    };
    bool glNodesRead = true;
    for (const auto& entry : maps) {
        // Named copies: clang before 16 cannot capture structured bindings in the lambda below.
        const auto& archive = entry.first;
        const auto& map = entry.second;
        BRINDLE_REQUIRE_ARCHIVE(archive);
        const Lumps original = test::doomMapLumps(test::readWadLumps(archive), map);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.label) + " " + map);
            const std::string converted =
                writeMap(c.convert(original), map, c.convertedNodes, "converted.wad");
            const std::string reference =
                c.originalNodes == nullptr ? ""
                                           : writeMap(original, map, c.originalNodes, "doom.wad");
            for (const char* view : views) {
                SCOPED_TRACE(view);
                auto shot = [&](const std::string& files, const char* out) {
                    return render("shot --wad '" + archive + "'" + files + " --map " + map + " " +
                                  view + " --out " + quoted(out));
                };
                const CommandResult run = shot(converted, "converted.pcx");
                if (run.err.find("which Brindle cannot read yet") != std::string::npos) {
                    glNodesRead = false;  // the GL-style node readers are not built in
                    break;
                }
                ASSERT_EQ(run.status, 0) << run.err;
                ASSERT_EQ(shot(reference, "original.pcx").status, 0);
                EXPECT_EQ(readWholeFile(folder.path("converted.pcx")),
                          readWholeFile(folder.path("original.pcx")));
            }
        }
    }
    if (!glNodesRead) {
        GTEST_SKIP() << "UDMF frames not compared: this build reads no GL-style nodes";
    }
}

TEST_F(RenderCommand, InfoListsTheLayersAndWhereTheMapCameFrom) {
    BRINDLE_REQUIRE_ARCHIVE(freedoom2);
    test::SyntheticWad layer = test::SyntheticWad::smallValidArchive().setIdentification("PWAD");
    layer.addLevel("MAP40", test::squareRoomLevel());
    layer.writeTo(folder.path("layer.wad"));
    const std::string layerPath = folder.path("layer.wad");
    const CommandResult run = render("info --wad '" + freedoom2 + "' --file '" + layerPath +
                                     "' --file '" + layerPath + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto info = nlohmann::ordered_json::parse(run.out);
    EXPECT_EQ(info["map"], "E1M1");  // the last added file's first map
    EXPECT_EQ(info["mapSource"], layerPath);
    EXPECT_EQ(info["maps"].size(), 34u);
    EXPECT_EQ(info["maps"][32], "E1M1");
    EXPECT_EQ(info["maps"][33], "MAP40");
    EXPECT_EQ(info["lumps"].get<size_t>(), info["files"][0]["lumps"].get<size_t>() + 2 * 27);
    EXPECT_EQ(info["textures"], 1);  // the added TEXTURE1 replaces the IWAD's
    EXPECT_EQ(info["files"][1],
              nlohmann::ordered_json::parse(
                  R"({"path": ")" + layerPath +
                  R"(", "kind": "PWAD", "lumps": 27, "maps": ["E1M1", "MAP40"]})"));

    const CommandResult missing = render("info --wad '" + freedoom2 + "' --file /nonexistent.wad");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err,
              "brindle-render: cannot open '/nonexistent.wad': No such file or directory\n");
}

TEST_F(RenderCommand, MapPlacesTheViewerAsShotDoesAndDrawsEveryFormat) {
    BRINDLE_REQUIRE_ARCHIVE(freedoom1);
    REQUIRE_CONVERT();
    WadArchive archive;
    ASSERT_EQ(archive.open(freedoom1.c_str()), 1);
    ASSERT_EQ(archive.loadLevel("E1M1"), 1);
    int16_t x;
    int16_t y;
    int16_t degrees;
    archive.getPlayerStart(&x, &y, &degrees);
    // Nine turns of 910 make an eighth of a turn, less 2: the arrow points the next way round.
    const std::string turned = "--pos=" + std::to_string(x) + "," + std::to_string(y) + "," +
                               std::to_string(startAngleFromDegrees(degrees) + 8190);
    const Bytes start = pictureOfFreedoom1("map", "", "start.pcx");
    ASSERT_FALSE(start.empty());
    EXPECT_EQ(pictureOfFreedoom1("map", "--keys 'L*9'", "keys.pcx"),
              pictureOfFreedoom1("map", turned, "pos.pcx"));
    EXPECT_NE(pictureOfFreedoom1("map", "--keys 'L*9'", "keys.pcx"), start);
    EXPECT_NE(pictureOfFreedoom1("map", "--things", "things.pcx"), start);

    pictureOfFreedoom1("map", "--size 320x200", "small.png");
    pictureOfFreedoom1("map", "--size 320x200", "small.pcx");
    decodedAlike(folder.path("small.png"), folder.path("small.pcx"), 320, 200);

    const Bytes svg = pictureOfFreedoom1("map", "", "map.svg");
    const std::string text(svg.begin(), svg.end());
    size_t lines = 0;
    for (size_t at = text.find("<line "); at != std::string::npos;
         at = text.find("<line ", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, overviewLines(archive).size());
    EXPECT_NE(text.find("<title>E1M1 of freedoom1.wad</title>"), std::string::npos);
}

std::set<std::string> filesIn(const std::string& path) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

TEST_F(RenderCommand, AtlasOfFreedoom2ShowsEveryMapAsMapAndShotDrawIt) {
    BRINDLE_REQUIRE_ARCHIVE(freedoom2);
    const std::string atlas = folder.path("atlas");
    const CommandResult run =
        render("atlas --wad '" + freedoom2 + "' --floors --out '" + atlas + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "") << "no progress line when stderr is not a terminal";

    WadArchive archive;
    ASSERT_EQ(archive.open(freedoom2.c_str()), 1);
    const std::vector<std::string> maps = archive.mapNames();
    ASSERT_EQ(maps.size(), 32u);
    std::set<std::string> expected{"index.html"};
    const Bytes pageBytes = readWholeFile(atlas + "/index.html");
    const std::string page(pageBytes.begin(), pageBytes.end());
    for (const std::string& map : maps) {
        expected.insert({map + ".png", map + "-start.png"});
        EXPECT_NE(page.find("<img src=\"" + map + ".png\""), std::string::npos) << map;
        EXPECT_NE(page.find("<img src=\"" + map + "-start.png\""), std::string::npos) << map;
    }
    EXPECT_EQ(filesIn(atlas), expected);
    EXPECT_EQ(page.find("<script"), std::string::npos);

    const std::string overview = folder.path("MAP07.png");
    const std::string start = folder.path("MAP07-start.png");
    ASSERT_EQ(
        render("map --wad '" + freedoom2 + "' --map MAP07 --size 1280x800 --out '" + overview + "'")
            .status,
        0);
    ASSERT_EQ(
        render("shot --wad '" + freedoom2 + "' --map MAP07 --floors --out '" + start + "'").status,
        0);
    EXPECT_EQ(readWholeFile(atlas + "/MAP07.png"), readWholeFile(overview));
    EXPECT_EQ(readWholeFile(atlas + "/MAP07-start.png"), readWholeFile(start));

    const std::string single = folder.path("single");
    ASSERT_EQ(render("atlas --wad '" + freedoom2 + "' --floors --threads 1 --out '" + single + "'")
                  .status,
              0);
    for (const std::string& name : expected) {
        EXPECT_EQ(readWholeFile(single + "/" + name), readWholeFile(atlas + "/" + name)) << name;
    }
}

TEST_F(RenderCommand, AtlasGivesAMapThatCannotBeLoadedARowWithItsError) {
    test::SyntheticWad wad = test::SyntheticWad::smallValidArchive();
    wad.addLevel("E1M2", test::squareRoomLevel(), {"SEGS"});
    const test::TempFile file = wad.writeTemp();
    const std::string atlas = folder.path("atlas");
    const CommandResult run = render("atlas --wad '" + file.path() + "' --out '" + atlas + "'");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("E1M2: SEGS lump missing"), std::string::npos) << run.err;
    EXPECT_EQ(filesIn(atlas), (std::set<std::string>{"E1M1.png", "E1M1-start.png", "index.html"}));
    const Bytes page = readWholeFile(atlas + "/index.html");
    EXPECT_NE(std::string(page.begin(), page.end())
                  .find("<td colspan=\"3\" class=\"error\">SEGS lump missing</td>"),
              std::string::npos);
}

TEST_F(RenderCommand, CollectionDrawsEachArchiveAsAtlasDoesAndNamesTheBrokenOne) {
    test::SyntheticWad::smallValidArchive().writeTo(folder.path("iwad.wad"));
    test::SyntheticWad twoMaps;
    twoMaps.setIdentification("PWAD").addLevel("E1M2", test::squareRoomLevel());
    twoMaps.addLevel("E1M3", test::squareRoomLevel()).writeTo(folder.path("a.wad"));
    std::filesystem::create_directory(folder.path("other"));
    test::SyntheticWad()
        .setIdentification("PWAD")
        .addLevel("E1M1", test::squareRoomLevel())
        .writeTo(folder.path("other/a.wad"));
    test::SyntheticWad().setIdentification("PWAD").overrideLumpCount(100).writeTo(
        folder.path("broken.wad"));
    const std::string iwad = " --wad " + quoted("iwad.wad");
    const std::string out = folder.path("out");
    const CommandResult run =
        render("collection --threads 2" + iwad + " --out '" + out + "' " + quoted("a.wad") + " " +
               quoted("broken.wad") + " " + quoted("other/a.wad"));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("broken.wad"), std::string::npos) << run.err;
    EXPECT_EQ(filesIn(out), (std::set<std::string>{"a", "a-2", "index.html"}));

    // Each atlas is the one `atlas --added-maps` draws: the archive's own maps only.
    const std::string atlas = folder.path("atlas");
    ASSERT_EQ(render("atlas --added-maps" + iwad + " --file " + quoted("a.wad") + " --out '" +
                     atlas + "'")
                  .status,
              0);
    const std::set<std::string> names = filesIn(atlas);
    EXPECT_EQ(names, (std::set<std::string>{"E1M2.png", "E1M2-start.png", "E1M3.png",
                                            "E1M3-start.png", "index.html"}));
    EXPECT_EQ(filesIn(out + "/a"), names);
    for (const std::string& name : names) {
        EXPECT_EQ(readWholeFile(out + "/a/" + name), readWholeFile(atlas + "/" + name)) << name;
    }

    const Bytes pageBytes = readWholeFile(out + "/index.html");
    const std::string page(pageBytes.begin(), pageBytes.end());
    const std::string rows[] = {
        "<tr><th><a href=\"a/index.html\">a.wad</a></th><td class=\"maps\">2</td><td><a "
        "href=\"a/index.html\"><img src=\"a/E1M2.png\"",
        "<tr><th><a href=\"a-2/index.html\">a.wad</a></th><td class=\"maps\">1</td><td><a "
        "href=\"a-2/index.html\"><img src=\"a-2/E1M1.png\""};
    for (const std::string& row : rows) {
        EXPECT_NE(page.find(row), std::string::npos) << row << "\n" << page;
    }
    EXPECT_NE(page.find("<tr><th>broken.wad</th><td colspan=\"2\" class=\"error\">"),
              std::string::npos);

    // The index from the atlases present has the same rows, and none for the broken archive.
    std::filesystem::remove(out + "/index.html");
    ASSERT_EQ(render("collection --index-only '" + out + "'").status, 0);
    const Bytes indexBytes = readWholeFile(out + "/index.html");
    const std::string index(indexBytes.begin(), indexBytes.end());
    for (const std::string& row : rows) {
        EXPECT_NE(index.find(row), std::string::npos) << row << "\n" << index;
    }
    EXPECT_EQ(index.find("broken.wad"), std::string::npos);
    EXPECT_NE(index.find("<title>Levels over iwad.wad</title>"), std::string::npos);
}

TEST_F(RenderCommand, BenchPrintsItsFiguresAsOneJsonObject) {
    BRINDLE_REQUIRE_ARCHIVE(freedoom1);
    // The plain look is drawn by one thread whatever --threads says.
    const std::pair<std::string, int> runs[] = {{"--look plain", 1},
                                                {"--look plain --threads 2", 1},
                                                {"--look game --threads 1", 1},
                                                {"--look game --threads 2", 2}};
    for (const auto& [options, threads] : runs) {
        SCOPED_TRACE(options);
        expectBenchFigures(render("bench --wad '" + freedoom1 + "' --frames 3 " + options),
                           threads);
    }
}

}  // namespace
}  // namespace brindle
