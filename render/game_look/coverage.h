// Which pixels of the frame hold their final value: the game look draws its surfaces nearest
// first and stores a pixel only where nothing nearer has been drawn. One bit per pixel, a row's
// 640 columns in ten words, so that the spans of a plane row are covered a word at a time; and
// the pixels still open in each row and in each column (of the rows the mask was cleared for),
// so that a plane row or a wall column with none left is passed over whole.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "render/pixel_loop.h"
#include "render/renderer.h"

namespace brindle {

class CoverageMask {
  public:
    static constexpr int32_t wordsPerRow = frameWidth / 64;

    // Rows first to last hold nothing yet, except column 0, which no drawer touches.
    void clearRows(int32_t first, int32_t last) {
        for (int32_t y = first; y <= last; ++y) {
            uint64_t* row = rowWords(y);
            row[0] = 1;
            for (int32_t w = 1; w < wordsPerRow; ++w) {
                row[w] = 0;
            }
            openInRow[static_cast<size_t>(y)] = frameWidth - 1;
        }
        openTotal = (last - first + 1) * (frameWidth - 1);
        openInColumn.fill(static_cast<int16_t>(last - first + 1));
        openInColumn[0] = 0;
    }

    uint64_t* rowWords(int32_t y) { return words.data() + y * wordsPerRow; }
    const uint64_t* rowWords(int32_t y) const { return words.data() + y * wordsPerRow; }
    BRINDLE_PIXEL_LOOP bool covered(int32_t x, int32_t y) const {
        return ((rowWords(y)[x >> 6] >> (x & 63)) & 1) != 0;
    }

    bool rowFull(int32_t y) const { return openInRow[static_cast<size_t>(y)] == 0; }
    bool columnFull(int32_t x) const { return openInColumn[static_cast<size_t>(x)] == 0; }
    int32_t openIn(int32_t x) const { return openInColumn[static_cast<size_t>(x)]; }
    bool full() const { return openTotal == 0; }
    // Whether columns first to last of row y are all covered.
    bool covers(int32_t y, int32_t first, int32_t last) const {
        if (first > last) {
            return true;
        }
        const uint64_t* row = words.data() + y * wordsPerRow;
        for (int32_t w = first >> 6; w <= last >> 6; ++w) {
            const int32_t from = w == first >> 6 ? first & 63 : 0;
            const int32_t to = w == last >> 6 ? last & 63 : 63;
            const uint64_t upTo = to == 63 ? ~uint64_t{0} : (uint64_t{1} << (to + 1)) - 1;
            const uint64_t wanted = upTo & ~((uint64_t{1} << from) - 1);
            if ((row[w] & wanted) != wanted) {
                return false;
            }
        }
        return true;
    }

    // A wall's stores: one pixel of row y, or `count` pixels of column x. The row count is
    // kept once per row of every wall column, so it is inlined even in the sanitizer builds,
    // whose checks would otherwise make it look too large to inline.
    [[gnu::always_inline]] BRINDLE_PIXEL_LOOP void coveredInRow(int32_t y, int32_t count) {
        openInRow[static_cast<size_t>(y)] =
            static_cast<int16_t>(openInRow[static_cast<size_t>(y)] - count);
        openTotal -= count;
    }
    void coveredInColumn(int32_t x, int32_t count) {
        openInColumn[static_cast<size_t>(x)] =
            static_cast<int16_t>(openInColumn[static_cast<size_t>(x)] - count);
    }

    // Calls draw(first, last) for each run of uncovered columns between first and last in row
    // y, left to right, and covers them.
    template <typename Draw>
    void coverRow(int32_t y, int32_t first, int32_t last, Draw&& draw) {
        uint64_t* row = rowWords(y);
        int32_t x = first;
        while (x <= last) {
            x = nextWith(row, x, last, false);
            if (x > last) {
                return;
            }
            const int32_t end = nextWith(row, x, last, true);
            draw(x, end - 1);
            setColumns(row, x, end - 1);
            coveredInRow(y, end - x);
            coverOneInEach(x, end);
            x = end;
        }
    }

  private:
    // The first column from x to last whose bit is set (covered) or clear; last + 1 if none.
    static int32_t nextWith(const uint64_t* row, int32_t x, int32_t last, bool covered) {
        while (x <= last) {
            const uint64_t word = covered ? row[x >> 6] : ~row[x >> 6];
            const uint64_t ahead = word >> (x & 63);
            if (ahead != 0) {
                const int32_t found = x + std::countr_zero(ahead);
                return found <= last ? found : last + 1;
            }
            x = (x | 63) + 1;
        }
        return last + 1;
    }

    static void setColumns(uint64_t* row, int32_t first, int32_t last) {
        for (int32_t w = first >> 6; w <= last >> 6; ++w) {
            const int32_t from = w == first >> 6 ? first & 63 : 0;
            const int32_t to = w == last >> 6 ? last & 63 : 63;
            const uint64_t upTo = to == 63 ? ~uint64_t{0} : (uint64_t{1} << (to + 1)) - 1;
            row[w] |= upTo & ~((uint64_t{1} << from) - 1);
        }
    }

    // One pixel fewer open in each of columns first to end - 1, four columns to a 64-bit
    // subtraction: each count is at least 1 (the pixel was open), so no lane borrows.
    BRINDLE_PIXEL_LOOP void coverOneInEach(int32_t first, int32_t end) {
        int16_t* counts = openInColumn.data();
        int32_t x = first;
        for (; x < end && (x & 3) != 0; ++x) {
            --counts[x];
        }
        for (; x + 4 <= end; x += 4) {
            uint64_t lanes = 0;
            std::memcpy(&lanes, counts + x, sizeof lanes);
            lanes -= 0x0001000100010001u;
            std::memcpy(counts + x, &lanes, sizeof lanes);
        }
        for (; x < end; ++x) {
            --counts[x];
        }
    }

    std::array<uint64_t, static_cast<size_t>(frameHeight) * wordsPerRow> words{};
    std::array<int16_t, frameHeight> openInRow{};
    std::array<int16_t, frameWidth> openInColumn{};
    int32_t openTotal = 0;  // of the rows cleared
};

}  // namespace brindle
