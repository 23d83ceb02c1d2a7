// The overview as an SVG document: the same lines, things and viewer as the raster picture, in
// map units, framed like the raster so both look alike.
#pragma once

#include <string>

#include "render/overview/overview.h"

namespace brindle {

// One <line> per drawn linedef (its stored vertex coordinates, its class name as class), in
// the raster's drawing order, inside a group that turns map y north-up; things (with
// options.things) as <circle class="thing" data-type="N">, the viewer as a <path
// class="viewer">. The colours come from palette 0 in a <style> block; options.width and
// height are the document's size, its viewBox is in map units. `title` is escaped. Empty
// when the size is not one the raster accepts.
std::string overviewSvg(const WadArchive& level, const OverviewOptions& options,
                        const std::string& title);

// Text with &, <, >, " and ' replaced by their XML entities.
std::string escapeXml(const std::string& text);

}  // namespace brindle
