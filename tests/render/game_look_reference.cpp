#include "tests/render/game_look_reference.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "render/game_look/lighting.h"
#include "render/seg_geometry.h"
#include "render/game_look/sky.h"

namespace brindle::test {

namespace {

struct Point {
    int64_t x;
    int64_t y;
};

// pointOnNodeSide's three rules, on 64-bit values.
bool rightOf(int64_t x, int64_t y, int64_t px, int64_t py, int64_t dx, int64_t dy) {
    if (dy == 0) {
        return dx > 0 ? y < py : y > py;
    }
    if (dx == 0) {
        return dy > 0 ? x > px : x < px;
    }
    return (y - py) * dx < (x - px) * dy;
}

class Definition {
  public:
    explicit Definition(Renderer& r) : r(r), level(*r.archive) {
        c = r.cosine(r.viewAngle);
        s = r.sine(r.viewAngle);
    }

    void render() {
        std::memset(r.frameBuffer, 0, frameBytes);
        int16_t width = 0;
        int16_t height = 0;
        sky = level.findTexture(skyTextureName(level.levelName), &width, &height);
        if (sky != nullptr && width > 0 && height > 0) {
            skyWidth = width;
            skyHeight = height;
            for (int y = 0; y <= 239; ++y) {
                for (int x = 1; x <= 639; ++x) {
                    put(x, y, skyTexel(x, y));
                }
            }
        } else {
            sky = nullptr;
        }
        if (level.rootNode < 0) {
            drawSubsector(0);
        } else {
            walk(static_cast<uint32_t>(level.rootNode));
        }
    }

  private:
    void put(int x, int y, uint8_t value) { r.frameBuffer[y * frameWidth + x] = value; }

    uint8_t skyTexel(int x, int y) const {
        const int64_t u = ((int64_t{r.columnAngles[x]} - r.viewAngle) & 0xFFFF) >> 6;
        const int64_t v = (int64_t{y} * 100) / 240;
        return sky[(u % skyWidth) * skyHeight + v % skyHeight];
    }

    // Back to front: at each node the child on the far side of the line from the viewer first.
    void walk(uint32_t child) {
        if (child & subsectorFlag) {
            drawSubsector(child & childIndexMask);
            return;
        }
        const Node& n = level.nodes[child];
        const bool viewerRight = rightOf(r.viewX, r.viewY, n.x, n.y, n.dx, n.dy);
        walk(viewerRight ? n.leftChild : n.rightChild);
        walk(viewerRight ? n.rightChild : n.leftChild);
    }

    int64_t depthOf(bool floor, int16_t h, int y) const {
        const int64_t rows = floor ? y - 240 : 240 - y;
        const int64_t rise = floor ? r.viewHeight - h : h - r.viewHeight;
        return (rise * 554) / rows;
    }

    Point pointOf(bool floor, int16_t h, int x, int y) const {
        const int64_t depth = depthOf(floor, h, y);
        const int64_t step = (depth * 65536) / 554;
        const int64_t lateral = ((320 - x) * step) >> 16;
        return {r.viewX + ((depth * c - lateral * s) >> 16),
                r.viewY + ((depth * s + lateral * c) >> 16)};
    }

    // The subsector whose cell holds the point, or -1: outside the level's box.
    int leafOf(Point p) const {
        const Node& root = level.nodes[level.rootNode];
        const int64_t top = std::max(root.rightBox[0], root.leftBox[0]);
        const int64_t bottom = std::min(root.rightBox[1], root.leftBox[1]);
        const int64_t left = std::min(root.rightBox[2], root.leftBox[2]);
        const int64_t right = std::max(root.rightBox[3], root.leftBox[3]);
        if (p.y > top || p.y < bottom || p.x < left || p.x > right) {
            return -1;
        }
        uint32_t child = static_cast<uint32_t>(level.rootNode);
        while (!(child & subsectorFlag)) {
            const Node& n = level.nodes[child];
            child = rightOf(p.x, p.y, n.x, n.y, n.dx, n.dy) ? n.rightChild : n.leftChild;
        }
        return static_cast<int>(child & childIndexMask);
    }

    // For each subsector, the plane pixels at this height that belong to it: its own point in
    // the cell, or the point of the plane pixel above or below.
    const std::vector<std::vector<int>>& membersAt(bool floor, int16_t h) {
        auto found = members.find({floor, h});
        if (found != members.end()) {
            return found->second;
        }
        const int first = floor ? 241 : 0;
        const int last = floor ? 399 : 239;
        std::vector<int> leaf(frameBytes, -1);
        for (int y = first; y <= last; ++y) {
            for (int x = 1; x <= 639; ++x) {
                leaf[y * frameWidth + x] = level.rootNode < 0 ? 0 : leafOf(pointOf(floor, h, x, y));
            }
        }
        std::vector<std::vector<int>> lists(level.subsectors.size());
        for (int y = first; y <= last; ++y) {
            for (int x = 1; x <= 639; ++x) {
                int owners[3] = {leaf[y * frameWidth + x], -1, -1};
                if (y > first) {
                    owners[1] = leaf[(y - 1) * frameWidth + x];
                }
                if (y < last) {
                    owners[2] = leaf[(y + 1) * frameWidth + x];
                }
                for (int k = 0; k < 3; ++k) {
                    const bool repeated = std::find(owners, owners + k, owners[k]) != owners + k;
                    if (owners[k] >= 0 && !repeated) {
                        lists[owners[k]].push_back(y * frameWidth + x);
                    }
                }
            }
        }
        return members.emplace(std::make_pair(floor, h), std::move(lists)).first->second;
    }

