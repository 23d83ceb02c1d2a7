// Placing the headless renderer's viewer: --pos parsing, the start position, the key polling,
// the walk of --keys, and the overview that shows the viewer.
#include "app/render_cli/view_setup.h"

#include <array>
#include <charconv>
#include <string_view>
#include <vector>

#include "app/render_cli/archive_loading.h"

namespace brindle {

namespace {

// Reads one whole number of at most 32 bits, with an optional sign.
bool parseWhole(std::string_view text, int32_t& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return false;
        }
    }
    const char* end = text.data() + text.size();
    auto [stop, problem] = std::from_chars(text.data(), end, value);
    return !text.empty() && problem == std::errc() && stop == end;
}

}  // namespace

bool parsePosition(const std::string& text, MapPosition& position, std::string& error) {
    static constexpr std::array<const char*, 3> fieldNames = {"X", "Y", "ANGLE"};
    std::array<int32_t, 3> values{};
    std::string_view rest = text;
    for (size_t field = 0; field < values.size(); ++field) {
        const size_t comma = rest.find(',');
        const bool last = field + 1 == values.size();
        if (!last && comma == std::string_view::npos) {
            error = "'" + text + "' must be X,Y,ANGLE (three numbers separated by commas)";
            return false;
        }
        if (last && comma != std::string_view::npos) {
            error = "'" + text + "' has more than three numbers; expected X,Y,ANGLE";
            return false;
        }
        const std::string_view piece = rest.substr(0, comma);
        if (!parseWhole(piece, values[field])) {
            error = std::string(fieldNames[field]) + " '" + std::string(piece) +
                    "' is not a whole number of at most 32 bits";
            return false;
        }
        if (!last) {
            rest.remove_prefix(comma + 1);
        }
    }
    // Map coordinates are 16-bit; larger values keep their low 16 bits, as the map records do.
    position.x = static_cast<int16_t>(values[0]);
    position.y = static_cast<int16_t>(values[1]);
    position.angle = static_cast<uint16_t>(values[2]);
    error.clear();
    return true;
}

void placeViewer(Viewer& viewer, const std::optional<MapPosition>& position) {
    if (position) {
        viewer.playerX = position->x;
        viewer.playerY = position->y;
        viewer.playerAngle = position->angle;
    } else {
        int16_t degrees = 0;
        viewer.archive->getPlayerStart(&viewer.playerX, &viewer.playerY, &degrees);
        viewer.playerAngle = startAngleFromDegrees(degrees);
    }
    viewer.renderer = std::make_unique<Renderer>(nullptr, viewer.archive.get());
    viewer.renderer->setView(viewer.playerX, viewer.playerY,
                             static_cast<int16_t>(viewer.playerAngle));
    viewer.frameCurrent = false;
}

KeyPoll heldKeysPoll(const HeldKeys& held) {
    return [held](MoveKey key) {
        switch (key) {
            case MoveKey::left:
                return held.left;
            case MoveKey::right:
                return held.right;
            case MoveKey::up:
                return held.up;
            case MoveKey::down:
                return held.down;
            case MoveKey::strafeLeft:
                return held.strafeLeft;
            case MoveKey::strafeRight:
                return held.strafeRight;
            case MoveKey::run:
                return held.run;
            case MoveKey::alt:
                return false;  // the sequence strafes with < and > instead
        }
        return false;
    };
}

void playKeys(Viewer& viewer, const std::string& keys) {
    std::string problem;  // the command line was checked while it was parsed
    std::vector<HeldKeys> ticks;
    parseKeySequence(keys, ticks, problem);
    for (const HeldKeys& held : ticks) {
        moveViewer(viewer, heldKeysPoll(held), held.mouseMotion);
    }
}

int openPlacedViewer(Viewer& viewer, const ViewArguments& arguments) {
    std::string problem;  // the command line was checked while it was parsed
    std::optional<MapPosition> position;
    if (!arguments.position.empty()) {
        position.emplace();
        parsePosition(arguments.position, *position, problem);
    }

    viewer.archive = std::make_unique<WadArchive>();
    if (int status = openArchiveAndMap(*viewer.archive, arguments.archives, viewer.mapName)) {
        return status;
    }
    placeViewer(viewer, position);
    playKeys(viewer, arguments.keys);
    return 0;
}

}  // namespace brindle
