// The window programs' shared command line: the archives (options and bare paths), the map,
// the look, floors and the aspect.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/version.h"
#include "app/window_command_line.h"
#include "tests/app/temp_folder.h"

namespace brindle {
namespace {

TEST(WindowCommandLine, OptionsAndBarePaths) {
    test::TempFolder folder;
    const std::string iwad = folder.write("a.wad", std::string("IWAD\0\0\0\0\x0c\0\0\0", 12));
    const std::string pwad = folder.write("b.wad", std::string("PWAD\0\0\0\0\x0c\0\0\0", 12));
    const std::string text = folder.write("notes.txt", "PWA");
    const std::string gone = folder.path().string() + "/gone.wad";
    struct Case {
        std::vector<std::string> arguments;
        CommandLineOutcome outcome;
        std::string wad;
        std::vector<std::string> files;
        std::string mapOrMessage;  // the map parsed, or the start of the message
        Look look = Look::plain;
        bool floors = false;
        Aspect aspect = Aspect::square;
        bool things = true;
        int skill = 3;
    };
    const Case cases[] = {
        {{}, CommandLineOutcome::run, "", {}, ""},
        {{"--file", "x", "y", "--file", "z", "--map", "map07", "--floors"},
         CommandLineOutcome::run,
         "",
         {"x", "y", "z"},
         "MAP07",
         Look::plain,
         true},
        {{pwad, iwad, pwad}, CommandLineOutcome::run, iwad, {pwad, pwad}, ""},
        {{"--file", "x", "--wad", "w", pwad}, CommandLineOutcome::run, "w", {"x", pwad}, ""},
        {{"--look", "game"}, CommandLineOutcome::run, "", {}, "", Look::game},
        {{"--look=plain", "--floors"}, CommandLineOutcome::run, "", {}, "", Look::plain, true},
        {{"--look", "game", "--floors"}, CommandLineOutcome::run, "", {}, "", Look::game, true},
        {{"--look", "dusk"}, CommandLineOutcome::wrongLine, "", {}, "brindle: --look"},
        {{"--aspect", "4:3"},
         CommandLineOutcome::run,
         "",
         {},
         "",
         Look::plain,
         false,
         Aspect::fourThree},
        {{"--aspect=16:10"}, CommandLineOutcome::run, "", {}, ""},
        {{"--aspect", "16:9"}, CommandLineOutcome::wrongLine, "", {}, "brindle: --aspect"},
        {{"--things", "off", "--skill", "5"},
         CommandLineOutcome::run,
         "",
         {},
         "",
         Look::plain,
         false,
         Aspect::square,
         false,
         5},
        {{"--skill", "6"}, CommandLineOutcome::wrongLine, "", {}, "brindle: --skill"},
        {{"--things", "maybe"}, CommandLineOutcome::wrongLine, "", {}, "brindle: --things"},
        {{"--wad", "w", iwad},
         CommandLineOutcome::badFile,
         "",
         {},
         "two IWADs given (w and " + iwad + "): add further archives with --file"},
        {{text}, CommandLineOutcome::badFile, "", {}, text + " is not a WAD archive"},
        {{gone},
         CommandLineOutcome::badFile,
         "",
         {},
         "cannot open '" + gone + "': No such file or directory"},
        {{"--bogus"},
         CommandLineOutcome::wrongLine,
         "",
         {},
         "brindle: The following argument was not expected: --bogus"},
        {{"--file"}, CommandLineOutcome::wrongLine, "", {}, "brindle: --file: 1 required"},
        {{"--version"},
         CommandLineOutcome::help,
         "",
         {},
         "brindle " + std::string(brindleVersion) + "\n"},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"brindle"};
        for (const std::string& argument : c.arguments) {
            argv.push_back(argument.c_str());
        }
        WindowCommandLine line;
        std::string message;
        const CommandLineOutcome outcome = parseWindowCommandLine(
            static_cast<int>(argv.size()), argv.data(), "brindle", line, message);
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        EXPECT_EQ(outcome, c.outcome);
        if (outcome == CommandLineOutcome::run) {
            EXPECT_EQ(line.archives.wadPath, c.wad);
            EXPECT_EQ(line.archives.files, c.files);
            EXPECT_EQ(line.archives.mapName, c.mapOrMessage);
            EXPECT_EQ(line.look, c.look);
            EXPECT_EQ(line.floors, c.floors);
            EXPECT_EQ(line.aspect, c.aspect);
            EXPECT_EQ(line.things, c.things);
            EXPECT_EQ(line.skill, c.skill);
        } else {
            EXPECT_EQ(message.substr(0, c.mapOrMessage.size()), c.mapOrMessage) << message;
        }
    }
}

}  // namespace
}  // namespace brindle
