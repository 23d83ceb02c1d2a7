// The PNG writer: an 8-bit palettised picture with the given palette, never a partial file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "tests/video/picture_files.h"
#include "video/png_writer.h"

namespace brindle {
namespace {

using Bytes = std::vector<uint8_t>;
using test::readWholeFile;
using test::ScratchFolder;

uint32_t big32(const Bytes& b, size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) |
           b[at + 3];
}

// The data of the first chunk of that type, or nothing.
Bytes chunk(const Bytes& png, const char* type) {
    size_t at = 8;  // after the signature
    while (at + 12 <= png.size()) {
        const uint32_t length = big32(png, at);
        if (at + 12 + length > png.size()) {
            break;
        }
        if (std::equal(type, type + 4, png.begin() + static_cast<long>(at) + 4)) {
            return Bytes(png.begin() + static_cast<long>(at) + 8,
                         png.begin() + static_cast<long>(at + 8 + length));
        }
        at += 12 + length;
    }
    return {};
}

class PngWriter : public ::testing::Test {
  protected:
    ScratchFolder folder;
    Bytes palette = test::syntheticPalette(0);
    Bytes picture = test::variedPicture(640, 400);
};

TEST_F(PngWriter, WritesAnEightBitPalettisedPictureWithTheWholePalette) {
    const std::string file = folder.path("shot.png");
    std::string error;
    ASSERT_TRUE(writePng(file.c_str(), picture.data(), 640, 400, palette.data(), error)) << error;
    const Bytes png = readWholeFile(file);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(Bytes(png.begin(), png.begin() + 8),
              (Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
    const Bytes header = chunk(png, "IHDR");
    ASSERT_EQ(header.size(), 13u);
    EXPECT_EQ(big32(header, 0), 640u);
    EXPECT_EQ(big32(header, 4), 400u);
    EXPECT_EQ(header[8], 8);  // bit depth
    EXPECT_EQ(header[9], 3);  // colour type: palette
    EXPECT_EQ(chunk(png, "PLTE"), palette);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"shot.png"});
}

TEST_F(PngWriter, FolderThatDoesNotExistIsAFailureThatNamesTheFile) {
    const std::string file = folder.path("missing/shot.png");
    std::string error;
    EXPECT_FALSE(writePng(file.c_str(), picture.data(), 640, 400, palette.data(), error));
    EXPECT_NE(error.find(file), std::string::npos) << error;
    EXPECT_TRUE(folder.names().empty());
}

TEST_F(PngWriter, TargetThatCannotBeReplacedIsAFailureAndKeepsWhatIsThere) {
    const std::string target = folder.path("shot.png");
    std::filesystem::create_directory(target);
    std::ofstream(folder.path("shot.png/keep")) << "kept";
    std::string error;
    EXPECT_FALSE(writePng(target.c_str(), picture.data(), 640, 400, palette.data(), error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(std::filesystem::is_directory(target));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"shot.png"});
}

TEST_F(PngWriter, FailedWriteLeavesThePreviousPictureIntact) {
    const std::string file = folder.path("shot.png");
    const Bytes plain(640 * 400, 0);
    std::string error;
    ASSERT_TRUE(writePng(file.c_str(), plain.data(), 640, 400, palette.data(), error)) << error;
    const Bytes previousFile = readWholeFile(file);

    bool written;
    {
        // Well under what the varied picture compresses to.
        test::FileSizeLimit limit(previousFile.size() + 100);
        ASSERT_TRUE(limit.active);
        written = writePng(file.c_str(), picture.data(), 640, 400, palette.data(), error);
    }
    EXPECT_FALSE(written);
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    EXPECT_EQ(readWholeFile(file), previousFile);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"shot.png"});
}

TEST_F(PngWriter, EmptyPictureIsRefused) {
    std::string error;
    const std::string file = folder.path("shot.png");
    EXPECT_FALSE(writePng(file.c_str(), picture.data(), 0, 400, palette.data(), error));
    EXPECT_FALSE(writePng(file.c_str(), nullptr, 640, 400, palette.data(), error));
    EXPECT_TRUE(folder.names().empty());
}

}  // namespace
}  // namespace brindle
