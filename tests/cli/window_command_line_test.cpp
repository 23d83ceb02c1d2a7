// The window programs' shared command line: the look and floors options.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window_command_line.h"

namespace brindle {
namespace {

TEST(WindowCommandLine, LookAndFloors) {
    struct Case {
        std::vector<const char*> argv;
        CommandLineOutcome outcome;
        Look look;
        bool floors;
    };
    const Case cases[] = {
        {{"brindle"}, CommandLineOutcome::run, Look::plain, false},
        {{"brindle", "--look", "game"}, CommandLineOutcome::run, Look::game, false},
        {{"brindle", "--look=plain", "--floors"}, CommandLineOutcome::run, Look::plain, true},
        {{"brindle", "--look", "game", "--floors"}, CommandLineOutcome::run, Look::game, true},
        {{"brindle", "--look", "dusk"}, CommandLineOutcome::wrongLine, Look::plain, false},
    };
    for (const Case& c : cases) {
        WindowCommandLine line;
        std::string message;
        EXPECT_EQ(parseWindowCommandLine(static_cast<int>(c.argv.size()), c.argv.data(), "brindle",
                                         line, message),
                  c.outcome)
            << message;
        EXPECT_EQ(line.look, c.look) << message;
        EXPECT_EQ(line.floors, c.floors) << message;
    }
}

}  // namespace
}  // namespace brindle
