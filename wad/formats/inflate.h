// Inflates a zlib stream (RFC 1950): the bodies of the compressed node formats. Each platform
// has its own inflater behind this one function (zlib where the system has it, a bundled
// inflater on the web page).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brindle {

// Replaces `out` with the inflated bytes of data[0..size). Stops with a problem once the output
// would pass `limit` bytes, so that a small lump cannot claim a huge amount of memory. Empty
// when the whole stream inflated; otherwise what is wrong with it, in plain words.
std::string inflateZlib(const uint8_t* data, size_t size, size_t limit, std::vector<uint8_t>& out);

}  // namespace brindle
