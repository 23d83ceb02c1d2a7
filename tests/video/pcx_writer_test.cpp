// The PCX screenshot writer: the exact bytes it writes, and that a failed save loses nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "tests/video/picture_files.h"
#include "wad/wad_archive.h"

namespace brindle {
namespace {

using Bytes = std::vector<uint8_t>;
using test::readWholeFile;
using test::ScratchFolder;

constexpr size_t headerBytes = 128;
constexpr size_t trailerBytes = 1 + 768;

Bytes repeated(uint8_t value, size_t count) {
    return Bytes(count, value);
}

Bytes joined(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes alternating(uint8_t first, uint8_t second, size_t count) {
    Bytes line(count);
    for (size_t i = 0; i < count; ++i) {
        line[i] = i % 2 == 0 ? first : second;
    }
    return line;
}

// A 640-pixel line of one value below 0xC0: ten runs of 63 and one of 10.
Bytes uniformLine(uint8_t value) {
    Bytes runs;
    for (int i = 0; i < 10; ++i) {
        runs.insert(runs.end(), {0xFF, value});
    }
    runs.insert(runs.end(), {0xCA, value});
    return runs;
}

class PcxWriter : public ::testing::Test {
  protected:
    PcxWriter() {
        const Bytes palette = test::syntheticPalette(0);
        std::copy(palette.begin(), palette.end(), archive.palettes[0].begin());
        // Another palette, which must never reach the file.
        const Bytes other = test::syntheticPalette(99);
        std::copy(other.begin(), other.end(), archive.palettes[13].begin());
    }

    // Writes the picture and returns the whole file, or nothing when writePcx failed.
    Bytes save(const Bytes& pixels, int32_t width, int32_t height) {
        const std::string file = folder.path("shot.pcx");
        if (archive.writePcx(file.c_str(), pixels.data(), width, height) != 1) {
            return {};
        }
        return readWholeFile(file);
    }

    static Bytes imageData(const Bytes& file) {
        if (file.size() < headerBytes + trailerBytes) {
            return {};
        }
        return Bytes(file.begin() + headerBytes, file.end() - trailerBytes);
    }

    WadArchive archive;
    ScratchFolder folder;
};

TEST_F(PcxWriter, AllZeroFrameIsTenLongRunsAndOneShortRunPerLine) {
    const Bytes file = save(Bytes(640 * 400, 0), 640, 400);
    ASSERT_EQ(file.size(), 9697u);
    const Bytes line = uniformLine(0);
    Bytes expected;
    for (int row = 0; row < 400; ++row) {
        expected.insert(expected.end(), line.begin(), line.end());
    }
    EXPECT_EQ(imageData(file), expected);
}

TEST_F(PcxWriter, HeaderDescribesA640By400Picture) {
    const Bytes file = save(Bytes(640 * 400, 3), 640, 400);
    ASSERT_GE(file.size(), headerBytes);
    const Bytes start(file.begin(), file.begin() + 16);
    EXPECT_EQ(start, (Bytes{0x0A, 0x05, 0x01, 0x08, 0x00, 0x00, 0x00, 0x00, 0x7F, 0x02, 0x8F, 0x01,
                            0x80, 0x02, 0x90, 0x01}));
    EXPECT_EQ(Bytes(file.begin() + 65, file.begin() + 70), (Bytes{0x01, 0x80, 0x02, 0x01, 0x00}));
    // The 16-colour palette, the reserved byte and the filler stay zero.
    EXPECT_EQ(Bytes(file.begin() + 16, file.begin() + 65), repeated(0, 49));
    EXPECT_EQ(Bytes(file.begin() + 70, file.begin() + 128), repeated(0, 58));
}

TEST_F(PcxWriter, TrailerIsTheMarkerAndPaletteZeroAsStored) {
    const Bytes file = save(test::variedPicture(640, 400), 640, 400);
    ASSERT_GE(file.size(), headerBytes + trailerBytes);
    EXPECT_EQ(file[file.size() - trailerBytes], 0x0C);
    const Bytes palette(file.end() - 768, file.end());
    EXPECT_EQ(palette, Bytes(archive.palettes[0].begin(), archive.palettes[0].end()));
}

struct EncodingCase {
    const char* name;
    int32_t width;
    int32_t height;
    Bytes pixels;
    Bytes expected;
};

void PrintTo(const EncodingCase& c, std::ostream* os) {
    *os << c.name;
}

class PcxEncoding : public PcxWriter, public ::testing::WithParamInterface<EncodingCase> {};

TEST_P(PcxEncoding, EncodesAsExpected) {
    const EncodingCase& c = GetParam();
    ASSERT_EQ(c.pixels.size(), static_cast<size_t>(c.width) * c.height);
    EXPECT_EQ(imageData(save(c.pixels, c.width, c.height)), c.expected);
}

// Line 0 of the width-640 cases alternates 1 and 2, which encodes as the same 640 bytes.
const Bytes plainLine = alternating(1, 2, 640);

INSTANTIATE_TEST_SUITE_P(
    Cases, PcxEncoding,
    ::testing::Values(
        EncodingCase{"TwoEqualNeighboursFormARun", 4, 1, {5, 5, 7, 8}, {0xC2, 5, 7, 8}},
        EncodingCase{"LoneC0IsARunOfOne", 3, 1, {1, 0xC0, 2}, {1, 0xC1, 0xC0, 2}},
        EncodingCase{"LoneFFIsARunOfOne", 3, 1, {1, 0xFF, 2}, {1, 0xC1, 0xFF, 2}},
        EncodingCase{"LoneBFStaysPlain", 3, 1, {1, 0xBF, 2}, {1, 0xBF, 2}},
        EncodingCase{"RunOfHighValues", 3, 1, {0xC5, 0xC5, 0xC5}, {0xC3, 0xC5}},
        EncodingCase{"SixtyThreeEqualPixels", 63, 1, repeated(7, 63), {0xFF, 7}},
        EncodingCase{"SixtyFourEqualPixelsThenAnother",
                     65,
                     1,
                     joined({repeated(7, 64), {8}}),
                     {0xFF, 7, 7, 8}},
        EncodingCase{"SixtyFourEqualHighPixelsThenAnother",
                     65,
                     1,
                     joined({repeated(0xD0, 64), {8}}),
                     {0xFF, 0xD0, 0xC1, 0xD0, 8}},
        EncodingCase{"HundredTwentySixEqualPixels", 126, 1, repeated(7, 126), {0xFF, 7, 0xFF, 7}},
        EncodingCase{"RunsNeverCrossALine", 4, 2, repeated(6, 8), {0xC4, 6, 0xC4, 6}},
        EncodingCase{
            "LastPixelOfALineNeverStartsARun", 3, 2, {1, 2, 3, 3, 4, 5}, {1, 2, 3, 3, 4, 5}},
        EncodingCase{"AlternatingLineIsAllSingleBytes", 640, 1, plainLine, plainLine},
        EncodingCase{"LastTwoPixelsOfALineFormARun", 640, 1,
                     joined({alternating(1, 2, 638), {9, 9}}),
                     joined({alternating(1, 2, 638), {0xC2, 9}})},
        EncodingCase{"LastPixelEqualToFirstOfNextLine", 640, 2,
                     joined({plainLine, alternating(2, 1, 640)}),
                     joined({plainLine, alternating(2, 1, 640)})},
        EncodingCase{"RunEndsAtTheLineAndTheNextLineStartsAfresh", 640, 2,
                     joined({alternating(1, 2, 600), repeated(4, 40), repeated(4, 640)}),
                     joined({alternating(1, 2, 600), {0xE8, 4}, uniformLine(4)})}),
    [](const ::testing::TestParamInfo<EncodingCase>& info) { return info.param.name; });

TEST_F(PcxWriter, EveryEncodedByteIsACountPairOrAPlainValue) {
    const Bytes data = imageData(save(test::variedPicture(640, 400), 640, 400));
    ASSERT_FALSE(data.empty());
    size_t decoded = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        if (data[i] >= 0xC0) {
            const int count = data[i] - 0xC0;
            ASSERT_GE(count, 1) << "at byte " << i;
            ASSERT_LT(i + 1, data.size());
            decoded += static_cast<size_t>(count);
            ++i;
        } else {
            ++decoded;
        }
    }
    EXPECT_EQ(decoded, 640u * 400u);
}

TEST_F(PcxWriter, ASecondSaveReplacesTheFirst) {
    const std::string file = folder.path("shot.pcx");
    const Bytes first = test::variedPicture(640, 400);
    ASSERT_EQ(archive.writePcx(file.c_str(), first.data(), 640, 400), 1);
    const Bytes firstFile = readWholeFile(file);
    const Bytes second(640 * 400, 0);
    ASSERT_EQ(archive.writePcx(file.c_str(), second.data(), 640, 400), 1);
    const Bytes secondFile = readWholeFile(file);
    EXPECT_EQ(secondFile.size(), 9697u);
    EXPECT_NE(secondFile, firstFile);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"shot.pcx"});
}

