// The inflater of the native programs: the system's zlib.
#include <zlib.h>

#include <algorithm>
#include <climits>

#include "wad/formats/inflate.h"

namespace brindle {

std::string inflateZlib(const uint8_t* data, size_t size, size_t limit, std::vector<uint8_t>& out) {
    out.clear();
    if (size > UINT_MAX) {
        return "the stream is too long";
    }
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        return "zlib cannot start";
    }
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    // Grow the output as the stream needs it, never past the limit (and one byte more, to tell
    // a stream that ends exactly at the limit from one that goes on).
    const size_t capacity = limit + 1;
    out.resize(std::min(capacity, std::max<size_t>(size * 4, 4096)));
    int status = Z_OK;
    while (status == Z_OK) {
        if (stream.total_out == out.size()) {
            if (out.size() == capacity) {
                break;
            }
            out.resize(std::min(capacity, out.size() * 2));
        }
        stream.next_out = out.data() + stream.total_out;
        stream.avail_out =
            static_cast<uInt>(std::min<size_t>(out.size() - stream.total_out, UINT_MAX));
        status = inflate(&stream, Z_NO_FLUSH);
        if (status == Z_BUF_ERROR && stream.avail_in == 0) {
            status = Z_DATA_ERROR;  // the stream stops before its end
        }
    }
    const size_t produced = stream.total_out;
    const char* message = stream.msg;
    inflateEnd(&stream);
    if (status == Z_STREAM_END) {
        out.resize(produced);
        return {};
    }
    out.clear();
    if (status == Z_OK) {
        return "it inflates to more than " + std::to_string(limit) + " bytes";
    }
    if (status == Z_DATA_ERROR && message == nullptr) {
        return "the stream ends early";
    }
    return message != nullptr ? std::string(message) : "zlib error " + std::to_string(status);
}

}  // namespace brindle
