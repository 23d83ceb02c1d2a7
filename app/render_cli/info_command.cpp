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

struct InfoOptions {
    std::string wadPath = "./Doom1.wad";
    std::string mapName = "E1M1";
};

int runInfo(const InfoOptions& options) {
    WadArchive archive;
    if (const int status = openArchiveAndMap(archive, options.wadPath, options.mapName)) {
        return status;
    }
    int16_t x = 0;
    int16_t y = 0;
    int16_t angle = 0;
    archive.getPlayerStart(&x, &y, &angle);

    nlohmann::ordered_json info;
    info["lumps"] = archive.directory().size();
    info["textures"] = archive.textureCount;
    info["patches"] = archive.patchNames.size();
    info["maps"] = archive.mapNames();
    info["map"] = options.mapName;
    info["things"] = archive.things.size();
    info["linedefs"] = archive.linedefs.size();
    info["sidedefs"] = archive.sidedefs.size();
    info["vertices"] = archive.vertices.size();
    info["segs"] = archive.segs.size();
    info["subsectors"] = archive.subsectors.size();
    info["nodes"] = archive.nodes.size();
    info["sectors"] = archive.sectors.size();
    info["rootNode"] = archive.rootNode;
    info["playerStart"] = {
        {"x", x}, {"y", y}, {"angle", angle}, {"viewAngle", startAngleFromDegrees(angle)}};
    std::printf("%s\n", info.dump(2).c_str());
    return 0;
}

}  // namespace

void registerInfoCommand(CLI::App& app, int& exitStatus) {
    auto options = std::make_shared<InfoOptions>();
    CLI::App* info = app.add_subcommand(
        "info", "Open an archive, load a map and print what they hold as one JSON object");
    addArchiveOptions(*info, options->wadPath, options->mapName);
    info->callback([options, &exitStatus] { exitStatus = runInfo(*options); });
}

}  // namespace brindle
