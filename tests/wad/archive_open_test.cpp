// Opening archives: result codes, the directory checks, lump look-up, palettes, lump streams.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/support/synthetic_wad.h"
#include "wad/wad_archive.h"

namespace brindle {
namespace {

using test::Bytes;
using test::SyntheticWad;
using test::TempFile;

struct OpenCase {
    const char* label;
    std::function<Bytes()> file;
    int32_t result;
    std::string errorFragment;  // "%s" stands for the quoted path
};

std::string withPath(std::string text, const std::string& path) {
    const size_t at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, "'" + path + "'");
    }
    return text;
}

class OpenResults : public testing::TestWithParam<OpenCase> {};

TEST_P(OpenResults, ResultAndErrorText) {
    const OpenCase& c = GetParam();
    TempFile file = test::writeTempFile(c.file());
    WadArchive archive;
    EXPECT_EQ(archive.open(file.path().c_str()), c.result);
    EXPECT_EQ(archive.loaded, c.result == resultOk ? 1 : 0);
    if (c.result == resultOk) {
        EXPECT_EQ(archive.errorText(), "");
    } else {
        EXPECT_EQ(archive.errorText(), withPath(c.errorFragment, file.path()));
        EXPECT_TRUE(archive.directory().empty());
        EXPECT_EQ(archive.loadLevel("E1M1"), resultCannotRead);
    }
}

