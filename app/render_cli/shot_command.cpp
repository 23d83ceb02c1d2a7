// brindle-render shot: renders one view of a map, after an optional walk, to a PCX or PNG file.
// The walk plays the same moveViewer ticks as the window, so the picture is what the window
// shows after those keys.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/render_cli/archive_loading.h"
#include "app/render_cli/commands.h"
#include "app/render_cli/key_sequence.h"
#include "app/render_cli/view_setup.h"
#include "app/viewer.h"
#include "video/png_writer.h"

namespace brindle {

namespace {

enum class PictureFormat { pcx, png };

struct ShotArguments {
    ArchiveChoice archives;
    std::string position;  // X,Y,ANGLE when --pos is given
    std::string keys;
    bool floors = false;
    Look look = Look::plain;
    std::string outPath;
};

std::optional<PictureFormat> formatOf(const std::string& path) {
    if (path.size() < 4) {
        return std::nullopt;
    }
    std::string extension = path.substr(path.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".pcx") {
        return PictureFormat::pcx;
    }
    if (extension == ".png") {
        return PictureFormat::png;
    }
    return std::nullopt;
}

int runShot(const ShotArguments& arguments, bool positionGiven) {
    // The command line was checked while it was parsed; these cannot fail here.
    std::string problem;
    std::optional<MapPosition> position;
    if (positionGiven) {
        position.emplace();
        parsePosition(arguments.position, *position, problem);
    }
    std::vector<HeldKeys> ticks;
    parseKeySequence(arguments.keys, ticks, problem);
    const PictureFormat format = *formatOf(arguments.outPath);

    Viewer viewer;
    viewer.archive = std::make_unique<WadArchive>();
    if (int status = openArchiveAndMap(*viewer.archive, arguments.archives, viewer.mapName)) {
        return status;
    }
    placeViewer(viewer, position);
    viewer.renderer->drawFloors = arguments.floors;
    viewer.renderer->look = arguments.look;
    for (const HeldKeys& held : ticks) {
        moveViewer(viewer, heldKeysPoll(held));
    }
    viewer.renderer->renderFrame();

    bool written = false;
    if (format == PictureFormat::pcx) {
        written = viewer.renderer->saveScreenshot(arguments.outPath.c_str()) == resultOk;
        problem = "cannot write " + arguments.outPath;
    } else {
        written = writePng(arguments.outPath.c_str(), viewer.renderer->frameBuffer, frameWidth,
                           frameHeight, viewer.archive->palettes[0].data(), problem);
    }
    if (!written) {
        std::fprintf(stderr, "brindle-render: %s\n", problem.c_str());
        return 2;
    }
    return 0;
}

}  // namespace

void registerShotCommand(CLI::App& app, int& exitStatus) {
    auto arguments = std::make_shared<ShotArguments>();
    CLI::App* shot = app.add_subcommand(
        "shot", "Render one view of a map to a .pcx or .png picture (640 x 400, palette 0)");

    addArchiveOptions(*shot, arguments->archives);
    CLI::Option* pos = addPositionOption(*shot, arguments->position);
    shot->add_option("--keys", arguments->keys,
                     "Arrow keys held on each tick before rendering: comma-separated ticks of "
                     "L, R, U, D (\".\" for none), each optionally *N, e.g. U*10,UL,.*3,R")
        ->type_name("SEQ")
        ->check([](const std::string& text) {
            std::vector<HeldKeys> ticks;
            std::string error;
            return parseKeySequence(text, ticks, error) ? std::string() : error;
        });
    shot->add_flag("--floors", arguments->floors, "Fill the floors below the eye");
    addLookOption(*shot, arguments->look);
    shot->add_option("--out", arguments->outPath, "Picture to write: FILE.pcx or FILE.png")
        ->type_name("FILE")
        ->required()
        ->check([](const std::string& text) {
            return formatOf(text) ? std::string() : "'" + text + "' must end in .pcx or .png";
        });

    shot->callback(
        [&exitStatus, arguments, pos] { exitStatus = runShot(*arguments, pos->count() > 0); });
}

}  // namespace brindle
