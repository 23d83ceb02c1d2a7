// brindle-render map: the overview of a map, with the viewer placed as shot places it, as an
// SVG, PNG or PCX picture.
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "app/render_cli/commands.h"
#include "app/render_cli/picture_output.h"
#include "app/render_cli/text_file.h"
#include "app/render_cli/view_setup.h"
#include "app/viewer.h"
#include "render/overview/overview_svg.h"

namespace brindle {

namespace {

struct MapArguments {
    ViewArguments view;
    bool things = false;
    int skill = defaultSkill;
    std::string size = "640x400";
    std::string outPath;
};

bool parseSide(std::string_view text, int32_t& value) {
    const char* end = text.data() + text.size();
    const auto [stop, problem] = std::from_chars(text.data(), end, value);
    return !text.empty() && problem == std::errc() && stop == end;
}

// "WxH" with a size the overview accepts.
bool parseOverviewSize(const std::string& text, int32_t& width, int32_t& height,
                       std::string& error) {
    const size_t cross = text.find('x');
    if (cross == std::string::npos || !parseSide(std::string_view(text).substr(0, cross), width) ||
        !parseSide(std::string_view(text).substr(cross + 1), height) ||
        !validOverviewSize(width, height)) {
        error = "'" + text + "' must be WxH with W even and both from " +
                std::to_string(minOverviewSide) + " to " + std::to_string(maxOverviewSide);
        return false;
    }
    return true;
}

int runMap(const MapArguments& arguments) {
    int32_t width = 0;
    int32_t height = 0;
    std::string problem;  // the command line was checked while it was parsed
    parseOverviewSize(arguments.size, width, height, problem);
    const PictureFormat format = *pictureFormatOf(arguments.outPath);

    Viewer viewer;
    if (int status = openPlacedViewer(viewer, arguments.view)) {
        return status;
    }
    OverviewOptions options = overviewAtViewer(viewer, width, height, arguments.things);
    options.skill = arguments.skill;
    bool written = false;
    if (format == PictureFormat::svg) {
        const WadArchive& archive = *viewer.archive;
        const int32_t file = archive.mapFile(viewer.mapName);
        const std::string title =
            viewer.mapName + " of " +
            std::filesystem::path(archive.files()[static_cast<size_t>(file)].path)
                .filename()
                .string();
        written =
            writeTextFile(arguments.outPath, overviewSvg(*viewer.archive, options, title), problem);
    } else {
        const OverviewPicture picture = drawOverview(*viewer.archive, options);
        written =
            writeIndexedPicture(arguments.outPath, format, *viewer.archive, picture.pixels.data(),
                                picture.width, picture.height, problem);
    }
    if (!written) {
        std::fprintf(stderr, "brindle-render: %s\n", problem.c_str());
        return 2;
    }
    return 0;
}

}  // namespace

void registerMapCommand(CLI::App& app, int& exitStatus) {
    auto arguments = std::make_shared<MapArguments>();
    CLI::App* map = app.add_subcommand(
        "map", "Draw the overview of a map, with the viewer, to a .svg, .png or .pcx picture");

    addViewOptions(*map, arguments->view);
    map->add_flag("--things", arguments->things, "Draw the things too (those shown at --skill)");
    addSkillOption(*map, arguments->skill);
    map->add_option("--size", arguments->size,
                    "Picture size in pixels: W even, W and H from 64 to 8192")
        ->type_name("WxH")
        ->capture_default_str()
        ->check([](const std::string& text) {
            int32_t width = 0;
            int32_t height = 0;
            std::string error;
            return parseOverviewSize(text, width, height, error) ? std::string() : error;
        });
    map->add_option("--out", arguments->outPath, "Picture to write: FILE.svg, FILE.png or FILE.pcx")
        ->type_name("FILE")
        ->required()
        ->check([](const std::string& text) {
            return pictureFormatOf(text) ? std::string()
                                         : "'" + text + "' must end in .svg, .png or .pcx";
        });

    map->callback([&exitStatus, arguments] { exitStatus = runMap(*arguments); });
}

}  // namespace brindle
