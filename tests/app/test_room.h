// A one-room level built in memory, enough for the renderer to place a view and draw.
#pragma once

#include <memory>

#include "app/viewer.h"

namespace brindle::test {

// A square room from (0, 0) to (256, 256), floor 0, ceiling 128, as a loaded level.
std::unique_ptr<WadArchive> makeRoomArchive();

// A viewer over the room with its tables built, placed at (x, y) facing `angle`.
Viewer makeRoomViewer(int16_t x, int16_t y, uint16_t angle);

}  // namespace brindle::test
