#include "tests/render/game_look_reference.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "render/game_look/lighting.h"
#include "render/game_look/sky.h"
#include "render/seg_geometry.h"
#include "render/thing_table.h"

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

// What stored a pixel of the frame last, in painter's order.
struct Owner {
    enum Kind { nothing, sky, wall, floor, ceiling } kind = nothing;
    int32_t scale = 0;    // a wall's at this column
    int32_t linedef = 0;  // a wall's
    int16_t height = 0;   // a floor's or ceiling's
};

int64_t floorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

class Definition {
  public:
    explicit Definition(Renderer& r) : r(r), level(*r.archive) {
        c = r.cosine(r.viewAngle);
        s = r.sine(r.viewAngle);
    }

    void render() {
        std::memset(r.frameBuffer, 0, frameBytes);
        owners.assign(frameBytes, Owner{});
        int16_t width = 0;
        int16_t height = 0;
        sky = level.findTexture(skyTextureName(level.levelName), &width, &height);
        if (sky != nullptr && width > 0 && height > 0) {
            skyWidth = width;
            skyHeight = height;
            for (int y = 0; y <= 239; ++y) {
                for (int x = 1; x <= 639; ++x) {
                    put(x, y, skyTexel(x, y), Owner{Owner::sky});
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
        if (r.drawThings) {
            drawThings();
        }
    }

  private:
    void put(int x, int y, uint8_t value, Owner owner) {
        r.frameBuffer[y * frameWidth + x] = value;
        owners[static_cast<size_t>(y * frameWidth + x)] = owner;
    }

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
                put(x, y, skyTexel(x, y), Owner{Owner::sky});
                continue;
            }
            const Point p = pointOf(floor, h, x, y);
            const int64_t j = std::min<int64_t>(2560 / depthOf(floor, h, y), 47);
            const int64_t map = std::clamp<int64_t>(startMap - j / 2, 0, 31);
            put(x, y, level.colorMaps[map][flat[((-p.y) & 63) * 64 + (p.x & 63)]],
                Owner{floor ? Owner::floor : Owner::ceiling, 0, 0, h});
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
            drawSeg(level.segs[sub.firstSeg + i], sub.firstSeg + i);
        }
    }

    // The pixels a wall piece stores, worked out from the wall drawers' definition (the clip
    // at depth 1, the projection, the stepped edges and scale, the rows of each anchor), and
    // marked as the piece's, with the scale of each column.
    void markWall(bool fromTop, ViewVertex v1, ViewVertex v2, int16_t top, int16_t bottom,
                  const char* texture, int32_t linedef) {
        int16_t w = 0, h = 0;
        if (texture[0] == '-' || (v1.depth < 1 && v2.depth < 1) ||
            level.findTexture(texture, &w, &h) == nullptr || w <= 0 || h <= 0) {
            return;
        }
        int32_t d1 = v1.depth, l1 = v1.lateral, d2 = v2.depth, l2 = v2.lateral;
        if (d1 < 1) {
            l1 = l1 == l2 ? l1 : int16_t(l1 + (l2 - l1) * (1 - d1) / (d2 - d1));
            d1 = 1;
        }
        if (d2 < 1) {
            l2 = l1 == l2 ? l2 : int16_t(l1 + (l2 - l1) * (1 - d1) / (d2 - d1));
            d2 = 1;
        }
        const int32_t x1 = 320 - l1 * 554 / d1, x2 = 320 - l2 * 554 / d2;
        if (x1 == x2 || (x1 < 0 && x2 < 0) || (x1 > 640 && x2 > 640)) {
            return;
        }
        const int32_t a = (top - r.viewHeight) * 554, b = (bottom - r.viewHeight) * 554;
        const int32_t n = x2 - x1;
        int32_t t = (240 - a / d1) * 16384, dt = ((a / d1 - a / d2) * 16384) / n;
        int32_t bt = (240 - b / d1) * 16384, db = ((b / d1 - b / d2) * 16384) / n;
        int32_t scale = 0x45400000 / d1, ds = (0x45400000 / d2 - scale) / n;
        for (int32_t i = x1; i <= x2; ++i, t += dt, bt += db, scale += ds) {
            if (i <= 0 || i >= 640 || bt - t < 16384) {
                continue;
            }
            const int32_t first = std::max(t >> 14, 0);
            const int32_t end = fromTop ? std::min(bt >> 14, 400) : std::min((bt >> 14) + 1, 400);
            for (int32_t y = first; y < end; ++y) {
                owners[static_cast<size_t>(y * frameWidth + i)] =
                    Owner{Owner::wall, scale, linedef, 0};
            }
        }
    }

