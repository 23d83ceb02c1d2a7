// PLACEHOLDER: replaced by the PNG writer.
#include "video/png_writer.h"

namespace brindle {
bool writePng(const char*, const uint8_t*, int32_t, int32_t, const uint8_t*, std::string& error) {
    error = "not built yet";
    return false;
}
}  // namespace brindle
