// brindle-render shot: renders one view of a map, after an optional walk, to a PCX or PNG file.
// The walk plays the same moveViewer ticks as the window, so the picture is what the window
// shows after those keys.
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/render_cli/commands.h"
#include "app/render_cli/picture_output.h"
#include "app/render_cli/view_setup.h"
#include "app/viewer.h"

namespace brindle {

namespace {

struct ShotArguments {
    ViewArguments view;
    bool floors = false;
    Look look = Look::plain;
    ThingChoice things;
    std::string outPath;
};

int runShot(const ShotArguments& arguments) {
    Viewer viewer;
    if (int status = openPlacedViewer(viewer, arguments.view)) {
        return status;
    }
    viewer.renderer->drawFloors = arguments.floors;
    viewer.renderer->look = arguments.look;
    arguments.things.applyTo(*viewer.renderer);
    viewer.renderer->renderFrame();

    std::string problem;
    if (!writeIndexedPicture(arguments.outPath, *pictureFormatOf(arguments.outPath),
                             *viewer.archive, viewer.renderer->frameBuffer, frameWidth, frameHeight,
                             problem)) {
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

    addViewOptions(*shot, arguments->view);
    shot->add_flag("--floors", arguments->floors, "Fill the floors below the eye");
    addLookOption(*shot, arguments->look);
    addThingOptions(*shot, arguments->things);
    shot->add_option("--out", arguments->outPath, "Picture to write: FILE.pcx or FILE.png")
        ->type_name("FILE")
        ->required()
        ->check([](const std::string& text) {
            const std::optional<PictureFormat> format = pictureFormatOf(text);
            return format && format != PictureFormat::svg
                       ? std::string()
                       : "'" + text + "' must end in .pcx or .png";
        });

    shot->callback([&exitStatus, arguments] { exitStatus = runShot(*arguments); });
}

}  // namespace brindle
