// The subcommands of brindle-render. Each registers itself on the command line and runs
// when chosen; the exit status is 0 on success, 1 for a wrong command line, 2 for bad data.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "app/archive_options.h"
#include "app/render_cli/view_setup.h"
#include "render/renderer.h"

namespace brindle {

// --wad PATH, --file PATH... and --map NAME, which every subcommand takes.
void addArchiveOptions(CLI::App& command, ArchiveChoice& choice);
// --pos X,Y,ANGLE, checked while the command line is parsed.
CLI::Option* addPositionOption(CLI::App& command, std::string& position);
// --keys SEQ, checked while the command line is parsed.
CLI::Option* addKeysOption(CLI::App& command, std::string& keys);
// --wad, --map, --pos and --keys: the view that shot and map draw.
void addViewOptions(CLI::App& command, ViewArguments& arguments);
// --look plain|game, the frame's look (plain unless given).
CLI::Option* addLookOption(CLI::App& command, Look& look);

// The things of the game look: on unless --things off, placed at --skill (1 to 5, default 3).
struct ThingChoice {
    bool shown = true;
    int skill = defaultSkill;
    void applyTo(Renderer& renderer) const {
        renderer.drawThings = shown;
        renderer.skill = skill;
    }
};
// --skill N alone (info, map), or with --things on|off too.
void addSkillOption(CLI::App& command, int& skill);
void addThingOptions(CLI::App& command, ThingChoice& things);

void registerInfoCommand(CLI::App& app, int& exitStatus);
void registerShotCommand(CLI::App& app, int& exitStatus);
void registerBenchCommand(CLI::App& app, int& exitStatus);
void registerMapCommand(CLI::App& app, int& exitStatus);
void registerAtlasCommand(CLI::App& app, int& exitStatus);
void registerCollectionCommand(CLI::App& app, int& exitStatus);

}  // namespace brindle
