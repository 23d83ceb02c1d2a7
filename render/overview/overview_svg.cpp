// The SVG overview. Numbers are written in the C locale, which no part of Brindle changes, so
// their decimal point is always ".".
#include "render/overview/overview_svg.h"

#include <cstdio>

namespace brindle {

namespace {

// Seven significant digits, the shortest form (exponents only for tiny values).
std::string number(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.7g", value);
    const std::string result = text;
    return result == "-0" ? "0" : result;
}

std::string hexColor(const WadArchive& level, uint8_t index) {
    const uint8_t* rgb = level.palettes[0].data() + 3 * index;
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
    return text;
}

std::string styleBlock(const WadArchive& level) {
    std::string style = "<style>\n";
    style += "  .background { fill: " + hexColor(level, 0) + " }\n";
    style +=
        "  line, .viewer { fill: none; stroke-width: 1px; stroke-linecap: square; "
        "vector-effect: non-scaling-stroke }\n";
    for (LineClass lineClass : lineClassesInDrawingOrder) {
        style += std::string("  .") + lineClassName(lineClass) +
                 " { stroke: " + hexColor(level, lineClassColor(lineClass)) + " }\n";
    }
    style += "  .thing { fill: " + hexColor(level, thingColor) + " }\n";
    style += "  .viewer { stroke: " + hexColor(level, viewerColor) + " }\n";
    return style + "</style>\n";
}

}  // namespace

std::string escapeXml(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&apos;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string overviewSvg(const WadArchive& level, const OverviewOptions& options,
                        const std::string& title) {
    if (!validOverviewSize(options.width, options.height)) {
        return std::string();
    }
    const std::vector<OverviewLine> lines = overviewLines(level);
    const OverviewTransform transform = fitOverview(boundsOf(lines), options.width, options.height);
    // Map units per raster pixel. The viewBox covers what the raster frame covers, and inside
    // the flipped group y is the map's y, so the frame's top edge sits at -(maxY + margin).
    const double unitsPerPixel = static_cast<double>(transform.den) / transform.num;
    const double left = transform.minX - transform.offX * unitsPerPixel;
    const double top = -(transform.maxY + transform.offY * unitsPerPixel);
    const std::string viewBox = number(left) + " " + number(top) + " " +
                                number(options.width * unitsPerPixel) + " " +
                                number(options.height * unitsPerPixel);

    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(options.width) +
           "\" height=\"" + std::to_string(options.height) + "\" viewBox=\"" + viewBox + "\">\n";
    svg += "<title>" + escapeXml(title) + "</title>\n";
    svg += styleBlock(level);
    svg += "<rect class=\"background\" x=\"" + number(left) + "\" y=\"" + number(top) +
           "\" width=\"100%\" height=\"100%\"/>\n";
    svg += "<g transform=\"scale(1 -1)\">\n";
    for (LineClass lineClass : lineClassesInDrawingOrder) {
        for (const OverviewLine& line : lines) {
            if (line.lineClass == lineClass) {
                svg += std::string("<line class=\"") + lineClassName(lineClass) + "\" x1=\"" +
                       std::to_string(line.start.x) + "\" y1=\"" + std::to_string(line.start.y) +
                       "\" x2=\"" + std::to_string(line.end.x) + "\" y2=\"" +
                       std::to_string(line.end.y) + "\"/>\n";
            }
        }
    }
    if (options.things) {
        // The radius of the raster's 3 x 3 square.
        const std::string radius = number(1.5 * unitsPerPixel);
        for (const Thing& thing : level.things) {
            if (!thingShownAtSkill(thing, options.skill) || thingKindOf(thing.type) == nullptr) {
                continue;
            }
            svg += "<circle class=\"thing\" data-type=\"" + std::to_string(thing.type) +
                   "\" cx=\"" + std::to_string(thing.x) + "\" cy=\"" + std::to_string(thing.y) +
                   "\" r=\"" + radius + "\"/>\n";
        }
    }
    if (options.viewer) {
        // The raster's arrow in pixels, scaled to map units and turned to the exact facing.
        const ViewerMark& viewer = *options.viewer;
        svg += "<path class=\"viewer\" transform=\"translate(" + std::to_string(viewer.x) + " " +
               std::to_string(viewer.y) + ") rotate(" + number(viewer.angle * (360.0 / 65536)) +
               ") scale(" + number(unitsPerPixel) +
               ")\" d=\"M -10 0 H 10 M 4 6 L 10 0 L 4 -6\"/>\n";
    }
    svg += "</g>\n</svg>\n";
    return svg;
}

}  // namespace brindle
