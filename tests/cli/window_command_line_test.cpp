// The window programs' shared command line: the look and floors options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window_command_line.h"

namespace brindle {
namespace {

TEST(WindowCommandLine, LookAndFloors) {
    struct Case {
        std::vector<const char*> arguments;
        CommandLineOutcome outcome;
        Look look;
        bool floors;
    };
    const Case cases[] = {
        {{}, CommandLineOutcome::run, Look::plain, false},
        {{"--look", "game"}, CommandLineOutcome::run, Look::game, false},
        {{"--look=plain", "--floors"}, CommandLineOutcome::run, Look::plain, true},
        {{"--look", "game", "--floors"}, CommandLineOutcome::run, Look::game, true},
        {{"--look", "dusk"}, CommandLineOutcome::wrongLine, Look::plain, false},
        {{"--look"}, CommandLineOutcome::wrongLine, Look::plain, false},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = {"brindle"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        WindowCommandLine line;
        std::string message;
        EXPECT_EQ(parseWindowCommandLine(static_cast<int>(argv.size()), argv.data(), "brindle",
                                         line, message),
                  c.outcome)
            << message;
        if (c.outcome == CommandLineOutcome::run) {
            EXPECT_EQ(line.look, c.look);
            EXPECT_EQ(line.floors, c.floors);
        } else {
            EXPECT_NE(message.find("--look"), std::string::npos) << message;
        }
    }
}

}  // namespace
}  // namespace brindle