Bytes headerOnly(const char* id, int32_t count, int32_t offset) {
    Bytes bytes(id, id + 4);
    test::appendInt32(bytes, count);
    test::appendInt32(bytes, offset);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Archive, OpenResults,
    testing::Values(
        OpenCase{"valid", [] { return SyntheticWad::smallValidArchive().bytes(); }, resultOk, ""},
        OpenCase{"empty file", [] { return Bytes{}; }, resultCannotRead,
                 "cannot read the header of %s: file is too short"},
        OpenCase{"eleven bytes", [] { return Bytes(11, 'I'); }, resultCannotRead,
                 "cannot read the header of %s: file is too short"},
        OpenCase{"PWAD", [] { return SyntheticWad().setIdentification("PWAD").bytes(); },
                 resultNotIwad, "%s is not an IWAD archive"},
        OpenCase{"one byte differs",
                 [] { return SyntheticWad().setIdentification("IWAd").bytes(); }, resultNotIwad,
                 "%s is not an IWAD archive"},
        OpenCase{"no lumps", [] { return headerOnly("IWAD", 0, 12); }, resultOk, ""},
        OpenCase{"negative count means no entries", [] { return headerOnly("IWAD", -5, 99999); },
                 resultOk, ""},
        OpenCase{"negative directory offset", [] { return headerOnly("IWAD", 1, -16); },
                 resultCannotRead, "%s: lump directory offset -16 is negative"},
        OpenCase{"directory past the end",
                 [] { return SyntheticWad().addMarker("E1M1").overrideLumpCount(2).bytes(); },
                 resultCannotRead,
                 "%s: lump directory (2 entries at offset 12) reaches past the end of the file "
                 "(28 bytes)"},
        OpenCase{"huge count", [] { return headerOnly("IWAD", 0x7FFFFFFF, 12); }, resultCannotRead,
                 "%s: lump directory (2147483647 entries at offset 12) reaches past the end of "
                 "the file (12 bytes)"}),
    [](const testing::TestParamInfo<OpenCase>& info) {
        std::string name = info.param.label;
        for (char& c : name) {
            c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

TEST(ArchiveOpen, MissingFileNamesTheFileAndTheSystemError) {
    WadArchive archive;
    EXPECT_EQ(archive.open("./x.wad"), resultCannotRead);
    EXPECT_EQ(archive.errorText(), "cannot open './x.wad': No such file or directory");
    EXPECT_EQ(archive.loaded, 0);
    EXPECT_EQ(archive.loadLevel(1, 1), resultCannotRead);
}

TEST(ArchiveOpen, DirectoryIsNotAnArchive) {
    WadArchive archive;
    EXPECT_EQ(archive.open("/tmp"), resultCannotRead);
    EXPECT_EQ(archive.errorText(), "cannot read the header of '/tmp': Is a directory");
}

TEST(ArchiveOpen, PathOfMoreThan255CharactersIsRefused) {
    const std::string longPath = "/tmp/" + std::string(251, 'a');  // 256 characters
    WadArchive archive;
    EXPECT_EQ(archive.open(longPath.c_str()), resultCannotRead);
    EXPECT_EQ(archive.errorText(), "archive path is longer than 255 characters");
    EXPECT_EQ(archive.path[0], '\0');
}

TEST(ArchiveOpen, ConstructorWithPathOpens) {
    TempFile file = SyntheticWad::smallValidArchive().writeTemp();
    WadArchive archive(file.path().c_str());
    EXPECT_EQ(archive.loaded, 1);
    EXPECT_EQ(std::string(archive.path.data()), file.path());
    EXPECT_EQ(archive.lumpCount, 16);
    EXPECT_EQ(archive.directory().size(), 16u);
}

TEST(ArchiveOpen, SecondOpenReleasesWhatTheFirstRead) {
    TempFile full = SyntheticWad::smallValidArchive().writeTemp();
    TempFile bare = SyntheticWad().addMarker("E1M1").writeTemp();
    WadArchive archive;
    ASSERT_EQ(archive.open(full.path().c_str()), resultOk);
    ASSERT_EQ(archive.loadLevel("E1M1"), resultOk);
    ASSERT_EQ(archive.open(bare.path().c_str()), resultOk);
    EXPECT_EQ(archive.textureCount, 0);
    EXPECT_TRUE(archive.textures.empty());
    EXPECT_TRUE(archive.patchNames.empty());
    EXPECT_TRUE(archive.vertices.empty());
    EXPECT_TRUE(archive.nodes.empty());
    EXPECT_EQ(archive.palettes[0][3], 0);
    EXPECT_EQ(archive.directory().size(), 1u);
    int16_t w = 0;
    int16_t h = 0;
    EXPECT_EQ(archive.findTexture("WALL", &w, &h), nullptr);
    // A failed open leaves nothing behind either.
    ASSERT_EQ(archive.open(full.path().c_str()), resultOk);
    EXPECT_EQ(archive.open("/nonexistent/x.wad"), resultCannotRead);
    EXPECT_EQ(archive.loaded, 0);
    EXPECT_TRUE(archive.textures.empty());
    EXPECT_TRUE(archive.directory().empty());
}

// findLump answers from the directory: exact, case-sensitive, at most 8 characters, the
// first of several entries of the same name, and never a lump the file cannot hold.
TEST(FindLump, Semantics) {
    SyntheticWad wad;
    wad.addLump("TWICE", Bytes(3, 1))
        .addLump("TWICE", Bytes(5, 2))
        .addLump("EIGHTCHR", Bytes(8, 3))
        .addMarker("E1M1")
        .addRawEntry("PASTEND", 20, 100000)
        .addRawEntry("NEGSIZE", 12, -4)
        .addRawEntry("NEGPOS", -1, 4)
        .addRawEntry("LATER", 5000, 4)
        .addLump("LATER", Bytes(7, 4))
        .addLump("", Bytes(2, 5));  // a name of eight NULs is a name too
    for (int i = 0; i < 40; ++i) {  // enough names for the index to grow more than once
        wad.addLump("MANY" + std::to_string(i), Bytes(static_cast<size_t>(i + 1), 6));
    }
    TempFile file = wad.writeTemp();
    WadArchive archive;
    ASSERT_EQ(archive.open(file.path().c_str()), resultOk);

    struct Case {
        const char* name;
        int32_t result;
        int32_t size;
    };
    const Case cases[] = {
        {"TWICE", 1, 3},      {"twice", 0, -7},  {"TWIC", 0, -7},    {"EIGHTCHR", 1, 8},
        {"EIGHTCHRX", 0, -7}, {"E1M1", 1, 0},    {"PASTEND", 0, -7}, {"NEGSIZE", 0, -7},
        {"NEGPOS", 0, -7},    {"LATER", 1, 7},   {"", 1, 2},         {"ABSENT", 0, -7},
        {"MANY0", 1, 1},      {"MANY39", 1, 40}, {"MANY40", 0, -7},
    };
    for (const Case& c : cases) {
        int32_t size = -7;
        EXPECT_EQ(archive.findLump(c.name, &size), c.result) << c.name;
        EXPECT_EQ(size, c.size) << c.name;
    }
    EXPECT_EQ(archive.findLump("TWICE"), resultOk);  // the size output is optional
    EXPECT_EQ(archive.directory().size(), 50u);      // every entry is still listed
}

TEST(Palettes, ReadAsStoredAndConvertedToAColourTable) {
    SyntheticWad wad;
    Bytes palette = test::playpalLump();
    palette[3] = 10;  // palette 0, entry 1: red 10, green 20, blue 30
    palette[4] = 20;
    palette[5] = 30;
    wad.addLump("PLAYPAL", palette).addLump("COLORMAP", test::colormapLump());
    TempFile file = wad.writeTemp();
    WadArchive archive;
    ASSERT_EQ(archive.open(file.path().c_str()), resultOk);
    EXPECT_EQ(archive.palettes[0][0], palette[0]);
    EXPECT_EQ(archive.palettes[13][767], palette.back());
    EXPECT_EQ(archive.palettes[7][3 * 200 + 2], 7);
    EXPECT_EQ(archive.colorMaps[33][255], (255 + 33) & 0xFF);
    const auto table = archive.paletteColorTable();
    EXPECT_EQ(table[4], 30);
    EXPECT_EQ(table[5], 20);
    EXPECT_EQ(table[6], 10);
    EXPECT_EQ(table[7], 0);
    EXPECT_EQ(table[255 * 4 + 2], 255);  // red of entry 255
}

TEST(Palettes, ShortLumpFillsWhatItHoldsAndMissingLumpsStayZero) {
    Bytes shortPalette = test::playpalLump();
    shortPalette.resize(800);  // palette 0 and 32 bytes of palette 1
    TempFile file = SyntheticWad().addLump("PLAYPAL", shortPalette).writeTemp();
    WadArchive archive;
    ASSERT_EQ(archive.open(file.path().c_str()), resultOk);
    EXPECT_EQ(archive.palettes[1][31], shortPalette[799]);
    EXPECT_EQ(archive.palettes[1][32], 0);
    EXPECT_EQ(archive.palettes[13][767], 0);
    EXPECT_EQ(archive.colorMaps[0][5], 0);
}

// Reads in file order skip their seeks, so a read must still land where it was asked to after
// a short read at the end, after a backward move, and with or without the stream's buffer.
TEST(LumpStreams, EveryReadStartsWhereItWasAsked) {
    Bytes bytes(100);
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(i);
    }
    TempFile file = test::writeTempFile(bytes);
    struct Read {
        int64_t at;
        size_t count;
        size_t got;
    };
    const Read reads[] = {{0, 12, 12}, {12, 30, 30}, {42, 8, 8},   {90, 20, 10},
                          {100, 4, 0}, {95, 5, 5},   {10, 10, 10}, {20, 1, 1}};
    for (const bool buffered : {false, true}) {
        FileStream in = openLumpStream(file.path(), buffered);
        ASSERT_TRUE(in);
        for (const Read& read : reads) {
            SCOPED_TRACE(testing::Message() << "buffered " << buffered << ", at " << read.at);
            ASSERT_TRUE(seekTo(in.get(), read.at));
            uint8_t got[32] = {};
            ASSERT_EQ(std::fread(got, 1, read.count, in.get()), read.got);
            for (size_t i = 0; i < read.got; ++i) {
                EXPECT_EQ(got[i], bytes[static_cast<size_t>(read.at) + i]);
            }
        }
    }
    EXPECT_FALSE(openLumpStream(file.path() + ".absent"));
}

}  // namespace
}  // namespace brindle
