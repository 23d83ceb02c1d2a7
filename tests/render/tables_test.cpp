// The fixed-point tables and the measurements built on them.
#include <gtest/gtest.h>

#include <climits>

#include "render/fixed_math.h"
#include "render/renderer.h"

namespace brindle {
namespace {

class TablesTest : public ::testing::Test {
  protected:
    WadArchive archive;
    Renderer renderer{nullptr, &archive};
};

struct TableEntry {
    const char* table;
    int index;
    int32_t value;
};

TEST_F(TablesTest, EntriesMatchTheReferenceValues) {
    const TableEntry entries[] = {
        {"sine", 0, 0},
        {"sine", 1, 50},
        {"sine", 1024, 46340},
        {"sine", 2048, 65536},
        {"sine", 4096, -1},
        {"sine", 4097, -51},
        {"sine", 6144, -65536},
        {"sine", 8191, -51},
        {"cosine", 0, 65536},
        {"cosine", 1, 65535},
        {"cosine", 1024, 46340},
        {"cosine", 2048, -1},
        {"cosine", 4096, -65536},
        {"cosine", 6144, 0},
        {"tangent", 0, 0},
        {"tangent", 1024, 65536},
        {"tangent", 2047, 85445665},
        {"tangent", 2049, -85445620},
        {"tangent", 4096, 0},
    };
    for (const TableEntry& e : entries) {
        const std::string table = e.table;
        const auto& values = table == "sine"     ? renderer.sineTable
                             : table == "cosine" ? renderer.cosineTable
                                                 : renderer.tangentTable;
        EXPECT_EQ(values[e.index], e.value) << e.table << "[" << e.index << "]";
    }
}

TEST_F(TablesTest, ColumnAnglesTruncateTowardZero) {
    const std::pair<int, int16_t> columns[] = {{0, -5461}, {1, -5444}, {319, -17},
                                               {320, 0},   {321, 17},  {639, 5444}};
    for (const auto& [column, angle] : columns) {
        EXPECT_EQ(renderer.columnAngles[column], angle) << "column " << column;
    }
}

struct Lookup {
    const char* function;
    int32_t angle;
    int32_t value;
};

TEST_F(TablesTest, LookupsIgnoreTheLowThreeBitsAndTheHighHalf) {
    const Lookup lookups[] = {
        {"sine", 16384, 65536},   {"sine", 32768, -1},      {"cosine", 16384, -1},
        {"cosine", 49152, 0},     {"cosine", 0, 65536},     {"sine", 7, 0},
        {"sine", 0, 0},           {"sine", 8, 50},          {"sine", -8, -51},
        {"sine", -1, -51},        {"sine", 65536 + 8, 50},  {"cosine", -65536, 65536},
        {"tangent", 8192, 65536}, {"tangent", 8199, 65536}, {"sine", INT32_MIN, 0},
    };
    for (const Lookup& l : lookups) {
        const std::string f = l.function;
        const int32_t value = f == "sine"     ? renderer.sine(l.angle)
                              : f == "cosine" ? renderer.cosine(l.angle)
                                              : renderer.tangent(l.angle);
        EXPECT_EQ(value, l.value) << l.function << "(" << l.angle << ")";
    }
}

struct AngleCase {
    int32_t y;
    int32_t x;
    int32_t angle;
};

TEST_F(TablesTest, AngleOfCountsAnEnlargedHalfTurn) {
    const AngleCase cases[] = {
        {0, 0, 0},    {0, 1, 0},        {1, 0, 16563},   {0, -1, 33127},    {-1, 0, -16563},
        {1, 1, 8281}, {-1, -1, -24845}, {50, 100, 4889}, {-50, 100, -4889}, {0, 1000, 0},
    };
    for (const AngleCase& c : cases) {
        EXPECT_EQ(renderer.angleOf(c.y, c.x), c.angle) << "angleOf(" << c.y << ", " << c.x << ")";
    }
    // Cut to an Angle, the half turn wraps past 32767.
    EXPECT_EQ(wrap16(renderer.angleOf(0, -1)), -32409);
}

struct DistanceCase {
    int32_t a;
    int32_t b;
    int32_t length;
};

TEST_F(TablesTest, DistanceIncludingTheNegativeLengthsNearAQuarterTurn) {
    const DistanceCase cases[] = {
        {3, 4, 5},        {-3, -4, 5},    {100, 100, 142},    {300, 400, 506}, {1000, 0, 1000},
        {-1000, 0, 1000}, {0, 7, 7},      {0, -7, 7},         {0, 0, 0},       {1, 58, 1310},
        {1, 59, -65536},  {1, 100, -144}, {10, 600, -655360}, {100, 50, 112},
    };
    for (const DistanceCase& c : cases) {
        EXPECT_EQ(renderer.distance(c.a, c.b), c.length)
            << "distance(" << c.a << ", " << c.b << ")";
    }
}

TEST_F(TablesTest, DistanceOfExtremeComponentsIsDefined) {
    // Only that these finish without undefined behaviour matters (the sanitizer build checks).
    renderer.distance(INT32_MIN, 1);
    renderer.distance(1, INT32_MIN);
    renderer.distance(INT32_MIN, INT32_MIN);
    EXPECT_EQ(renderer.distance(INT32_MAX, 0), INT32_MAX);
}

}  // namespace
}  // namespace brindle
