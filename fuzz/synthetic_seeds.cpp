#include "fuzz/synthetic_seeds.h"

#include <cstring>

#include "fuzz/layer_split.h"
#include "tests/support/node_lumps.h"
#include "tests/support/synthetic_wad.h"

namespace brindle::fuzz {

using test::SyntheticWad;

namespace {

test::Bytes flat(uint8_t base) {
    test::Bytes pixels(4096);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<uint8_t>(base + i % 64);
    }
    return pixels;
}

}  // namespace

// The room with a step in its floor and a second, two-sided sector, so that seeds also cover
// upper and lower wall pieces; its ceilings are sky.
test::SyntheticLevel steppedRoom() {
    test::SyntheticLevel stepped = test::squareRoomLevel();
    Sector raised = stepped.sectors[0];
    raised.floorHeight = 24;
    raised.ceilingHeight = 96;
    raised.lightLevel = 96;
    stepped.sectors.push_back(raised);
    stepped.sidedefs.push_back(test::makeSidedef("WALL", 1));
    stepped.linedefs[0].leftSidedef = static_cast<int16_t>(stepped.sidedefs.size() - 1);
    for (Sector& sector : stepped.sectors) {
        std::memcpy(sector.ceilingFlat, "F_SKY1\0", 7);
    }
    return stepped;
}

// The square room four times as large, so that from its start its walls fill a band across
// the frame rather than all of it: every part of the frame is still drawn, at a quarter of
// the pixels.
test::SyntheticLevel largeRoom() {
    test::SyntheticLevel room = test::squareRoomLevel();
    for (Vertex& vertex : room.vertices) {
        vertex.x = static_cast<int16_t>(vertex.x * 4);
        vertex.y = static_cast<int16_t>(vertex.y * 4);
    }
    for (Node& node : room.nodes) {
        for (int16_t* value : {&node.x, &node.y, &node.dx, &node.dy}) {
            *value = static_cast<int16_t>(*value * 4);
        }
        for (int16_t* box : {node.rightBox, node.leftBox}) {
            for (int side = 0; side < 4; ++side) {
                box[side] = static_cast<int16_t>(box[side] * 4);
            }
        }
    }
    for (Thing& thing : room.things) {
        thing.x = static_cast<int16_t>(thing.x * 4);
        thing.y = static_cast<int16_t>(thing.y * 4);
    }
    // Things ahead of the start, so that every input draws sprites: a soldier, a spectre (a
    // shadow, in rotations) and a hanging body.
    room.things.push_back(Thing{256, 800, 270, 3004, 7});
    room.things.push_back(Thing{320, 700, 45, 58, 7});
    room.things.push_back(Thing{200, 760, 0, 49, 7});
    return room;
}

namespace {

// A sprite picture with its offsets at its feet, and a gap in every column.
test::Bytes spritePicture(int16_t width, int16_t height) {
    std::vector<test::PatchColumn> columns(static_cast<size_t>(width));
    for (int16_t c = 0; c < width; ++c) {
        test::PatchRun upper{0, test::Bytes(static_cast<size_t>(height / 2), uint8_t(1 + c))};
        test::PatchRun lower{static_cast<uint8_t>(height / 2 + 2),
                             test::Bytes(static_cast<size_t>(height - height / 2 - 2), 200)};
        columns[static_cast<size_t>(c)] = {upper, lower};
    }
    test::Bytes lump = test::patchLump(height, columns);
    lump[4] = static_cast<uint8_t>(width / 2);
    lump[6] = static_cast<uint8_t>(height);
    return lump;
}

}  // namespace

