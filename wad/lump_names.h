// Names as the archive stores them: 8 bytes, NUL-padded, unterminated when 8 long.
#pragma once

#include <cstring>
#include <string>

namespace brindle {

// The name up to its first NUL, at most 8 characters.
inline std::string lumpName(const char* stored) {
    const void* nul = std::memchr(stored, 0, 8);
    const size_t length = nul ? static_cast<size_t>(static_cast<const char*>(nul) - stored) : 8;
    return std::string(stored, length);
}

// A level marker name: "ExMy" or "MAPxx", with digits.
inline bool isMapName(const std::string& name) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (name.size() == 4) {
        return name[0] == 'E' && digit(name[1]) && name[2] == 'M' && digit(name[3]);
    }
    return name.size() == 5 && name.compare(0, 3, "MAP") == 0 && digit(name[3]) && digit(name[4]);
}

}  // namespace brindle
