// What we write, read back by an independent decoder (ImageMagick): every pixel must come out
// as its palette-0 colour.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/video/picture_files.h"
#include "video/png_writer.h"
#include "wad/wad_archive.h"

namespace brindle {
namespace {

using Bytes = std::vector<uint8_t>;

class PictureDecoding : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::string(BRINDLE_CONVERT).empty()) {
            GTEST_SKIP() << "ImageMagick's convert is not installed (Debian package imagemagick)";
        }
        std::copy(palette.begin(), palette.end(), archive.palettes[0].begin());
        const Bytes other = test::syntheticPalette(99);
        std::copy(other.begin(), other.end(), archive.palettes[1].begin());
    }

    void expectDecodesToPaletteZero(const std::string& file) {
        std::string size;
        const Bytes rgb = test::decodeWithConvert(BRINDLE_CONVERT, file, size);
        EXPECT_EQ(size, "640x400");
        ASSERT_EQ(rgb.size(), picture.size() * 3);
        EXPECT_EQ(test::firstWrongColour(rgb, picture, palette.data()), -1);
    }

    test::ScratchFolder folder;
    WadArchive archive;
    Bytes palette = test::syntheticPalette(0);
    Bytes picture = test::variedPicture(640, 400);
};

TEST_F(PictureDecoding, PcxDecodesToTheFrameInPaletteZero) {
    const std::string file = folder.path("shot.pcx");
    ASSERT_EQ(archive.writePcx(file.c_str(), picture.data(), 640, 400), 1);
    expectDecodesToPaletteZero(file);
}

TEST_F(PictureDecoding, PngDecodesToTheFrameInPaletteZero) {
    const std::string file = folder.path("shot.png");
    std::string error;
    ASSERT_TRUE(writePng(file.c_str(), picture.data(), 640, 400, palette.data(), error)) << error;
    expectDecodesToPaletteZero(file);
}

}  // namespace
}  // namespace brindle
