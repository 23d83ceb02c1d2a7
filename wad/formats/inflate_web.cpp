// The web page's inflater: a JavaScript one bundled into the page (web/inflate_library.js).
#include <climits>
#include <cstdlib>

#include "wad/formats/inflate.h"

extern "C" uint8_t* brindle_inflate(const uint8_t* data, size_t size, size_t limit,
                                    int32_t* outSize);

namespace brindle {

std::string inflateZlib(const uint8_t* data, size_t size, size_t limit, std::vector<uint8_t>& out) {
    out.clear();
    int32_t produced = 0;
    uint8_t* inflated =
        brindle_inflate(data, size, limit < INT32_MAX ? limit : INT32_MAX, &produced);
    if (inflated == nullptr) {
        switch (produced) {
            case -2:
                return "the stream ends early";
            case -3:
                return "it inflates to more than " + std::to_string(limit) + " bytes";
            default:
                return "the stream is broken";
        }
    }
    out.assign(inflated, inflated + produced);
    std::free(inflated);
    return {};
}

}  // namespace brindle
