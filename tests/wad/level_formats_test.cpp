// The level formats' readers on their own: TEXTMAP text to records, the things' skill and
// single-player bits in every format, and the real archives' maps written as TEXTMAP.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <tuple>

#include "tests/support/map_conversion.h"
#include "tests/support/test_data.h"
#include "wad/formats/binary_maps.h"
#include "wad/formats/udmf_level.h"

namespace brindle {
namespace {

LevelLump lumpOf(const std::string& text) {
    LevelLump lump;
    lump.present = true;
    lump.bytes.assign(text.begin(), text.end());
    return lump;
}
LevelLump lumpOf(const test::Bytes& bytes) {
    LevelLump lump;
    lump.present = true;
    lump.bytes.assign(bytes.begin(), bytes.end());
    return lump;
}

std::string name8(const char* name) {
    return std::string(name, strnlen(name, 8));
}

struct TextMapCase {
    const char* label;
    std::string text;
    std::function<void(const MapRecords&)> check;
};

TEST(TextMap, BlocksBecomeRecordsInTheirOrder) {
    const TextMapCase cases[] = {
        {"every key read, comments, escapes and case",
         "namespace = \"zdoom\"; // any namespace\n"
         "VERTEX { X = 64.75; y = -0.5; }\n"
         "vertex { x = 0x10; y = 010; /* decimal */ y = 1e2; }\n"
         "linedef { v1 = 0; v2 = 1; sidefront = 0; sideback = 65535; twosided = TRUE;\n"
         "          secret = true; dontdraw = true; blocking = true; special = 80; }\n"
         "sidedef { offsetx = -3.5; offsety = 7; texturetop = \"st\\\"ar\\\\t\";\n"
         "          texturebottom = \"\"; texturemiddle = \"\xE9t\xE9\"; sector = 0; }\n"
         "sector { heightfloor = -8; heightceiling = 1.5E2; texturefloor = \"flat5_4\";\n"
         "         textureceiling = \"F_SKY1\"; lightlevel = 255; }\n"
         "thing { x = -1.25; y = 2; angle = 270; type = 3004; skill1 = true;\n"
         "        skill3 = true; skill5 = true; single = true; skill3 = false; }\n"
         "unknownblock { x = \"anything\"; k = keyword; }\n",
         [](const MapRecords& m) {
             ASSERT_EQ(m.vertices.size(), 2u);
             EXPECT_EQ(m.vertices[0].x, 64);
             EXPECT_EQ(m.vertices[0].y, -1);  // rounded down
             EXPECT_EQ(m.vertices[1].x, 16);
             EXPECT_EQ(m.vertices[1].y, 100);  // the last assignment wins
             ASSERT_EQ(m.linedefs.size(), 1u);
             const Linedef& l = m.linedefs[0];
             EXPECT_EQ(l.endVertex, 1);
             EXPECT_EQ(l.leftSidedef, noRecord);
             EXPECT_EQ(l.flags, 4 | 32 | 128);
             EXPECT_EQ(l.special, 0);
             ASSERT_EQ(m.sidedefs.size(), 1u);
             const Sidedef& s = m.sidedefs[0];
             EXPECT_EQ(s.xOffset, -4);
             EXPECT_EQ(s.yOffset, 7);
             EXPECT_EQ(name8(s.upperTexture), "ST\"AR\\T");
             EXPECT_EQ(name8(s.lowerTexture), "");
             EXPECT_EQ(name8(s.middleTexture), "\xE9T\xE9");  // Latin-1 kept, ASCII upper-cased
             ASSERT_EQ(m.sectors.size(), 1u);
             EXPECT_EQ(m.sectors[0].floorHeight, -8);
             EXPECT_EQ(m.sectors[0].ceilingHeight, 150);
             EXPECT_EQ(name8(m.sectors[0].floorFlat), "FLAT5_4");
             EXPECT_EQ(m.sectors[0].lightLevel, 255);
             ASSERT_EQ(m.things.size(), 1u);
             EXPECT_EQ(m.things[0].x, -2);
             EXPECT_EQ(m.things[0].angle, 270);
             EXPECT_EQ(m.things[0].type, 3004);
             EXPECT_EQ(m.things[0].skills, 0b10001);
             EXPECT_TRUE(m.things[0].singlePlayer);
         }},
        {"defaults",
         "linedef{v1=-1;v2=65535;sidefront=2;}sidedef{sector=-1;}"
         "sector{texturefloor=\"A\";textureceiling=\"B\";}thing{x=0;y=0;type=1;}",
         [](const MapRecords& m) {
             EXPECT_EQ(m.linedefs[0].startVertex, noRecord);  // for the level check to refuse
             EXPECT_EQ(m.linedefs[0].endVertex, noRecord);
             EXPECT_EQ(m.linedefs[0].leftSidedef, noRecord);
             EXPECT_EQ(m.linedefs[0].flags, 0);
             EXPECT_EQ(m.sidedefs[0].sector, noRecord);
             EXPECT_EQ(m.sidedefs[0].xOffset, 0);
             EXPECT_EQ(name8(m.sidedefs[0].middleTexture), "-");
             EXPECT_EQ(name8(m.sidedefs[0].upperTexture), "-");
             EXPECT_EQ(m.sectors[0].floorHeight, 0);
             EXPECT_EQ(m.sectors[0].lightLevel, 160);
             EXPECT_EQ(m.things[0].angle, 0);
             EXPECT_EQ(m.things[0].skills, 0);
             EXPECT_FALSE(m.things[0].singlePlayer);
         }},
        {"an empty text", "  // nothing\n/* at all */",
         [](const MapRecords& m) { EXPECT_TRUE(m.vertices.empty() && m.things.empty()); }},
    };
    for (const TextMapCase& c : cases) {
        SCOPED_TRACE(c.label);
        MapRecords records;
        ASSERT_EQ(readTextMap(lumpOf(c.text), records), "");
        c.check(records);
    }
}

// Skills 1 to 5 and the single-player mode, as each format stores them.
TEST(ThingBits, AreTheSameInEveryFormat) {
    struct Case {
        LevelFormat format;
        int16_t flags;            // Doom or Hexen flags
        const char* textMapKeys;  // UDMF
        uint8_t skills;
        bool singlePlayer;
    };
    const Case cases[] = {
        {LevelFormat::doom, 0x0001, nullptr, 0b00011, true},
        {LevelFormat::doom, 0x0002, nullptr, 0b00100, true},
        {LevelFormat::doom, 0x0004 | 0x0008, nullptr, 0b11000, true},
        {LevelFormat::doom, 0x0017, nullptr, 0b11111, false},
        {LevelFormat::hexen, 0x0101, nullptr, 0b00011, true},
        {LevelFormat::hexen, 0x0606, nullptr, 0b11100, false},
        {LevelFormat::hexen, 0x0010, nullptr, 0, false},
        {LevelFormat::udmf, 0, "skill2 = true; single = true;", 0b00010, true},
        {LevelFormat::udmf, 0, "skill4 = true; skill1 = true; single = false;", 0b01001, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        MapRecords records;
        if (c.format == LevelFormat::udmf) {
            ASSERT_EQ(readTextMap(lumpOf(std::string("thing { x = 1; y = 2; type = 3; ") +
                                         c.textMapKeys + " }"),
                                  records),
                      "");
        } else {
            const LevelLump things =
                lumpOf(c.format == LevelFormat::hexen
                           ? test::hexenThingRecord(1, 2, 0, 3, c.flags)
                           : test::recordBytes(std::vector<Thing>{Thing{1, 2, 0, 3, c.flags}}));
            readBinaryMap({&things, nullptr, nullptr, nullptr, nullptr}, c.format, records);
        }
        ASSERT_EQ(records.things.size(), 1u);
        EXPECT_EQ(records.things[0].x, 1);
        EXPECT_EQ(records.things[0].y, 2);
        EXPECT_EQ(records.things[0].type, 3);
        EXPECT_EQ(records.things[0].skills, c.skills);
        EXPECT_EQ(records.things[0].singlePlayer, c.singlePlayer);
    }
}

// Every map of both archives written as TEXTMAP (defaults left out, as editors write them)
// reads back as the records of the Doom-format original, less what UDMF does not carry over.
TEST(TextMap, RealMapsReadBackAsTheirDoomRecords) {
    size_t maps = 0;
    for (const std::string& path : {test::freedoom1Path(), test::freedoom2Path()}) {
        BRINDLE_REQUIRE_ARCHIVE(path);
        const std::vector<test::NamedLump> lumps = test::readWadLumps(path);
        for (size_t i = 0; i + 10 < lumps.size(); ++i) {
            if (lumps[i + 1].name != "THINGS" || lumps[i + 2].name != "LINEDEFS") {
                continue;
            }
            SCOPED_TRACE(lumps[i].name);
            ++maps;
            const std::vector<test::NamedLump> doom = test::doomMapLumps(lumps, lumps[i].name);
            LevelLump binary[5];
            for (size_t k = 0; k < 5; ++k) {
                binary[k] = lumpOf(doom[std::array<size_t, 5>{0, 1, 2, 3, 7}[k]].data);
            }
            MapRecords expected;
            readBinaryMap({&binary[0], &binary[1], &binary[2], &binary[3], &binary[4]},
                          LevelFormat::doom, expected);
            MapRecords read;
            ASSERT_EQ(readTextMap(lumpOf(test::textMapOf(doom)), read), "");
            ASSERT_EQ(read.vertices.size(), expected.vertices.size());
            ASSERT_EQ(read.linedefs.size(), expected.linedefs.size());
            ASSERT_EQ(read.sidedefs.size(), expected.sidedefs.size());
            ASSERT_EQ(read.sectors.size(), expected.sectors.size());
            ASSERT_EQ(read.things.size(), expected.things.size());
            for (size_t v = 0; v < read.vertices.size(); ++v) {
                EXPECT_EQ(read.vertices[v].x, expected.vertices[v].x);
                EXPECT_EQ(read.vertices[v].y, expected.vertices[v].y);
            }
            for (size_t l = 0; l < read.linedefs.size(); ++l) {
                const Linedef& a = read.linedefs[l];
                const Linedef& b = expected.linedefs[l];
                EXPECT_EQ(std::tuple(a.startVertex, a.endVertex, a.flags, a.special, a.tag,
                                     a.rightSidedef, a.leftSidedef),
                          std::tuple(b.startVertex, b.endVertex, b.flags & (4 | 32 | 128), 0, 0,
                                     b.rightSidedef, b.leftSidedef));
            }
            EXPECT_EQ(0, std::memcmp(read.sidedefs.data(), expected.sidedefs.data(),
                                     read.sidedefs.size() * sizeof(Sidedef)));
            for (size_t s = 0; s < read.sectors.size(); ++s) {
                expected.sectors[s].special = expected.sectors[s].tag = 0;
                EXPECT_EQ(0, std::memcmp(&read.sectors[s], &expected.sectors[s], sizeof(Sector)));
            }
            for (size_t t = 0; t < read.things.size(); ++t) {
                const Thing& a = read.things[t];
                const Thing& b = expected.things[t];
                EXPECT_EQ(std::tuple(a.x, a.y, a.angle, a.type, a.skills, a.singlePlayer),
                          std::tuple(b.x, b.y, b.angle, b.type, b.skills, b.singlePlayer));
            }
        }
    }
    EXPECT_EQ(maps, 36u + 32u);
}

}  // namespace
}  // namespace brindle
