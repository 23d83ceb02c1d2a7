// tile_map: writes a PWAD with one map made of copies of another, laid out in a grid, for
// benchmarking maps far past the size of the originals (no WAD file is ever committed; this
// makes one from the real archives). The copies keep their own sectors; only the first copy
// keeps the player starts. The output has no nodes: build them with a node builder.
//
//   tile_map IWAD MAP COLUMNS ROWS OUT.wad      e.g. tile_map freedoom2.wad MAP01 6 5 big.wad
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/synthetic_wad.h"
#include "wad/formats/binary_maps.h"

using namespace brindle;

namespace {

// Copies of a map side by side, with this much space between them.
constexpr int32_t gap = 256;

LevelLump lumpAfter(const std::vector<test::NamedLump>& lumps, size_t marker, const char* name) {
    LevelLump lump;
    for (size_t i = marker + 1; i < lumps.size() && i <= marker + 10; ++i) {
        if (lumps[i].name == name) {
            lump.present = true;
            lump.bytes.assign(lumps[i].data.begin(), lumps[i].data.end());
            break;
        }
    }
    return lump;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: tile_map IWAD MAP COLUMNS ROWS OUT.wad\n");
        return 2;
    }
    const std::vector<test::NamedLump> lumps = test::readWadLumps(argv[1]);
    const std::string mapName = argv[2];
    const int columns = std::atoi(argv[3]);
    const int rows = std::atoi(argv[4]);
    size_t marker = 0;
    while (marker < lumps.size() && lumps[marker].name != mapName) {
        ++marker;
    }
    if (marker == lumps.size() || columns < 1 || rows < 1) {
        std::fprintf(stderr, "tile_map: no map %s in %s\n", mapName.c_str(), argv[1]);
        return 1;
    }
    const LevelLump things = lumpAfter(lumps, marker, "THINGS");
    const LevelLump linedefs = lumpAfter(lumps, marker, "LINEDEFS");
    const LevelLump sidedefs = lumpAfter(lumps, marker, "SIDEDEFS");
    const LevelLump vertexes = lumpAfter(lumps, marker, "VERTEXES");
    const LevelLump sectors = lumpAfter(lumps, marker, "SECTORS");
    MapRecords map;
    readBinaryMap({&things, &linedefs, &sidedefs, &vertexes, &sectors}, LevelFormat::doom, map);

    int32_t left = INT32_MAX, right = INT32_MIN, bottom = INT32_MAX, top = INT32_MIN;
    for (const Vertex& v : map.vertices) {
        left = std::min<int32_t>(left, v.x);
        right = std::max<int32_t>(right, v.x);
        bottom = std::min<int32_t>(bottom, v.y);
        top = std::max<int32_t>(top, v.y);
    }
    const int32_t stepX = right - left + gap;
    const int32_t stepY = top - bottom + gap;
    // The grid centred on the origin, so that its coordinates fit 16 bits as long as possible.
    const int32_t originX = -(stepX * columns) / 2 - left;
    const int32_t originY = -(stepY * rows) / 2 - bottom;
    test::SyntheticLevel out;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const bool first = row == 0 && column == 0;
            const int32_t dx = originX + column * stepX;
            const int32_t dy = originY + row * stepY;
            const auto vertexBase = static_cast<int32_t>(out.vertices.size());
            const auto sidedefBase = static_cast<int32_t>(out.sidedefs.size());
            const auto sectorBase = static_cast<int32_t>(out.sectors.size());
            for (Vertex v : map.vertices) {
                v.x = static_cast<int16_t>(v.x + dx);
                v.y = static_cast<int16_t>(v.y + dy);
                out.vertices.push_back(v);
            }
            for (Sidedef s : map.sidedefs) {
                s.sector += sectorBase;
                out.sidedefs.push_back(s);
            }
            for (Linedef l : map.linedefs) {
                l.startVertex += vertexBase;
                l.endVertex += vertexBase;
                l.rightSidedef += sidedefBase;
                l.leftSidedef = l.leftSidedef < 0 ? noRecord : l.leftSidedef + sidedefBase;
                l.tag = 0;  // a tag would join sectors of different copies
                out.linedefs.push_back(l);
            }
            out.sectors.insert(out.sectors.end(), map.sectors.begin(), map.sectors.end());
            for (Thing t : map.things) {
                if (!first && t.type >= 1 && t.type <= 4) {
                    continue;
                }
                t.x = static_cast<int16_t>(t.x + dx);
                t.y = static_cast<int16_t>(t.y + dy);
                out.things.push_back(t);
            }
        }
    }
    for (Sector& s : out.sectors) {
        s.tag = 0;
    }
    if (out.sidedefs.size() > 65535 || out.vertices.size() > 65535) {
        std::fprintf(stderr, "tile_map: %zu sidedefs, %zu vertices: too many for the format\n",
                     out.sidedefs.size(), out.vertices.size());
        return 1;
    }
    test::SyntheticWad pwad;
    pwad.setIdentification("PWAD").addLevel(mapName, out, {"SEGS", "SSECTORS", "NODES"});
    pwad.writeTo(argv[5]);
    std::printf(
        "%s: %zu linedefs, %zu sidedefs, %zu vertices, %zu sectors, %zu things; copy (c, r) moved "
        "by (%d + c * %d, %d + r * %d)\n",
        argv[5], out.linedefs.size(), out.sidedefs.size(), out.vertices.size(), out.sectors.size(),
        out.things.size(), originX, stepX, originY, stepY);
    return 0;
}
