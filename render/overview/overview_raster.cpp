// The raster overview: the fitting transform, the viewer's arrow and the drawing itself.
#include <algorithm>

#include "render/fixed_math.h"
#include "render/overview/overview.h"

namespace brindle {

namespace {

constexpr int64_t frameMargin = 17;  // 8 pixels each side, and the last column or row

// sin(k / 128 of a turn) for k = 0..32, times 1024, rounded. A table rather than std::sin, so
// the arrow's pixels are the same on every platform and with every library.
constexpr std::array<int32_t, 33> quarterSine = {
    0,   50,  100, 150, 200, 249, 297, 345, 392, 438, 483, 526,  569,  610,  650,  688, 724,
    759, 792, 822, 851, 878, 903, 926, 946, 964, 980, 993, 1004, 1013, 1019, 1023, 1024};

// Sine of direction d (0..127, 128 to a turn), times 1024.
int32_t directionSine(int32_t d) {
    const int32_t step = d % 32;
    switch (d / 32) {
        case 0:
            return quarterSine[static_cast<size_t>(step)];
        case 1:
            return quarterSine[static_cast<size_t>(32 - step)];
        case 2:
            return -quarterSine[static_cast<size_t>(step)];
        default:
            return -quarterSine[static_cast<size_t>(32 - step)];
    }
}

// The arrow in pixels along the facing (forward) and across it (to the viewer's left).
struct ArrowPoint {
    int32_t forward;
    int32_t left;
};
constexpr ArrowPoint arrowTail{-10, 0};
constexpr ArrowPoint arrowTip{10, 0};
constexpr ArrowPoint arrowLeftBarb{4, 6};
constexpr ArrowPoint arrowRightBarb{4, -6};

class Canvas {
  public:
    explicit Canvas(OverviewPicture& picture) : picture(picture) {}

    void plot(Pixel at, uint8_t color) {
        if (at.x >= 0 && at.x < picture.width && at.y >= 0 && at.y < picture.height) {
            picture.pixels[static_cast<size_t>(at.y * picture.width + at.x)] = color;
        }
    }
    void line(Pixel from, Pixel to, uint8_t color) {
        traceLine(from, to, [&](Pixel at) { plot(at, color); });
    }

  private:
    OverviewPicture& picture;
};

}  // namespace

OverviewTransform fitOverview(const MapBounds& bounds, int32_t width, int32_t height) {
    OverviewTransform t;
    t.minX = bounds.minX;
    t.maxY = bounds.maxY;
    const int64_t spanX = std::max<int64_t>(int64_t{bounds.maxX} - bounds.minX, 1);
    const int64_t spanY = std::max<int64_t>(int64_t{bounds.maxY} - bounds.minY, 1);
    const int64_t roomX = width - frameMargin;
    const int64_t roomY = height - frameMargin;
    // The axis that fills its room first sets the scale.
    if (roomX * spanY <= roomY * spanX) {
        t.num = roomX;
        t.den = spanX;
    } else {
        t.num = roomY;
        t.den = spanY;
    }
    t.offX = (width - 1 - (spanX * t.num) / t.den) / 2;
    t.offY = (height - 1 - (spanY * t.num) / t.den) / 2;
    return t;
}

ViewerArrow viewerArrow(Pixel at, uint16_t angle) {
    const int32_t direction = ((int32_t{angle} + 256) >> 9) & 127;  // the nearest of 128
    const int32_t sine = directionSine(direction);
    const int32_t cosine = directionSine((direction + 32) & 127);
    // Map axes first (y north), then to the frame (y down); shifts round to the nearest pixel.
    auto place = [&](ArrowPoint p) {
        const int32_t east = p.forward * cosine - p.left * sine;
        const int32_t north = p.forward * sine + p.left * cosine;
        return Pixel{at.x + shr32(east + 512, 10), at.y - shr32(north + 512, 10)};
    };
    return {place(arrowTail), place(arrowTip), place(arrowLeftBarb), place(arrowRightBarb)};
}

bool validOverviewSize(int32_t width, int32_t height) {
    return width % 2 == 0 && width >= minOverviewSide && width <= maxOverviewSide &&
           height >= minOverviewSide && height <= maxOverviewSide;
}

OverviewPicture drawOverview(const WadArchive& level, const OverviewOptions& options) {
    OverviewPicture picture;
    if (!validOverviewSize(options.width, options.height)) {
        return picture;
    }
    picture.width = options.width;
    picture.height = options.height;
    picture.pixels.assign(static_cast<size_t>(options.width) * options.height, 0);
    Canvas canvas(picture);

    const std::vector<OverviewLine> lines = overviewLines(level);
    const OverviewTransform transform = fitOverview(boundsOf(lines), options.width, options.height);
    for (LineClass lineClass : lineClassesInDrawingOrder) {
        const uint8_t color = lineClassColor(lineClass);
        for (const OverviewLine& line : lines) {
            if (line.lineClass == lineClass) {
                canvas.line(transform.toPixel(line.start.x, line.start.y),
                            transform.toPixel(line.end.x, line.end.y), color);
            }
        }
    }
    if (options.things) {
        for (const Thing& thing : level.things) {
            if (!thingShownAtSkill(thing, options.skill) || thingKindOf(thing.type) == nullptr) {
                continue;
            }
            const Pixel centre = transform.toPixel(thing.x, thing.y);
            for (int64_t dy = -1; dy <= 1; ++dy) {
                for (int64_t dx = -1; dx <= 1; ++dx) {
                    canvas.plot({centre.x + dx, centre.y + dy}, thingColor);
                }
            }
        }
    }
    if (options.viewer) {
        const ViewerArrow arrow = viewerArrow(
            transform.toPixel(options.viewer->x, options.viewer->y), options.viewer->angle);
        canvas.line(arrow.tail, arrow.tip, viewerColor);
        canvas.line(arrow.tip, arrow.leftBarb, viewerColor);
        canvas.line(arrow.tip, arrow.rightBarb, viewerColor);
    }
    return picture;
}

}  // namespace brindle
