// PLACEHOLDER: replaced by the key-sequence parser.
#include "app/render_cli/key_sequence.h"

namespace brindle {
bool parseKeySequence(const std::string&, std::vector<HeldKeys>&, std::string& error) {
    error = "not built yet";
    return false;
}
}  // namespace brindle