    void drawPlane(int subsector, bool floor, const Sector& sector) {
        const int16_t h = floor ? sector.floorHeight : sector.ceilingHeight;
        const char* flatName = floor ? sector.floorFlat : sector.ceilingFlat;
        const bool isSky = !floor && std::strncmp(flatName, "F_SKY1", 8) == 0;
        const uint8_t* flat = isSky ? nullptr : level.findFlat(flatName);
        if ((isSky && sky == nullptr) || (!isSky && flat == nullptr)) {
            return;
        }
        const int startMap = (15 - std::clamp(sector.lightLevel >> 4, 0, 15)) * 4;
        for (int pixel : membersAt(floor, h)[subsector]) {
            const int x = pixel % frameWidth;
            const int y = pixel / frameWidth;
            if (isSky) {
                put(x, y, skyTexel(x, y));
                continue;
            }
            const Point p = pointOf(floor, h, x, y);
            const int64_t j = std::min<int64_t>(2560 / depthOf(floor, h, y), 47);
            const int64_t map = std::clamp<int64_t>(startMap - j / 2, 0, 31);
            put(x, y, level.colorMaps[map][flat[((-p.y) & 63) * 64 + (p.x & 63)]]);
        }
    }

    void drawSubsector(int subsector) {
        const Subsector& sub = level.subsectors[subsector];
        if (sub.segCount > 0) {
            const Seg& first = level.segs[sub.firstSeg];
            const Linedef& line = level.linedefs[first.linedef];
            const int16_t side = first.side == 1 ? line.leftSidedef : line.rightSidedef;
            if (side >= 0) {
                const Sector& sector = level.sectors[level.sidedefs[side].sector];
                if (sector.floorHeight < r.viewHeight) {
                    drawPlane(subsector, true, sector);
                }
                if (sector.ceilingHeight > r.viewHeight) {
                    drawPlane(subsector, false, sector);
                }
            }
        }
        for (int i = 0; i < sub.segCount; ++i) {
            drawSeg(level.segs[sub.firstSeg + i]);
        }
    }

    void drawSeg(const Seg& seg) {
        const Linedef& line = level.linedefs[seg.linedef];
        const int16_t frontSide = seg.side == 1 ? line.leftSidedef : line.rightSidedef;
        const int16_t backSide = seg.side == 1 ? line.rightSidedef : line.leftSidedef;
        if (r.pointOnLineSide(r.viewX, r.viewY, seg.linedef) == seg.side) {
            return;
        }
        const Sidedef& front = level.sidedefs[frontSide];
        const Sector& fs = level.sectors[front.sector];
        const Vertex& a = level.vertices[line.startVertex];
        const Vertex& b = level.vertices[line.endVertex];
        int band = std::clamp(fs.lightLevel >> 4, 0, 15);
        band += a.y == b.y ? -1 : a.x == b.x ? 1 : 0;
        const WallLight light{(15 - std::clamp(band, 0, 15)) * 4};
        const ViewVertex v1 = r.viewVertices[seg.startVertex];
        const ViewVertex v2 = r.viewVertices[seg.endVertex];
        const SegGeometry g = measureSeg(r, v1, seg.angle);
        const int32_t xOffset = front.xOffset + seg.offset;
        if (backSide >= 0) {
            const Sector& bs = level.sectors[level.sidedefs[backSide].sector];
            const bool skyJoins = std::strncmp(fs.ceilingFlat, "F_SKY1", 8) == 0 &&
                                  std::strncmp(bs.ceilingFlat, "F_SKY1", 8) == 0;
            if (bs.ceilingHeight != fs.ceilingHeight && !skyJoins) {
                r.drawWallFromTop(v1.depth, v1.lateral, v2.depth, v2.lateral, fs.ceilingHeight,
                                  bs.ceilingHeight, seg.angle, front.upperTexture, xOffset,
                                  front.yOffset, g.perpDistance, g.alongOffset, light);
            }
            if (bs.floorHeight != fs.floorHeight) {
                r.drawWallFromBottom(v1.depth, v1.lateral, v2.depth, v2.lateral, bs.floorHeight,
                                     fs.floorHeight, seg.angle, front.lowerTexture, xOffset,
                                     front.yOffset, g.perpDistance, g.alongOffset, light);
            }
        }
        r.drawWallFromTop(v1.depth, v1.lateral, v2.depth, v2.lateral, fs.ceilingHeight,
                          fs.floorHeight, seg.angle, front.middleTexture, xOffset, front.yOffset,
                          g.perpDistance, g.alongOffset, light);
    }

    Renderer& r;
    const WadArchive& level;
    int64_t c = 0;
    int64_t s = 0;
    const uint8_t* sky = nullptr;
    int64_t skyWidth = 0;
    int64_t skyHeight = 0;
    std::map<std::pair<bool, int16_t>, std::vector<std::vector<int>>> members;
};

}  // namespace

void renderGameLookByDefinition(Renderer& renderer) {
    Definition(renderer).render();
}

}  // namespace brindle::test
