// Whole-or-nothing text files: a temporary file next to the target, renamed over it.
#include "app/render_cli/text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace brindle {

bool writeTextFile(const std::string& path, const std::string& text, std::string& error) {
    const std::string partial = path + ".partial";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    int cause = written ? 0 : errno;
    // Closing flushes what the stream still buffers; a failure there is a failed write too.
    if (std::fclose(file) != 0 && written) {
        written = false;
        cause = errno;
    }
    std::error_code renameError;
    if (written) {
        std::filesystem::rename(partial, path, renameError);
        if (renameError) {
            error = "cannot replace " + path + ": " + renameError.message();
            written = false;
        }
    } else {
        error = "cannot write " + path + ": " + std::strerror(cause != 0 ? cause : EIO);
    }
    if (!written) {
        std::error_code ignored;
        std::filesystem::remove(partial, ignored);
    }
    return written;
}

}  // namespace brindle
