// Picture formats by extension, and the PCX and PNG writers behind one call.
#include "app/render_cli/picture_output.h"

#include <algorithm>
#include <cctype>

#include "video/png_writer.h"

namespace brindle {

std::optional<PictureFormat> pictureFormatOf(const std::string& path) {
    if (path.size() < 4) {
        return std::nullopt;
    }
    std::string extension = path.substr(path.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".pcx") {
        return PictureFormat::pcx;
    }
    if (extension == ".png") {
        return PictureFormat::png;
    }
    if (extension == ".svg") {
        return PictureFormat::svg;
    }
    return std::nullopt;
}

bool writeIndexedPicture(const std::string& path, PictureFormat format, const WadArchive& archive,
                         const uint8_t* pixels, int32_t width, int32_t height, std::string& error) {
    switch (format) {
        case PictureFormat::pcx:
            if (archive.writePcx(path.c_str(), pixels, width, height) == resultOk) {
                return true;
            }
            error = "cannot write " + path;
            return false;
        case PictureFormat::png:
            return writePng(path.c_str(), pixels, width, height, archive.palettes[0].data(), error);
        case PictureFormat::svg:
            break;
    }
    error = "cannot write " + path + ": not a palettised picture format";
    return false;
}

}  // namespace brindle
