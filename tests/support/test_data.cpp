#include "tests/support/test_data.h"

#include <cstdlib>
#include <filesystem>

namespace brindle::test {

namespace {
std::string existing(const char* name) {
    std::filesystem::path dir = "/usr/share/games/doom";
    if (const char* env = std::getenv("BRINDLE_FREEDOOM_DIR")) {
        dir = env;
    }
    std::filesystem::path p = dir / name;
    return std::filesystem::exists(p) ? p.string() : std::string();
}
}  // namespace

std::string freedoom1Path() {
    return existing("freedoom1.wad");
}
std::string freedoom2Path() {
    return existing("freedoom2.wad");
}

}  // namespace brindle::test