TEST_F(PcxWriter, FolderThatDoesNotExistIsAFailureAndWritesNothing) {
    const std::string file = folder.path("missing/shot.pcx");
    const Bytes pixels(640 * 400, 0);
    EXPECT_EQ(archive.writePcx(file.c_str(), pixels.data(), 640, 400), -1);
    EXPECT_TRUE(folder.names().empty());
}

TEST_F(PcxWriter, TargetThatCannotBeReplacedIsAFailureAndKeepsWhatIsThere) {
    // A non-empty folder where the picture should go: no rename can replace it.
    const std::string target = folder.path("shot.pcx");
    std::filesystem::create_directory(target);
    std::ofstream(folder.path("shot.pcx/keep")) << "kept";
    const Bytes pixels(640 * 400, 0);
    EXPECT_EQ(archive.writePcx(target.c_str(), pixels.data(), 640, 400), -1);
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_EQ(readWholeFile(folder.path("shot.pcx/keep")), (Bytes{'k', 'e', 'p', 't'}));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"shot.pcx"});  // no partial file left
}

TEST_F(PcxWriter, FailedWriteLeavesThePreviousScreenshotIntact) {
    const std::string file = folder.path("shot.pcx");
    const Bytes previous(640 * 400, 0);
    ASSERT_EQ(archive.writePcx(file.c_str(), previous.data(), 640, 400), 1);
    const Bytes previousFile = readWholeFile(file);

    // The varied picture encodes to far more than 20000 bytes, so its save fails mid-way.
    const Bytes next = test::variedPicture(640, 400);
    int32_t result;
    {
        test::FileSizeLimit limit(20000);
        ASSERT_TRUE(limit.active);
        result = archive.writePcx(file.c_str(), next.data(), 640, 400);
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(readWholeFile(file), previousFile);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"shot.pcx"});
}

TEST_F(PcxWriter, SizesTheHeaderCannotHoldAreRefused) {
    const Bytes pixels(16, 0);
    const std::string file = folder.path("shot.pcx");
    EXPECT_EQ(archive.writePcx(file.c_str(), pixels.data(), 0, 16), -1);
    EXPECT_EQ(archive.writePcx(file.c_str(), pixels.data(), 16, -1), -1);
    EXPECT_EQ(archive.writePcx(file.c_str(), pixels.data(), 0x10000, 1), -1);
    EXPECT_EQ(archive.writePcx(file.c_str(), nullptr, 4, 4), -1);
    EXPECT_TRUE(folder.names().empty());
}

}  // namespace
}  // namespace brindle
