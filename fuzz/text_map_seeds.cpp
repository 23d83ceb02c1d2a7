#include "fuzz/text_map_seeds.h"

#include "fuzz/synthetic_seeds.h"
#include "tests/support/map_conversion.h"

namespace brindle::fuzz {

namespace {

// XGLN nodes of the large room: each half a subsector of four segs around its polygon, the
// fourth of the west half and the last of the east half minisegs along the split x = 512.
std::vector<uint8_t> largeRoomGlNodes() {
    test::Bytes bytes{'X', 'G', 'L', 'N'};
    test::appendInt32(bytes, 6);  // the map's vertices
    test::appendInt32(bytes, 0);  // no extra ones
    test::appendInt32(bytes, 2);
    test::appendInt32(bytes, 4);
    test::appendInt32(bytes, 4);
    constexpr int miniseg = 0xFFFF;
    const int segs[8][2] = {{0, 0}, {5, 1}, {4, miniseg}, {1, 5},
                            {4, 2}, {3, 3}, {2, 4},       {1, miniseg}};
    test::appendInt32(bytes, 8);
    for (const auto& [vertex, line] : segs) {
        test::appendInt32(bytes, vertex);
        test::appendInt32(bytes, -1);  // partner seg, not used
        test::appendInt16(bytes, line);
        bytes.push_back(0);  // side
    }
    test::appendInt32(bytes, 1);
    for (int value : {512, 0, 0, 1024, 1024, 0, 512, 1024, 1024, 0, 0, 512}) {
        test::appendInt16(bytes, value);
    }
    test::appendInt32(bytes, static_cast<int32_t>(subsectorFlag | 1));  // east, on the right
    test::appendInt32(bytes, static_cast<int32_t>(subsectorFlag | 0));
    return bytes;
}

std::string textMapOf(const test::SyntheticLevel& level) {
    const std::vector<test::NamedLump> lumps = {
        {"THINGS", test::recordBytes(level.things)},
        {"LINEDEFS", test::recordBytes(level.linedefs)},
        {"SIDEDEFS", test::recordBytes(level.sidedefs)},
        {"VERTEXES", test::recordBytes(level.vertices)},
        {"SECTORS", test::recordBytes(level.sectors)},
    };
    return test::textMapOf(lumps);
}

std::vector<uint8_t> bytesOf(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

}  // namespace

std::vector<NamedLump> textMapBaseLumps() {
    std::vector<NamedLump> lumps = splitArchive(baseArchive());
    for (size_t i = 0; i < lumps.size(); ++i) {
        if (lumps[i].name == "E1M1") {
            lumps.erase(lumps.begin() + static_cast<ptrdiff_t>(i) + 1,
                        lumps.begin() + static_cast<ptrdiff_t>(std::min(i + 11, lumps.size())));
            lumps.insert(lumps.begin() + static_cast<ptrdiff_t>(i) + 1,
                         {{"TEXTMAP", bytesOf(textMapOf(largeRoom()))},
                          {"ZNODES", largeRoomGlNodes()},
                          {"ENDMAP", {}}});
            break;
        }
    }
    return lumps;
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> textMapSeeds() {
    const test::SyntheticLevel large = largeRoom();
    test::SyntheticLevel stepped = steppedRoom();
    stepped.vertices = large.vertices;
    stepped.things = large.things;
    const std::string header =
        "/* every part of the grammar */ NameSpace = \"ZDoom\";\n"
        "Unknown { Key = 0x1F; f = -1.5e3; s = \"a\\\"b\\\\\"; k = keyword; }\n";
    return {
        {"large-room", bytesOf(textMapOf(large))},
        {"stepped-room", bytesOf(textMapOf(stepped))},
        {"grammar", bytesOf(header + textMapOf(large))},
    };
}

}  // namespace brindle::fuzz
