// Options shared by brindle-render's subcommands.
#include "app/render_cli/commands.h"
#include "app/render_cli/view_setup.h"

namespace brindle {

void addArchiveOptions(CLI::App& command, std::string& wadPath, std::string& mapName) {
    command.add_option("--wad", wadPath, "Game archive")->type_name("PATH")->capture_default_str();
    command.add_option("--map", mapName, "Map to load (E1M1, MAP01, ...)")
        ->type_name("NAME")
        ->capture_default_str();
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

}  // namespace brindle
