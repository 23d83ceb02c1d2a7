// The real archives of the freedoom package.
#include <gtest/gtest.h>

#include "tests/support/test_data.h"
#include "wad/wad_archive.h"

namespace brindle {
namespace {

TEST(Freedoom, Probe) {
    const std::string path = test::freedoom1Path();
    BRINDLE_REQUIRE_ARCHIVE(path);
    WadArchive archive(path.c_str());
    for (size_t i = 0; i < archive.textures.size(); i += 97) {
        printf("%zu %s %d %d\n", i, archive.textures[i].name, archive.textures[i].width, archive.textures[i].height);
    }
}

}  // namespace
}  // namespace brindle
