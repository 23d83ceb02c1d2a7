// Options shared by brindle-render's subcommands.
#include <string>
#include <vector>

#include "app/render_cli/archive_loading.h"
#include "app/render_cli/commands.h"
#include "app/render_cli/key_sequence.h"
#include "app/render_cli/view_setup.h"
#include "app/viewer.h"

namespace brindle {

void addArchiveOptions(CLI::App& command, ArchiveChoice& choice) {
    addArchiveOptions(command, choice, defaultWadPath,
                      std::string(defaultMap) + "; with --file the first map of the last added " +
                          "file that has one");
}

CLI::Option* addPositionOption(CLI::App& command, std::string& position) {
    return command
        .add_option("--pos", position,
                    "View from map X,Y facing ANGLE (65536 to a turn) instead of the "
                    "player-one start; negative values allowed")
        ->type_name("X,Y,ANGLE")
        ->check([](const std::string& text) {
            MapPosition parsed;
            std::string error;
            return parsePosition(text, parsed, error) ? std::string() : error;
        });
}

CLI::Option* addKeysOption(CLI::App& command, std::string& keys) {
    return command
        .add_option("--keys", keys,
                    "Keys held on each tick before rendering: comma-separated ticks of "
                    "L, R, U, D, < and > (strafe), S (run) (\".\" for none), then optionally "
                    "mouse motion M+N or M-N (pixels), each optionally *N, e.g. "
                    "U*10,UL,.*3,R or USM-40,U*3")
        ->type_name("SEQ")
        ->check([](const std::string& text) {
            std::vector<HeldKeys> ticks;
            std::string error;
            return parseKeySequence(text, ticks, error) ? std::string() : error;
        });
}

void addViewOptions(CLI::App& command, ViewArguments& arguments) {
    addArchiveOptions(command, arguments.archives);
    addPositionOption(command, arguments.position);
    addKeysOption(command, arguments.keys);
}

CLI::Option* addLookOption(CLI::App& command, Look& look) {
    return command
        .add_option_function<std::string>(
            "--look", [&look](const std::string& name) { look = lookNamed(name); },
            "plain: unlit walls over black; game: lit walls, textured floors and ceilings, "
            "and the sky (--floors has no effect then)")
        ->type_name("plain|game")
        ->default_str("plain")
        ->check(CLI::IsMember({"plain", "game"}).description(""));
}

void addSkillOption(CLI::App& command, int& skill) {
    command.add_option("--skill", skill, "The skill whose things are shown, 1 to 5")
        ->default_str("3")
        ->check(CLI::Range(1, 5).description(""));
}

void addThingOptions(CLI::App& command, ThingChoice& things) {
    addSkillOption(command, things.skill);
    command
        .add_option_function<std::string>(
            "--things", [&things](const std::string& text) { things.shown = text == "on"; },
            "Draw the map's things in the game look")
        ->type_name("on|off")
        ->default_str("on")
        ->check(CLI::IsMember({"on", "off"}).description(""));
}

}  // namespace brindle
