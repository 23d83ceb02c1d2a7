// The subcommands of brindle-render. Each registers itself on the command line and runs
// when chosen; the exit status is 0 on success, 1 for a wrong command line, 2 for bad data.
#pragma once

#include <CLI/CLI.hpp>

namespace brindle {

void registerInfoCommand(CLI::App& app, int& exitStatus);
void registerShotCommand(CLI::App& app, int& exitStatus);
void registerBenchCommand(CLI::App& app, int& exitStatus);

}  // namespace brindle
