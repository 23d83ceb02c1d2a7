// PLACEHOLDER: replaced with the shot command.
#include "app/render_cli/commands.h"

namespace brindle {
void registerShotCommand(CLI::App& app, int& exitStatus) {
    app.add_subcommand("shot", "not built yet")->callback([&exitStatus] { exitStatus = 1; });
}
}  // namespace brindle
