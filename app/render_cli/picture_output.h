// The picture files of brindle-render: the format a file name asks for, and the palettised
// PCX and PNG writers behind one call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "wad/wad_archive.h"

namespace brindle {

enum class PictureFormat { pcx, png, svg };

// The format named by the file's extension (.pcx, .png, .svg, in any case), or nothing.
std::optional<PictureFormat> pictureFormatOf(const std::string& path);

// Writes width x height palette indices (top row first) with palette 0 of `archive` as a PCX
// or PNG file. On failure returns false, `error` says why, and no partial file is left.
bool writeIndexedPicture(const std::string& path, PictureFormat format, const WadArchive& archive,
                         const uint8_t* pixels, int32_t width, int32_t height, std::string& error);

}  // namespace brindle
