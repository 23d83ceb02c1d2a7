// Which linedefs the overview draws and in which class: what the line separates decides it.
#include <algorithm>

#include "render/overview/overview.h"

namespace brindle {

namespace {

template <typename T>
const T* recordAt(int32_t index, const std::vector<T>& records) {
    return index >= 0 && static_cast<size_t>(index) < records.size()
               ? &records[static_cast<size_t>(index)]
               : nullptr;
}

}  // namespace

const char* lineClassName(LineClass lineClass) {
    switch (lineClass) {
        case LineClass::open:
            return "open";
        case LineClass::ceilingStep:
            return "ceiling-step";
        case LineClass::floorStep:
            return "floor-step";
        case LineClass::wall:
            return "wall";
    }
    return "wall";
}

uint8_t lineClassColor(LineClass lineClass) {
    switch (lineClass) {
        case LineClass::open:
            return 96;
        case LineClass::ceilingStep:
            return 231;
        case LineClass::floorStep:
            return 64;
        case LineClass::wall:
            return 176;
    }
    return 176;
}

std::optional<LineClass> classifyLinedef(const WadArchive& level, const Linedef& line) {
    if ((line.flags & hiddenLineFlag) != 0 ||
        recordAt(line.startVertex, level.vertices) == nullptr ||
        recordAt(line.endVertex, level.vertices) == nullptr) {
        return std::nullopt;
    }
    const Sidedef* right = recordAt(line.rightSidedef, level.sidedefs);
    if (right == nullptr) {
        return std::nullopt;
    }
    const Sidedef* left = recordAt(line.leftSidedef, level.sidedefs);
    // A secret line looks like any wall, so the map does not give the secret away.
    if (left == nullptr || (line.flags & secretLineFlag) != 0) {
        return LineClass::wall;
    }
    const Sector* front = recordAt(right->sector, level.sectors);
    const Sector* back = recordAt(left->sector, level.sectors);
    if (front == nullptr || back == nullptr) {
        return std::nullopt;
    }
    if (front->floorHeight != back->floorHeight) {
        return LineClass::floorStep;
    }
    if (front->ceilingHeight != back->ceilingHeight) {
        return LineClass::ceilingStep;
    }
    return LineClass::open;
}

std::vector<OverviewLine> overviewLines(const WadArchive& level) {
    std::vector<OverviewLine> lines;
    lines.reserve(level.linedefs.size());
    for (const Linedef& line : level.linedefs) {
        if (const std::optional<LineClass> lineClass = classifyLinedef(level, line)) {
            lines.push_back({*lineClass, level.vertices[static_cast<size_t>(line.startVertex)],
                             level.vertices[static_cast<size_t>(line.endVertex)]});
        }
    }
    return lines;
}

MapBounds boundsOf(const std::vector<OverviewLine>& lines) {
    if (lines.empty()) {
        return {};
    }
    MapBounds bounds{lines[0].start.x, lines[0].start.x, lines[0].start.y, lines[0].start.y};
    for (const OverviewLine& line : lines) {
        for (const Vertex& v : {line.start, line.end}) {
            bounds.minX = std::min<int32_t>(bounds.minX, v.x);
            bounds.maxX = std::max<int32_t>(bounds.maxX, v.x);
            bounds.minY = std::min<int32_t>(bounds.minY, v.y);
            bounds.maxY = std::max<int32_t>(bounds.maxY, v.y);
        }
    }
    return bounds;
}

}  // namespace brindle
