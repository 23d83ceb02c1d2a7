// The two textured wall drawers: project one wall piece, then fill it column by column,
// sampling one texture column per screen column. drawWallFromTop anchors the texture at the
// piece's upper edge and fills downwards; drawWallFromBottom anchors it at the lower edge and
// fills upwards.
#include <algorithm>

#include "render/fixed_math.h"
#include "render/projection.h"
#include "render/renderer.h"

namespace brindle {

namespace {

constexpr int32_t rowOne = 1 << 14;  // one row in the 18.14 row and texel formats
// 554 * 2^21: one world unit's projected size at depth 1, in 11.21.
constexpr int32_t scaleAtDepthOne = 0x45400000;
constexpr int32_t texelStepNumerator = 0x200000;  // 2^21
constexpr int32_t firstDrawnColumn = 1;           // column 0 always keeps the clear colour
constexpr int32_t lastDrawnColumn = frameWidth - 1;

// A wall piece projected onto the screen, ready for its column loop. The edge rows and the
// scale are stepped linearly from column x1 to column x2.
struct ProjectedPiece {
    int32_t x1;
    int32_t x2;
    int32_t top;  // 18.14 row of the upper edge at column x1
    int32_t topStep;
    int32_t bottom;  // 18.14 row of the lower edge
    int32_t bottomStep;
    int32_t scale;  // 11.21 projected size of one world unit
    int32_t scaleStep;
    const uint8_t* texels;  // column-major
    int32_t width;
    int32_t height;
};

// Everything both drawers do before their column loops: the name check, the near-plane clip,
// the projection, the rejection of pieces wholly off screen, the texture and the steps.
// Returns false when the piece is given up.
bool projectPiece(const Renderer& r, int16_t depth1, int16_t lateral1, int16_t depth2,
                  int16_t lateral2, int16_t topHeight, int16_t bottomHeight,
                  const char* textureName, ProjectedPiece& piece) {
    if (textureName[0] == '-') {
        return false;
    }
    if (!clipToNearPlane(depth1, lateral1, depth2, lateral2)) {
        return false;
    }
    const int32_t x1 = projectColumn(lateral1, depth1);
    const int32_t x2 = projectColumn(lateral2, depth2);
    if (x1 == x2 || (x1 < 0 && x2 < 0) || (x1 > frameWidth && x2 > frameWidth)) {
        return false;
    }
    int16_t width = 0;
    int16_t height = 0;
    const uint8_t* texels = r.archive->findTexture(textureName, &width, &height);
    if (texels == nullptr || width <= 0 || height <= 0) {
        return false;
    }
    const int32_t topAboveEye = topHeight - r.viewHeight;
    const int32_t bottomAboveEye = bottomHeight - r.viewHeight;
    const int32_t top1 = projectRow(topAboveEye, depth1);
    const int32_t top2 = projectRow(topAboveEye, depth2);
    const int32_t bottom1 = projectRow(bottomAboveEye, depth1);
    const int32_t bottom2 = projectRow(bottomAboveEye, depth2);
    const int32_t n = x2 - x1;  // nonzero: equal columns were rejected above
    piece.x1 = x1;
    piece.x2 = x2;
    piece.top = mul32(top1, rowOne);
    piece.topStep = div32(mul32(sub32(top2, top1), rowOne), n);
    piece.bottom = mul32(bottom1, rowOne);
    piece.bottomStep = div32(mul32(sub32(bottom2, bottom1), rowOne), n);
    piece.scale = scaleAtDepthOne / depth1;
    piece.scaleStep = div32(sub32(scaleAtDepthOne / depth2, piece.scale), n);
    piece.texels = texels;
    piece.width = width;
    piece.height = height;
    return true;
}

// The non-negative remainder of a texel accumulator by the texture's height in 18.14: the
// same value as adding or subtracting the height until the accumulator lies in range.
int32_t wrapTexel(int32_t t, int32_t heightFixed) {
    const int32_t rest = t % heightFixed;
    return rest < 0 ? rest + heightFixed : rest;
}

enum class Anchor { top, bottom };

// The texture column that a signed 16-bit column coordinate selects. The upper-edge drawer
// widens v to 32 bits and takes the unsigned remainder; the lower-edge drawer takes the
// remainder of v read as unsigned 16-bit. For widths that are not powers of two a negative v
// lands on different columns in the two.
template <Anchor anchor>
uint32_t textureColumn(int16_t v, int32_t width) {
    if constexpr (anchor == Anchor::top) {
        return static_cast<uint32_t>(int32_t{v}) % static_cast<uint32_t>(width);
    } else {
        return static_cast<uint32_t>(static_cast<uint16_t>(v)) % static_cast<uint32_t>(width);
    }
}

// Fills one screen column. `top` and `bottom` are the edge rows in 18.14, q the texel step per
// row. Returns the number of pixels stored.
template <Anchor anchor>
int32_t drawColumn(uint8_t* frame, int32_t column, int32_t top, int32_t bottom, int32_t q,
                   const uint8_t* texels, int32_t height, int16_t yOffset) {
    const int32_t heightFixed = height * rowOne;
    // The per-row step reduced into one texture height, so that each row needs one compare.
    const int32_t rowStep = wrapTexel(q, heightFixed);
    if constexpr (anchor == Anchor::top) {
        int32_t t = wrapTexel(-yOffset * rowOne, heightFixed);
        int32_t row = shr32(top, 14);
        if (row < 0) {
            // Rows above the frame still advance the texture, as if they had been drawn.
            t = wrapTexel(add32(t, mul32(-row, q)), heightFixed);
            row = 0;
        }
        const int32_t end = std::min(shr32(bottom, 14), frameHeight);
        if (row >= end) {
            return 0;
        }
        uint8_t* pixel = frame + row * frameWidth + column;
        for (int32_t r = row; r < end; ++r) {
            *pixel = texels[t >> 14];
            pixel += frameWidth;
            t += rowStep;
            if (t >= heightFixed) {
                t -= heightFixed;
            }
        }
        return end - row;
    } else {
        int32_t t = wrapTexel(yOffset * rowOne, heightFixed);
        int32_t row = shr32(bottom, 14);
        if (row > frameHeight - 1) {
            // Rows below the frame move the texture back, as if they had been drawn.
            t = wrapTexel(sub32(t, mul32(row - (frameHeight - 1), q)), heightFixed);
            row = frameHeight - 1;
        }
        const int32_t end = std::max(shr32(top, 14), 0);
        if (row < end) {
            return 0;
        }
        uint8_t* pixel = frame + row * frameWidth + column;
        for (int32_t r = row; r >= end; --r) {
            *pixel = texels[t >> 14];
            pixel -= frameWidth;
            t -= rowStep;
            if (t < 0) {
                t += heightFixed;
            }
        }
        return row - end + 1;
    }
}

template <Anchor anchor>
void drawPiece(Renderer& r, const ProjectedPiece piece, int16_t segAngle, int32_t xOffset,
               int16_t yOffset, int32_t perpDistance, int32_t alongOffset) {
    const int32_t first = std::max(piece.x1, firstDrawnColumn);
    const int32_t last = std::min(piece.x2, lastDrawnColumn);
    if (first > last) {
        return;
    }
    // Columns left of the frame are skipped by stepping over them in one go; the wrapping
    // product gives the same values as stepping column by column.
    const int32_t skipped = first - piece.x1;
    int32_t top = add32(piece.top, mul32(piece.topStep, skipped));
    int32_t bottom = add32(piece.bottom, mul32(piece.bottomStep, skipped));
    int32_t scale = add32(piece.scale, mul32(piece.scaleStep, skipped));
    // Angle between the seg's left normal and the ray of a column, less the column's own angle.
    const int32_t normalAngle = segAngle - r.viewAngle + 16384;
    int64_t written = 0;
    for (int32_t i = first; i <= last; ++i) {
        const int32_t along = mul32(r.tangent(r.columnAngles[i] + normalAngle), perpDistance);
        const int32_t u = sub32(shr32(along, 16), alongOffset);
        const int16_t v = wrap16(sub32(u, xOffset));
        const uint32_t c = textureColumn<anchor>(v, piece.width);
        const int32_t rowsPerUnit = shr32(scale, 14);
        // A column needs its edges at least one whole row apart. The scale stays between its
        // values at the two ends, 35456 or more, so rowsPerUnit is at least 2; were it ever 0
        // the texel step would be infinite, and such a column is left undrawn.
        if (sub32(bottom, top) >= rowOne && rowsPerUnit != 0) {
            const int32_t q = texelStepNumerator / rowsPerUnit;
            written += drawColumn<anchor>(r.frameBuffer, i, top, bottom, q,
                                          piece.texels + c * piece.height, piece.height, yOffset);
        }
        top = add32(top, piece.topStep);
        bottom = add32(bottom, piece.bottomStep);
        scale = add32(scale, piece.scaleStep);
    }
    r.pixelsWritten += written;
}

}  // namespace

int16_t Renderer::drawWallFromTop(int16_t depth1, int16_t lateral1, int16_t depth2,
                                  int16_t lateral2, int16_t topHeight, int16_t bottomHeight,
                                  int16_t segAngle, const char* textureName, int32_t xOffset,
                                  int16_t yOffset, int32_t perpDistance, int32_t alongOffset) {
    ProjectedPiece piece{};
    if (!projectPiece(*this, depth1, lateral1, depth2, lateral2, topHeight, bottomHeight,
                      textureName, piece)) {
        return 0;
    }
    drawPiece<Anchor::top>(*this, piece, segAngle, xOffset, yOffset, perpDistance, alongOffset);
    return 1;
}

int16_t Renderer::drawWallFromBottom(int16_t depth1, int16_t lateral1, int16_t depth2,
                                     int16_t lateral2, int16_t topHeight, int16_t bottomHeight,
                                     int16_t segAngle, const char* textureName, int32_t xOffset,
                                     int16_t yOffset, int32_t perpDistance, int32_t alongOffset) {
    ProjectedPiece piece{};
    if (!projectPiece(*this, depth1, lateral1, depth2, lateral2, topHeight, bottomHeight,
                      textureName, piece)) {
        return 0;
    }
    drawPiece<Anchor::bottom>(*this, piece, segAngle, xOffset, yOffset, perpDistance, alongOffset);
    return 1;
}

}  // namespace brindle
