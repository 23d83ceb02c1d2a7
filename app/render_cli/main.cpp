// brindle-render: the headless renderer (info, shot, bench, map, atlas, collection).
#include <CLI/CLI.hpp>
#include <cstdio>

#include "app/render_cli/commands.h"
#include "app/version.h"

int main(int argc, char** argv) {
    CLI::App app{
        "Brindle headless renderer: inspect an archive, render a view or a map's overview to a "
        "picture"};
    app.name("brindle-render");
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("brindle-render ") + brindle::brindleVersion);
    int exitStatus = 0;
    brindle::registerInfoCommand(app, exitStatus);
    brindle::registerShotCommand(app, exitStatus);
    brindle::registerBenchCommand(app, exitStatus);
    brindle::registerMapCommand(app, exitStatus);
    brindle::registerAtlasCommand(app, exitStatus);
    brindle::registerCollectionCommand(app, exitStatus);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            return app.exit(e);  // --help
        }
        std::fprintf(stderr, "brindle-render: %s\n", e.what());
        std::fprintf(stderr, "Run with --help for more information.\n");
        return 1;
    }
    return exitStatus;
}
