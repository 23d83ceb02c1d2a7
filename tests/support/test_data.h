// Where the real archives of Debian's freedoom package live.
#pragma once

#include <string>

namespace brindle::test {

// Path of freedoom1.wad / freedoom2.wad, or an empty string when the package is absent.
std::string freedoom1Path();
std::string freedoom2Path();

}  // namespace brindle::test

// Skips the current test with a clear message when the archive is absent.
#define BRINDLE_REQUIRE_ARCHIVE(path)                                                 \
    do {                                                                              \
        if ((path).empty()) {                                                         \
            GTEST_SKIP() << "freedoom package not installed "                         \
                            "(/usr/share/games/doom); run the README's test command"; \
        }                                                                             \
    } while (0)
