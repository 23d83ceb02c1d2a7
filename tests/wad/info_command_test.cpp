// brindle-render info, run as the built program: its JSON, its errors and exit statuses.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/support/synthetic_wad.h"
#include "tests/support/test_data.h"

namespace brindle {
namespace {

using test::SyntheticWad;

struct RunResult {
    int status = -1;
    std::string output;
};

// Runs brindle-render with `arguments` in `directory`; stderr is dropped unless merged into
// the output.
RunResult run(const std::string& arguments, const std::string& directory = ".",
              bool mergeStderr = false) {
    const std::string command = "cd '" + directory + "' && '" BRINDLE_RENDER_PATH "' " + arguments +
                                (mergeStderr ? " 2>&1" : " 2>/dev/null");
    RunResult result;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, got);
    }
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

TEST(InfoCommand, PrintsTheArchiveAndMapOfTheDefaultPathAsOrderedJson) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("brindle-info-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    SyntheticWad::smallValidArchive().writeTo((dir / "Doom1.wad").string());
    const RunResult r = run("info", dir.string());
    std::filesystem::remove_all(dir);
    ASSERT_EQ(r.status, 0);
    const auto info = nlohmann::ordered_json::parse(r.output);
    const auto expected = nlohmann::ordered_json::parse(R"({
        "lumps": 16, "textures": 1, "patches": 1, "maps": ["E1M1"], "map": "E1M1",
        "things": 2, "linedefs": 6, "sidedefs": 6, "vertices": 6, "segs": 6,
        "subsectors": 2, "nodes": 1, "sectors": 1, "rootNode": 0, "format": "doom", "nodeFormat": "classic",
        "thingFilter": {"skill": 3, "shown": 1, "unknownTypes": 0},
        "playerStart": {"x": 64, "y": 128, "angle": 90, "viewAngle": 16563},
        "files": [{"path": "./Doom1.wad", "kind": "IWAD", "lumps": 16, "maps": ["E1M1"]}],
        "mapSource": "./Doom1.wad"})");
    EXPECT_EQ(info, expected);  // ordered: the keys' order is compared too
}

TEST(InfoCommand, Freedoom) {
    const std::string path = test::freedoom1Path();
    BRINDLE_REQUIRE_ARCHIVE(path);
    const RunResult r = run("info --wad " + path + " --map E4M9");
    ASSERT_EQ(r.status, 0);
    const auto info = nlohmann::ordered_json::parse(r.output);
    EXPECT_EQ(info["lumps"], 3081);
    EXPECT_EQ(info["textures"], 903);
    EXPECT_EQ(info["patches"], 994);
    EXPECT_EQ(info["maps"].size(), 36u);
    EXPECT_EQ(info["maps"][0], "E1M1");
    EXPECT_EQ(info["maps"][35], "E4M9");
    EXPECT_EQ(info["map"], "E4M9");
    EXPECT_EQ(info["rootNode"], 1915);
    EXPECT_EQ(info["playerStart"]["viewAngle"], 16563);
    EXPECT_EQ(info["thingFilter"]["shown"], 777);  // at skill 3
    for (const auto& [skill, shown] : {std::pair{1, 643}, {5, 884}}) {
        const RunResult at =
            run("info --wad " + path + " --map E4M9 --skill " + std::to_string(skill));
        EXPECT_EQ(nlohmann::ordered_json::parse(at.output)["thingFilter"]["shown"], shown);
    }
}

TEST(InfoCommand, ErrorsAreOneLineWithTheirExitStatus) {
    test::TempFile pwad = SyntheticWad::smallValidArchive().setIdentification("PWAD").writeTemp();
    test::SyntheticLevel level = test::squareRoomLevel();
    level.segs[4].linedef = 9000;
    test::TempFile badLevel = SyntheticWad().addLevel("E1M1", level).writeTemp();
    test::TempFile good = SyntheticWad::smallValidArchive().writeTemp();
    struct Case {
        std::string arguments;
        int status;
        std::string output;
    };
    const Case cases[] = {
        {"info --wad ./x.wad", 2,
         "brindle-render: cannot open './x.wad': No such file or directory\n"},
        {"info --wad " + pwad.path(), 2,
         "brindle-render: " + quoted(pwad.path()) + " is not an IWAD archive\n"},
        {"info --wad " + good.path() + " --map E9M9", 2,
         "brindle-render: map E9M9 not found in " + quoted(good.path()) + "\n"},
        {"info --wad " + badLevel.path(), 2,
         "brindle-render: map E1M1 in " + quoted(badLevel.path()) +
             ": SEGS record 4: linedef 9000 out of range (6 linedefs)\n"},
    };
    for (const Case& c : cases) {
        const RunResult r = run(c.arguments, ".", true);
        EXPECT_EQ(r.status, c.status) << c.arguments;
        EXPECT_EQ(r.output, c.output) << c.arguments;
    }
    for (const char* wrong : {"info --bogus", "info --wad", "info extra"}) {
        EXPECT_EQ(run(wrong).status, 1) << wrong;
    }
}

}  // namespace
}  // namespace brindle
