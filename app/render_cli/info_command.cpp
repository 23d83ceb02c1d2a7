// PLACEHOLDER: replaced with the info command.
#include "app/render_cli/commands.h"

namespace brindle {
void registerInfoCommand(CLI::App& app, int& exitStatus) {
    app.add_subcommand("info", "not built yet")->callback([&exitStatus] { exitStatus = 1; });
}
}  // namespace brindle
