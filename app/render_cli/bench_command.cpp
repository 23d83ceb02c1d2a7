// PLACEHOLDER: replaced with the bench command.
#include "app/render_cli/commands.h"

namespace brindle {
void registerBenchCommand(CLI::App& app, int& exitStatus) {
    app.add_subcommand("bench", "not built yet")->callback([&exitStatus] { exitStatus = 1; });
}
}  // namespace brindle
