// brindle-render info: what the archive holds and the counts of the loaded map, as JSON.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "app/render_cli/archive_loading.h"
#include "app/render_cli/commands.h"
#include "app/viewer.h"

namespace brindle {

namespace {

struct InfoArguments {
    ArchiveChoice archives;
    int skill = defaultSkill;
};

int runInfo(const InfoArguments& arguments) {
    const ArchiveChoice& choice = arguments.archives;
    WadArchive archive;
    std::string mapName;
    if (const int status = openArchiveAndMap(archive, choice, mapName)) {
        return status;
    }
    int16_t x = 0;
    int16_t y = 0;
    int16_t angle = 0;
    archive.getPlayerStart(&x, &y, &angle);

    nlohmann::ordered_json info;
    info["lumps"] = archive.totalLumps();
    info["textures"] = archive.textureCount;
    info["patches"] = archive.patchNames.size();
    info["maps"] = archive.mapNames();
    info["map"] = mapName;
    info["things"] = archive.things.size();
    info["linedefs"] = archive.linedefs.size();
    info["sidedefs"] = archive.sidedefs.size();
    info["vertices"] = archive.vertices.size();
    info["segs"] = archive.segs.size();
    info["subsectors"] = archive.subsectors.size();
    info["nodes"] = archive.nodes.size();
    info["sectors"] = archive.sectors.size();
    info["rootNode"] = archive.rootNode;
    info["format"] = levelFormatName(archive.levelFormat);
    info["nodeFormat"] = nodeFormatName(archive.nodeFormat);
    const ThingCount things = countThings(archive.things, arguments.skill);
    info["thingFilter"] = {
        {"skill", arguments.skill}, {"shown", things.shown}, {"unknownTypes", things.unknownTypes}};
    info["playerStart"] = {
        {"x", x}, {"y", y}, {"angle", angle}, {"viewAngle", startAngleFromDegrees(angle)}};
    nlohmann::ordered_json files = nlohmann::ordered_json::array();
    for (const WadFile& file : archive.files()) {
        files.push_back({{"path", file.path},
                         {"kind", file.kind},
                         {"lumps", file.directory.size()},
                         {"maps", file.mapNames()}});
    }
    info["files"] = std::move(files);
    info["mapSource"] = archive.files()[static_cast<size_t>(archive.mapFile(mapName))].path;
    std::printf("%s\n", info.dump(2).c_str());
    return 0;
}

}  // namespace

void registerInfoCommand(CLI::App& app, int& exitStatus) {
    auto options = std::make_shared<InfoArguments>();
    CLI::App* info = app.add_subcommand(
        "info", "Open an archive, load a map and print what they hold as one JSON object");
    addArchiveOptions(*info, options->archives);
    addSkillOption(*info, options->skill);
    info->callback([options, &exitStatus] { exitStatus = runInfo(*options); });
}

}  // namespace brindle
