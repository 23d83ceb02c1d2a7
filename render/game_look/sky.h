// The sky: which texture a map shows, and the backdrop it paints above the horizon. Sky pixels
// are unlit and depend only on their column's direction and their row, so a backdrop built once
// for a view angle serves the whole frame and every sky ceiling in it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/renderer.h"

namespace brindle {

// Rows 0 to 239 lie above the horizon.
constexpr int32_t skyRows = 240;

// SKY1 to SKY4 by episode for ExMy maps (SKY1 beyond episode 4); for MAPxx maps SKY1 up to
// MAP11, SKY2 from MAP12 to MAP20, SKY3 from MAP21; SKY1 for any other name.
const char* skyTextureName(const std::string& mapName);

// Whether an 8-character flat name field (NUL-padded) names the sky, F_SKY1.
bool isSkyFlat(const char* flatName);

// The texel the sky shows at a pixel: column (u mod width), row (v mod height), where
// u = ((columnAngle - viewAngle) AND 0xFFFF) >> 6 and v = y * 100 / 240.
int32_t skyColumn(int16_t columnAngle, int16_t viewAngle, int32_t width);
int32_t skyRow(int32_t y, int32_t height);

class SkyBackdrop {
  public:
    // Makes the backdrop fit the renderer's view and map; false when the map has no sky texture.
    bool prepare(const Renderer& renderer);
    // Row y (0 to 239) of the backdrop, 640 bytes; column 0 is never shown.
    const uint8_t* row(int32_t y) const {
        return distinctRows.data() + static_cast<size_t>(rowOf[y]) * frameWidth;
    }

  private:
    // v takes 100 values over the 240 rows, so rows are built once per texture row shown.
    std::vector<uint8_t> distinctRows;
    int32_t rowOf[skyRows] = {};
    const uint8_t* texture = nullptr;
    int16_t width = 0;
    int16_t height = 0;
    int16_t angle = 0;
};

}  // namespace brindle
