// brindle-render shot and bench, run as a user runs them: exit statuses, messages and the
// pictures written.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "app/viewer.h"
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

    // Renders a shot of freedoom1.wad with the extra arguments and returns the PCX file.
    Bytes shotOfFreedoom1(const std::string& extra, const std::string& name = "shot.pcx") {
        const std::string file = folder.path(name);
        const CommandResult run =
            render("shot --wad '" + freedoom1 + "' " + extra + " --out '" + file + "'");
        EXPECT_EQ(run.status, 0) << extra << ": " << run.err;
        return readWholeFile(file);
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

TEST_F(RenderCommand, StartOfE1M1AsPngAndPcxDecodeToTheSamePicture) {
    BRINDLE_REQUIRE_ARCHIVE(freedoom1);
    REQUIRE_CONVERT();
    shotOfFreedoom1("", "start.pcx");
    shotOfFreedoom1("", "start.png");
    std::string pcxSize;
    std::string pngSize;
    const Bytes fromPcx =
        test::decodeWithConvert(BRINDLE_CONVERT, folder.path("start.pcx"), pcxSize);
    const Bytes fromPng =
        test::decodeWithConvert(BRINDLE_CONVERT, folder.path("start.png"), pngSize);
    EXPECT_EQ(pcxSize, "640x400");
    EXPECT_EQ(pngSize, "640x400");
    ASSERT_EQ(fromPcx.size(), 640u * 400u * 3u);
    EXPECT_TRUE(fromPcx == fromPng);
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

TEST_P(FailingRenderCommand, ExitsWithItsStatusAndSaysWhy) {
    const FailingShot& c = GetParam();
    if (c.needsArchive) {
        BRINDLE_REQUIRE_ARCHIVE(freedoom1);
    }
    std::string arguments = replaced(c.arguments, "{wad}", "'" + freedoom1 + "'");
    arguments = replaced(arguments, "{out}", quoted("shot.png"));
    arguments = replaced(arguments, "{missing}", quoted("missing/shot.png"));
    const CommandResult run = render(arguments);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
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
        FailingShot{"FolderThatDoesNotExist", "shot --wad {wad} --out {missing}", 2, "cannot write",
                    true},
        FailingShot{"UnknownLook", "shot --wad {wad} --look dusk --out {out}", 1,
                    "--look: dusk not in {plain,game}", false},
        FailingShot{"BenchWithoutFrames", "bench --wad {wad} --frames 0", 1, "--frames", false},
        FailingShot{"BenchMissingArchive", "bench --wad /nonexistent/freedoom1.wad", 2,
                    "/nonexistent/freedoom1.wad", false}),
    [](const ::testing::TestParamInfo<FailingShot>& info) { return info.param.name; });

// The bench's figures, in their order and consistent with each other.
void expectBenchFigures(const CommandResult& run) {
    ASSERT_EQ(run.status, 0) << run.err;
    const nlohmann::ordered_json result = nlohmann::ordered_json::parse(run.out, nullptr, false);
    ASSERT_TRUE(result.is_object()) << run.out;
    std::vector<std::string> keys;
    for (const auto& item : result.items()) {
        keys.push_back(item.key());
    }
    EXPECT_EQ(keys,
              (std::vector<std::string>{"frames", "msPerFrameMedian", "msPerFrameMin",
                                        "pixelsWritten", "nsPerPixel", "openMs", "loadLevelMs"}));
    EXPECT_EQ(result["frames"], 3);
    EXPECT_GT(result["pixelsWritten"].get<int64_t>(), 0);
    EXPECT_LE(result["msPerFrameMin"].get<double>(), result["msPerFrameMedian"].get<double>());
    EXPECT_NEAR(
        result["nsPerPixel"].get<double>(),
        result["msPerFrameMedian"].get<double>() * 1e6 / result["pixelsWritten"].get<double>(),
        1e-6);
    EXPECT_GE(result["openMs"].get<double>(), 0.0);
    EXPECT_GE(result["loadLevelMs"].get<double>(), 0.0);
}

TEST_F(RenderCommand, BenchPrintsItsFiguresAsOneJsonObject) {
    BRINDLE_REQUIRE_ARCHIVE(freedoom1);
    for (const char* look : {"plain", "game"}) {
        SCOPED_TRACE(look);
        expectBenchFigures(render("bench --wad '" + freedoom1 + "' --frames 3 --look " + look));
    }
}

}  // namespace
}  // namespace brindle