std::vector<uint8_t> baseArchive() {
    SyntheticWad wad;
    wad.addLump("PLAYPAL", test::playpalLump())
        .addLump("COLORMAP", test::colormapLump())
        .addLump("PNAMES", test::pnamesLump({"WALLPAT"}))
        .addLump("TEXTURE1", test::textureLump({{"WALL", 64, 128, {{0, 0, 0}}}}))
        .addLump(
            "WALLPAT",
            test::solidPatchLump(
                64, 128, [](int x, int y) { return static_cast<uint8_t>((x + 2 * y) % 255 + 1); }))
        .addMarker("F_START")
        .addLump("FLOOR", flat(16))
        .addMarker("F_END")
        .addMarker("S_START")
        .addLump("POSSA0", spritePicture(20, 40))
        .addLump("SARGA1", spritePicture(16, 30))
        .addLump("SARGA2A8", spritePicture(24, 30))
        .addLump("SARGA3A7", spritePicture(24, 30))
        .addLump("SARGA4A6", spritePicture(24, 30))
        .addLump("SARGA5", spritePicture(16, 30))
        .addLump("GOR1A0", spritePicture(12, 60))
        .addMarker("S_END")
        .addLevel("E1M1", largeRoom());
    return wad.bytes();
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> syntheticLayerSeeds() {
    const std::vector<uint8_t> iwad = baseArchive();
    SyntheticWad replacing = SyntheticWad().setIdentification("PWAD");
    replacing
        .addLump("WALLPAT", test::solidPatchLump(
                                32, 64, [](int x, int) { return static_cast<uint8_t>(40 + x); }))
        .addMarker("F_START")
        .addLump("FLOOR", flat(16))
        .addLump("CEIL", flat(80))
        .addMarker("F_END")
        .addLevel("E1M1", steppedRoom())
        .addLevel("MAP01", test::squareRoomLevel());
    SyntheticWad ownTextures = SyntheticWad().setIdentification("PWAD");
    ownTextures.addLump("PNAMES", test::pnamesLump({"OWNPAT", "WALLPAT"}))
        .addLump("OWNPAT",
                 test::solidPatchLump(
                     16, 16, [](int x, int y) { return static_cast<uint8_t>(x * 16 + y); }))
        .addLump("TEXTURE1", test::textureLump({{"WALL", 64, 72, {{0, 0, 1}, {8, 8, 0}}},
                                                {"SKY1", 256, 128, {{0, 0, 0}}}}));
    const test::SyntheticLevel room = test::squareRoomLevel();
    SyntheticWad refused = SyntheticWad().setIdentification("PWAD");
    refused.addMarker("MAP02").addLump("TEXTMAP", {'x'}).addLump("ENDMAP", {});
    refused.addLevel("MAP03", room, {"NODES"}).addLump("NODES", {'X', 'N', 'O', 'D', 0, 0, 0, 0});
    refused.addLevel("MAP04", room).addLump("BEHAVIOR", {0});
    return {
        {"replacing", joinLayers(iwad, replacing.bytes())},
        {"own-textures", joinLayers(iwad, ownTextures.bytes())},
        {"refused-formats", joinLayers(iwad, refused.bytes())},
    };
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> syntheticSeedArchives() {
    const test::SyntheticLevel stepped = steppedRoom();

    const test::PatchColumn smallColumn0 = {test::PatchRun{0, {5, 6, 7}},
                                            test::PatchRun{8, {9, 9}}};
    const test::PatchColumn smallColumn1 = {test::PatchRun{2, {4}}};

    // Two textures, the second of two overlapping placements, and a TEXTURE2.
    SyntheticWad textured;
    textured.addLump("PLAYPAL", test::playpalLump())
        .addLump("PNAMES", test::pnamesLump({"WALLPAT", "SMALL"}))
        .addLump("WALLPAT",
                 test::solidPatchLump(
                     64, 128, [](int x, int y) { return static_cast<uint8_t>(1 + (x + y) % 200); }))
        .addLump("SMALL", test::patchLump(16, {smallColumn0, smallColumn1}))
        .addLump("TEXTURE1", test::textureLump({{"WALL", 64, 128, {{0, 0, 0}, {-4, 120, 1}}},
                                                {"STEP", 32, 24, {{0, 0, 1}, {10, -3, 1}}}}))
        .addLump("TEXTURE2", test::textureLump({{"WALL2", 64, 64, {{0, -32, 0}}},
                                                {"SKY1", 256, 100, {{0, 0, 0}, {64, 0, 1}}}}))
        .addMarker("F_START")
        .addLump("FLOOR", flat(8))
        .addLump("CEIL", flat(120))
        .addMarker("F_END")
        .addLevel("E1M1", stepped)
        .addLevel("MAP01", test::squareRoomLevel());

    return {
        {"small-valid", baseArchive()},
        {"textured-two-maps", textured.bytes()},
    };
}

namespace {

test::ClassicNodeLumps baseTree() {
    const test::SyntheticLevel room = largeRoom();
    return {test::recordBytes(room.segs), test::recordBytes(room.subsectors),
            test::recordBytes(room.nodes), static_cast<uint32_t>(room.vertices.size())};
}

}  // namespace

DeepBspLevelLumps deepBspLevelLumps() {
    test::ClassicNodeLumps deep = test::deepBspLumps(baseTree());
    return {std::move(deep.segs), std::move(deep.subsectors), std::move(deep.nodes)};
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> nodeLumpSeeds() {
    const test::ClassicNodeLumps classic = baseTree();
    std::vector<std::pair<std::string, std::vector<uint8_t>>> seeds = {
        {"classic", classic.nodes}, {"deepbsp", deepBspLevelLumps().nodes}};
    for (NodeFormat format :
         {NodeFormat::xnod, NodeFormat::znod, NodeFormat::xgln, NodeFormat::zgln, NodeFormat::xgl2,
          NodeFormat::zgl2, NodeFormat::xgl3, NodeFormat::zgl3}) {
        seeds.emplace_back(nodeFormatName(format), test::oneLumpTree(format, classic));
    }
    return seeds;
}

}  // namespace brindle::fuzz
