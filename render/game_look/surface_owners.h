// Which surface of the game-look frame stored each pixel, kept while things are drawn over it:
// a sprite's pixel is hidden by a nearer wall it stands behind, or by a floor or ceiling nearer
// than it at another height than its own sector's. Each band of rows numbers its own surfaces
// (the second band's numbers have bit 15 set); 0 is the sky, which hides nothing.
//
// Only where things reach is anything kept. Floors, ceilings and the sky mark the pixels they
// store in a map packed to the rows' reach, with a bit per pixel saying so. Walls, which store
// down columns, only list each column's runs of rows in the order they were drawn: as the frame
// is drawn nearest first and each pixel is stored by the first surface to reach it, a pixel no
// plane stored belongs to the first wall run listed for its column that holds its row.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace brindle {

// Where the placed things may store pixels: in each column the first and last row any of them
// reaches there, and in each row the first and last column (first > last: none).
struct ThingReach {
    std::array<int16_t, 640> columnFirst{};
    std::array<int16_t, 640> columnLast{};
    std::array<int16_t, 400> rowFirst{};
    std::array<int16_t, 400> rowLast{};
};

// The numbers of the floors, ceilings and sky that stored the pixels things reach, each row's
// reached columns one after another, and a bit for each pixel of the frame that one of them
// stored. For each stretch of 64 columns of a row it also keeps the highest floor and the lowest
// ceiling that stored a pixel there: a plane hides more of a thing the higher a floor or the
// lower a ceiling is, so where those two do not hide a thing, no plane there does.
class PlaneOwnerMap {
  public:
    static constexpr int32_t wordsPerRow = 640 / 64;
    // What a plane can hide, as the heights it stands for: a floor {height, none}, a ceiling
    // {none, height}, the sky {none, none}; a surface past the numbers kept hides everything.
    struct Heights {
        int16_t floor;
        int16_t ceiling;
    };
    static constexpr int16_t noFloor = INT16_MIN;
    static constexpr int16_t noCeiling = INT16_MAX;
    static constexpr Heights sky{noFloor, noCeiling};
    static constexpr Heights hidesAll{INT16_MAX, INT16_MIN};

    // Sizes the map to the reach, which must outlive the frame, and clears the rows it reaches:
    // nothing is marked or asked about in the others.
    void fit(const ThingReach& reach) {
        reached = &reach;
        int32_t size = 0;
        for (size_t y = 0; y < rowBase.size(); ++y) {
            rowBase[y] = size - reach.rowFirst[y];
            size += std::max(reach.rowLast[y] - reach.rowFirst[y] + 1, 0);
            if (reaches(static_cast<int32_t>(y))) {
                const size_t row = y * wordsPerRow;
                std::fill_n(held.begin() + row, wordsPerRow, 0);
                std::fill_n(highestFloors.begin() + row, wordsPerRow, noFloor);
                std::fill_n(lowestCeilings.begin() + row, wordsPerRow, noCeiling);
            }
        }
        numbers.resize(static_cast<size_t>(size));
    }
    const ThingReach& reach() const { return *reached; }
    // Whether things reach any column of row y.
    bool reaches(int32_t y) const {
        return reached->rowFirst[static_cast<size_t>(y)] <=
               reached->rowLast[static_cast<size_t>(y)];
    }