    void drawSeg(const Seg& seg, int) {
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
                markWall(true, v1, v2, fs.ceilingHeight, bs.ceilingHeight, front.upperTexture,
                         seg.linedef);
            }
            if (bs.floorHeight != fs.floorHeight) {
                r.drawWallFromBottom(v1.depth, v1.lateral, v2.depth, v2.lateral, bs.floorHeight,
                                     fs.floorHeight, seg.angle, front.lowerTexture, xOffset,
                                     front.yOffset, g.perpDistance, g.alongOffset, light);
                markWall(false, v1, v2, bs.floorHeight, fs.floorHeight, front.lowerTexture,
                         seg.linedef);
            }
        }
        r.drawWallFromTop(v1.depth, v1.lateral, v2.depth, v2.lateral, fs.ceilingHeight,
                          fs.floorHeight, seg.angle, front.middleTexture, xOffset, front.yOffset,
                          g.perpDistance, g.alongOffset, light);
        markWall(true, v1, v2, fs.ceilingHeight, fs.floorHeight, front.middleTexture, seg.linedef);
    }

    // The picture a thing shows from the viewer, by the three rules in order, looking at every
    // sprite name.
    const SpritePicture* pictureOf(const ThingKind& kind, int rotation, bool& flipped) const {
        const std::string base = std::string(kind.sprite, 4) + kind.frame;
        flipped = false;
        if (const SpritePicture* p = level.findSprite(base + '0')) {
            return p;
        }
        const char rot = static_cast<char>('0' + rotation);
        for (const std::string& name : level.spriteNames()) {
            if ((name.size() == 6 || name.size() == 8) && name.compare(0, 6, base + rot) == 0 &&
                level.findSprite(name) != nullptr) {
                return level.findSprite(name);
            }
        }
        flipped = true;
        for (const std::string& name : level.spriteNames()) {
            if (name.size() == 8 && name.compare(0, 4, base, 0, 4) == 0 && name[6] == kind.frame &&
                name[7] == rot && level.findSprite(name) != nullptr) {
                return level.findSprite(name);
            }
        }
        return nullptr;
    }

    struct Placed {
        size_t index;
        int32_t d, l;
        const ThingKind* kind;
        const SpritePicture* picture;
        bool flipped;
    };

    // Every pixel of every thing, farthest first, by the definition.
    void drawThings() {
        const int32_t cosA = r.cosine(-r.viewAngle), sinA = r.sine(-r.viewAngle);
        std::vector<Placed> placed;
        for (size_t k = 0; k < level.things.size(); ++k) {
            const Thing& t = level.things[k];
            const ThingKind* kind = thingKindOf(t.type);
            if (kind == nullptr || !thingShownAtSkill(t, r.skill)) {
                continue;
            }
            const int32_t dx = int16_t(t.x - r.viewX), dy = int16_t(t.y - r.viewY);
            const int32_t d = int16_t((dx * cosA - dy * sinA) >> 16);
            const int32_t l = int16_t((dy * cosA + dx * sinA) >> 16);
            if (d < 4) {
                continue;
            }
            const uint32_t ang = (uint16_t(r.viewAngle) + uint16_t(r.angleOf(l, d))) & 0xFFFF;
            const uint16_t facing = uint16_t(int32_t(t.angle * 184.04444444));
            const int rotation = int(((ang - facing + 36864) & 0xFFFF) >> 13) + 1;
            bool flipped = false;
            if (const SpritePicture* p = pictureOf(*kind, rotation, flipped)) {
                placed.push_back({k, d, l, kind, p, flipped});
            }
        }
        std::stable_sort(placed.begin(), placed.end(),
                         [](const Placed& a, const Placed& b) { return a.d > b.d; });
        for (const Placed& p : placed) {
            drawThing(p);
        }
    }

    bool hides(const Owner& o, const Thing& t, const Placed& p, int32_t y, const Sector& s) const {
        const int32_t scale = 0x45400000 / p.d;
        switch (o.kind) {
            case Owner::wall:
                return o.scale >= scale && r.pointOnLineSide(t.x, t.y, o.linedef) !=
                                               r.pointOnLineSide(r.viewX, r.viewY, o.linedef);
            case Owner::floor:
                return o.height > s.floorHeight && depthOf(true, o.height, y) <= p.d;
            case Owner::ceiling:
                return o.height < s.ceilingHeight && depthOf(false, o.height, y) <= p.d;
            default:
                return false;
        }
    }

    void drawThing(const Placed& p) {
        const Thing& t = level.things[p.index];
        const Sector& s = level.sectors[static_cast<size_t>(r.sectorAt(t.x, t.y))];
        const SpritePicture& pic = *p.picture;
        // The picture decoded as readPatch decodes a patch, with which texels runs cover.
        std::vector<int> texel(static_cast<size_t>(pic.width) * pic.height, -1);
        for (int32_t c = 0; c < pic.width; ++c) {
            const uint8_t* b = pic.bytes.data();
            size_t at = size_t(b[8 + 4 * c] | b[9 + 4 * c] << 8 | b[10 + 4 * c] << 16 |
                               b[11 + 4 * c] << 24);
            for (; b[at] != 255; at += 4 + b[at + 1]) {
                for (int k = 0; k < b[at + 1] && b[at] + k < pic.height; ++k) {
                    texel[size_t(c) * pic.height + b[at] + k] = b[at + 3 + k];
                }
            }
        }
        const int32_t z = p.kind->ceiling ? s.ceilingHeight - p.kind->height : s.floorHeight;
        const int32_t top = z + pic.topOffset;
        const int32_t scale = 0x45400000 / p.d;
        const int32_t band = std::clamp(s.lightLevel >> 4, 0, 15);
        const int32_t map =
            p.kind->bright
                ? 0
                : std::clamp((15 - band) * 4 - std::min((scale >> 14) / 28, 47) / 2, 0, 31);
        const std::vector<uint8_t> before(r.frameBuffer, r.frameBuffer + frameBytes);
        for (int32_t i = 1; i <= 639; ++i) {
            int64_t c = floorDiv(int64_t(p.l + pic.leftOffset) * 554 - int64_t(320 - i) * p.d, 554);
            if (c < 0 || c >= pic.width) {
                continue;
            }
            c = p.flipped ? pic.width - 1 - c : c;
            for (int32_t y = 0; y <= 399; ++y) {
                const int64_t row =
                    floorDiv(int64_t(top - r.viewHeight) * 554 - int64_t(240 - y) * p.d, 554);
                if (row < 0 || row >= pic.height || texel[size_t(c * pic.height + row)] < 0 ||
                    hides(owners[size_t(y * frameWidth + i)], t, p, y, s)) {
                    continue;
                }
                r.frameBuffer[y * frameWidth + i] =
                    p.kind->shadow ? level.colorMaps[6][before[std::max(y - 1, 0) * frameWidth + i]]
                                   : level.colorMaps[map][texel[size_t(c * pic.height + row)]];
            }
        }
    }

    Renderer& r;
    const WadArchive& level;
    int64_t c = 0;
    int64_t s = 0;
    const uint8_t* sky = nullptr;
    int64_t skyWidth = 0;
    int64_t skyHeight = 0;
    std::map<std::pair<bool, int16_t>, std::vector<std::vector<int>>> members;
    std::vector<Owner> owners;
};

}  // namespace

void renderGameLookByDefinition(Renderer& renderer) {
    Definition(renderer).render();
}

}  // namespace brindle::test
