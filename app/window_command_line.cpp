// Parsing the window programs' command line with CLI11.
#include "app/window_command_line.h"

#include <vector>

#include "app/version.h"
#include "app/viewer.h"

namespace brindle {

CommandLineOutcome parseWindowCommandLine(int argc, const char* const* argv,
                                          const std::string& programName, WindowCommandLine& line,
                                          std::string& message) {
    CLI::App app{"Brindle: walk through a level of a game archive"};
    app.name(programName);
    addArchiveOptions(app, line.archives, "./Doom1.wad, then the IWAD search path",
                      "E1M1, or the first map; with --file the first map of the last added "
                      "file that has one");
    app.add_flag("--floors", line.floors, "Fill the floors below the eye");
    app.add_option_function<std::string>(
           "--look", [&line](const std::string& name) { line.look = lookNamed(name); },
           "plain: unlit walls over black; game: lit walls, textured floors and ceilings, and "
           "the sky (--floors has no effect then); G switches between them")
        ->type_name("plain|game")
        ->default_str("plain")
        ->check(CLI::IsMember({"plain", "game"}).description(""));
    app.add_option_function<std::string>(
           "--aspect", [&line](const std::string& name) { aspectNamed(name.c_str(), line.aspect); },
           "16:10: square pixels; 4:3: each row 1.2 times as tall, as the original displays "
           "showed it (the window only: screenshots stay 640 x 400)")
        ->type_name("16:10|4:3")
        ->default_str("16:10")
        ->check(CLI::IsMember({"16:10", "4:3"}).description(""));
    app.add_option_function<std::string>(
           "--things", [&line](const std::string& text) { line.things = text == "on"; },
           "Draw the things in the game look; T switches them on and off")
        ->type_name("on|off")
        ->default_str("on")
        ->check(CLI::IsMember({"on", "off"}).description(""));
    app.add_option("--skill", line.skill, "The skill whose things are shown, 1 to 5")
        ->default_str("3")
        ->check(CLI::Range(1, 5).description(""));
    std::vector<std::string> barePaths;
    app.add_option("ARCHIVE", barePaths, "Archives to open: an IWAD is the IWAD, a PWAD is added")
        ->type_name("");
    app.set_version_flag("--version", programName + " " + brindleVersion);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        message = app.help();
        return CommandLineOutcome::help;
    } catch (const CLI::CallForVersion& version) {
        message = std::string(version.what()) + "\n";
        return CommandLineOutcome::help;
    } catch (const CLI::ParseError& e) {
        message = programName + ": " + e.what();
        return CommandLineOutcome::wrongLine;
    }
    // Map names are upper case in the archive; the windows take them in any case.
    for (char& c : line.archives.mapName) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    if (!sortBarePaths(barePaths, line.archives, message)) {
        return CommandLineOutcome::badFile;
    }
    return CommandLineOutcome::run;
}

}  // namespace brindle