    // Columns first to last of row y, within its reach, were stored by surface `id`.
    void mark(int32_t y, int32_t first, int32_t last, uint16_t id, Heights heights) {
        const int32_t reachFirst = reached->rowFirst[static_cast<size_t>(y)];
        const int32_t from = std::max(first, reachFirst);
        const int32_t to = std::min<int32_t>(last, reached->rowLast[static_cast<size_t>(y)]);
        if (from > to) {
            return;
        }
        const int32_t base = rowBase[static_cast<size_t>(y)];
        std::fill(numbers.begin() + (base + from), numbers.begin() + (base + to + 1), id);
        uint64_t* bits = held.data() + y * wordsPerRow;
        for (int32_t w = from >> 6; w <= to >> 6; ++w) {
            const int32_t low = w == from >> 6 ? from & 63 : 0;
            const int32_t high = w == to >> 6 ? to & 63 : 63;
            const uint64_t upTo = high == 63 ? ~uint64_t{0} : (uint64_t{1} << (high + 1)) - 1;
            bits[w] |= upTo & ~((uint64_t{1} << low) - 1);
            int16_t& highest = highestFloors[static_cast<size_t>(y * wordsPerRow + w)];
            int16_t& lowest = lowestCeilings[static_cast<size_t>(y * wordsPerRow + w)];
            highest = std::max(highest, heights.floor);
            lowest = std::min(lowest, heights.ceiling);
        }
    }
    // The highest floor and lowest ceiling that stored a pixel of row y in columns 64 w to
    // 64 w + 63 (none: noFloor, noCeiling).
    Heights extremes(int32_t y, int32_t w) const {
        const auto at = static_cast<size_t>(y * wordsPerRow + w);
        return {highestFloors[at], lowestCeilings[at]};
    }
    // Whether a plane (or the sky) stored pixel (x, y) of the reach, and its number.
    bool holds(int32_t x, int32_t y) const {
        return ((held[static_cast<size_t>(y * wordsPerRow + (x >> 6))] >> (x & 63)) & 1) != 0;
    }
    uint16_t at(int32_t x, int32_t y) const {
        return numbers[static_cast<size_t>(rowBase[static_cast<size_t>(y)] + x)];
    }

  private:
    const ThingReach* reached = nullptr;
    std::vector<uint16_t> numbers;
    // Where each row's numbers start in `numbers`, less the row's first reached column.
    std::array<int32_t, 400> rowBase{};
    std::array<uint64_t, static_cast<size_t>(400) * wordsPerRow> held{};
    std::array<int16_t, static_cast<size_t>(400) * wordsPerRow> highestFloors{};
    std::array<int16_t, static_cast<size_t>(400) * wordsPerRow> lowestCeilings{};
};

// A wall piece's run of rows first to end - 1 in one column, within the reach there; whole
// when the piece stored every row of it. Its scale in that column says whether it can hide a
// thing: only a wall as near as the thing or nearer does.
struct WallRun {
    int16_t first;
    int16_t end;
    uint16_t id;
    int16_t column;
    int32_t scale;
    bool whole;
};

struct SurfaceOwner {
    enum class Kind : uint8_t { wall, floor, ceiling };
    Kind kind = Kind::wall;
    int16_t height = 0;  // of a floor or ceiling
    // A wall piece: its seg is found again from the subsector it was drawn for, its front
    // sidedef and its ends in view space; the scale of column i is scale + (i - x1) * scaleStep
    // as the drawer stepped it.
    int32_t subsector = -1;
    int32_t sidedef = -1;
    int16_t depth1 = 0;
    int16_t lateral1 = 0;
    int16_t depth2 = 0;
    int16_t lateral2 = 0;
    int16_t segAngle = 0;
    int32_t x1 = 0;
    int32_t scale = 0;
    int32_t scaleStep = 0;
    // The wall's linedef once looked up (-2: not yet, -1: none found) and the viewer's side.
    int32_t linedef = -2;
    int32_t viewerSide = 0;
    // Whether the thing of THINGS index `sideOf` stands behind the wall's line, kept while that
    // thing is drawn.
    int32_t sideOf = -1;
    bool thingBehind = false;
};

class SurfaceOwners {
  public:
    static constexpr uint16_t sky = 0;
    static constexpr uint16_t secondBand = 0x8000;
    // A band that ran out of numbers gives its further surfaces this one, which hides
    // whatever lies behind it (32766 surfaces in one band of one frame).
    static constexpr uint16_t unrecorded = 0x7FFF;

    PlaneOwnerMap* planes = nullptr;  // shared by the bands, each marking its own rows
    uint16_t bandBit = 0;
    int32_t subsector = -1;  // the subsector whose surfaces are being drawn
    uint16_t current = 0;    // the number of the surface being drawn
    std::vector<SurfaceOwner> owners;

