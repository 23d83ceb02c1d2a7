#include "tests/app/test_room.h"

#include <cstring>

namespace brindle::test {

namespace {
void setName(char (&field)[8], const char* name) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, name, std::strlen(name));
}
}  // namespace

std::unique_ptr<WadArchive> makeRoomArchive() {
    auto archive = std::make_unique<WadArchive>();
    archive->vertices = {{0, 0}, {256, 0}, {256, 256}, {0, 256}};
    archive->vertexCount = 4;

    Sector sector{};
    sector.floorHeight = 0;
    sector.ceilingHeight = 128;
    setName(sector.floorFlat, "FLOOR");
    setName(sector.ceilingFlat, "CEIL");
    sector.lightLevel = 160;
    archive->sectors = {sector};

    Sidedef side{};
    setName(side.upperTexture, "-");
    setName(side.lowerTexture, "-");
    setName(side.middleTexture, "-");
    side.sector = 0;
    archive->sidedefs = {side};

    // Clockwise, so the room lies on the right of every wall.
    const int16_t corners[5] = {0, 3, 2, 1, 0};
    const int16_t angles[4] = {16384, 0, -16384, -32768};
    for (int16_t i = 0; i < 4; ++i) {
        archive->linedefs.push_back(Linedef{corners[i], corners[i + 1], 1, 0, 0, 0, -1});
        archive->segs.push_back(Seg{corners[i], corners[i + 1], angles[i], i, 0, 0});
    }
    archive->subsectors = {Subsector{4, 0}};
    archive->nodes = {
        Node{0, 128, 256, 0, {256, 128, 0, 256}, {128, 0, 0, 256}, subsectorFlag, subsectorFlag}};
    archive->rootNode = 0;
    archive->loaded = 1;
    return archive;
}

Viewer makeRoomViewer(int16_t x, int16_t y, uint16_t angle) {
    Viewer viewer;
    viewer.archive = makeRoomArchive();
    viewer.renderer = std::make_unique<Renderer>(nullptr, viewer.archive.get());
    viewer.renderer->buildTables();
    viewer.playerX = x;
    viewer.playerY = y;
    viewer.playerAngle = angle;
    viewer.renderer->setView(x, y, static_cast<int16_t>(angle));
    return viewer;
}

}  // namespace brindle::test
