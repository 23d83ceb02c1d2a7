// Text output of brindle-render (SVG pictures, the atlas page), written whole or not at all.
#pragma once

#include <string>

namespace brindle {

// Writes `text` under a temporary name next to `path` and renames it over `path` once
// complete. On failure returns false, `error` says why, and an existing file stays as it was.
bool writeTextFile(const std::string& path, const std::string& text, std::string& error);

}  // namespace brindle