    void beginFrame() {
        owners.clear();
        listedRuns.clear();
    }
    // Marks columns first to last of row y as the surface's, where things may reach.
    void mark(int32_t y, int32_t first, int32_t last, uint16_t id) {
        planes->mark(y, first, last, id, heightsOf(id));
    }
    // What the floor, ceiling or sky numbered `id` can hide, for marking its rows.
    PlaneOwnerMap::Heights heightsOf(uint16_t id) const {
        const uint16_t number = id & unrecorded;
        if (number == sky) {
            return PlaneOwnerMap::sky;
        }
        if (number == unrecorded || number > owners.size()) {
            return PlaneOwnerMap::hidesAll;
        }
        const SurfaceOwner& plane = owners[number - 1u];
        switch (plane.kind) {
            case SurfaceOwner::Kind::floor:
                return {plane.height, PlaneOwnerMap::noCeiling};
            case SurfaceOwner::Kind::ceiling:
                return {PlaneOwnerMap::noFloor, plane.height};
            case SurfaceOwner::Kind::wall:
                break;
        }
        return PlaneOwnerMap::hidesAll;
    }
    // Lists rows first to end - 1 of column x, where the piece's scale is `scale`, as a run of
    // the current wall piece, where things may reach; gives its place in the list, or -1 when
    // things reach none of them.
    int32_t listWallRun(int32_t x, int32_t first, int32_t end, int32_t scale) {
        const ThingReach& reach = planes->reach();
        const auto column = static_cast<size_t>(x);
        const int32_t from = std::max<int32_t>(first, reach.columnFirst[column]);
        const int32_t to = std::min<int32_t>(end, reach.columnLast[column] + 1);
        if (from >= to) {
            return -1;
        }
        listedRuns.push_back(WallRun{static_cast<int16_t>(from), static_cast<int16_t>(to), current,
                                     static_cast<int16_t>(x), scale, false});
        return static_cast<int32_t>(listedRuns.size() - 1);
    }
    // The run listed at `place` was stored whole.
    void markRunWhole(int32_t place) { listedRuns[static_cast<size_t>(place)].whole = true; }
    // How many runs are listed; unlistRunsFrom takes back those listed since, when the piece
    // that listed them stored nothing: its number is about to be given to the next surface.
    size_t listedRunCount() const { return listedRuns.size(); }
    void unlistRunsFrom(size_t count) { listedRuns.resize(std::min(count, listedRuns.size())); }
    // Once the band is drawn: the runs of each column, in the order they were listed. Walls are
    // listed piece after piece, one run to a column, and gathered by column only here.
    void gatherRunsByColumn() {
        columnStart.fill(0);
        for (const WallRun& run : listedRuns) {
            ++columnStart[static_cast<size_t>(run.column) + 1];
        }
        for (size_t x = 1; x < columnStart.size(); ++x) {
            columnStart[x] += columnStart[x - 1];
        }
        std::array<uint32_t, 640> next{};
        std::copy_n(columnStart.begin(), next.size(), next.begin());
        runsByColumn.resize(listedRuns.size());
        for (const WallRun& run : listedRuns) {
            runsByColumn[next[static_cast<size_t>(run.column)]++] = run;
        }
    }
    std::span<const WallRun> runsOf(int32_t x) const {
        const auto column = static_cast<size_t>(x);
        return {runsByColumn.data() + columnStart[column],
                runsByColumn.data() + columnStart[column + 1]};
    }
    // Numbers a surface about to be drawn; drop() takes the number back when it stored nothing.
    uint16_t add(const SurfaceOwner& owner) {
        if (owners.size() + 1 >= unrecorded) {
            return static_cast<uint16_t>(bandBit | unrecorded);
        }
        owners.push_back(owner);
        return static_cast<uint16_t>(bandBit | owners.size());
    }
    void drop(uint16_t id) {
        if ((id & unrecorded) == owners.size() && !owners.empty()) {
            owners.pop_back();
        }
    }

  private:
    std::vector<WallRun> listedRuns;    // in the order listed
    std::vector<WallRun> runsByColumn;  // gathered by column, each column's in that order
    std::array<uint32_t, 641> columnStart{};
};

// Marks the pixels one floor, ceiling or sky stores, for the things drawn over the frame.
struct PlaneMarker {
    PlaneOwnerMap* planes;
    uint16_t id;
    PlaneOwnerMap::Heights heights;
    void mark(int32_t y, int32_t first, int32_t last) const {
        planes->mark(y, first, last, id, heights);
    }
};

}  // namespace brindle
