// Patch names, patch decoding and composite wall textures.
//
// Everything here reads untrusted bytes, so each lump is read whole (one read, bounded by
// its directory size) and parsed from memory with every offset checked against that size:
// - counts that the lump cannot hold (PNAMES names, TEXTURE1 offsets, patch placements) are
//   clamped to what it holds; negative counts are empty;
// - a texture whose entry lies outside its lump is left out of the texture array;
// - a texture whose width or height is not within 1..maxTextureSide, or that no longer fits
//   the texel budget, keeps its name but is empty (0 x 0, no pixels);
// - a patch whose width or height is not within 1..maxTextureSide is unusable (skipped like a
//   patch that is not found); a column whose offset lies outside the patch lump is left
//   empty, and a run never reads past the end of the lump;
// - texels that no patch covers are palette index 0, and so are the texels of a patch that
//   none of its runs covers (the patch's whole rectangle is copied).
#include <algorithm>
#include <cstring>

#include "wad/lump_names.h"
#include "wad/wad_archive.h"

namespace brindle {

namespace {

constexpr int32_t maxTextureSide = 4096;
constexpr int32_t maxRunsPerColumn = 256;  // tops are bytes, so real columns have far fewer
constexpr int64_t maxCachedPatchBytes = int64_t{64} << 20;

int32_t readInt32(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return static_cast<int32_t>(value);
}

int16_t readInt16(const std::vector<uint8_t>& bytes, size_t at) {
    uint16_t value = 0;
    std::memcpy(&value, bytes.data() + at, 2);
    return static_cast<int16_t>(value);
}

// Decodes a patch lump into a block cleared to 0. Rows at or beyond the height are dropped.
// The block's size is taken from `budget`; a patch larger than what is left is unusable.
DecodedPatch decodePatch(const std::vector<uint8_t>& lump, int64_t& budget) {
    DecodedPatch picture;
    const size_t size = lump.size();
    if (size < 8) {
        return picture;
    }
    const int32_t width = readInt16(lump, 0);
    const int32_t height = readInt16(lump, 2);
    if (width <= 0 || height <= 0 || width > maxTextureSide || height > maxTextureSide ||
        int64_t{width} * height > budget) {
        return picture;
    }
    budget -= int64_t{width} * height;
    picture.width = width;
    picture.height = height;
    picture.columnMajor.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    for (int32_t x = 0; x < width; ++x) {
        const size_t entry = 8 + static_cast<size_t>(x) * 4;
        if (entry + 4 > size) {
            break;  // the column table itself ends with the lump
        }
        const int32_t columnOffset = readInt32(lump, entry);
        if (columnOffset < 0 || static_cast<size_t>(columnOffset) >= size) {
            continue;
        }
        uint8_t* column = picture.columnMajor.data() + static_cast<size_t>(x) * height;
        size_t at = static_cast<size_t>(columnOffset);
        for (int32_t run = 0; run < maxRunsPerColumn && at + 1 < size; ++run) {
            const int32_t top = lump[at];
            if (top == 255) {
                break;
            }
            const int32_t length = lump[at + 1];
            at += 3;  // top, length and the byte before the data
            const size_t available = at < size ? size - at : 0;
            const int32_t readable = static_cast<int32_t>(std::min<size_t>(length, available));
            const int32_t stored = std::clamp(height - top, 0, readable);
            std::memcpy(column + top, lump.data() + at, static_cast<size_t>(stored));
            at += static_cast<size_t>(length) + 1;  // the data and the byte after it
        }
    }
    return picture;
}

}  // namespace

// Reads the found PNAMES lump: a count, then 8-byte names.
int32_t WadArchive::readPatchNames() {
    if (!file || foundLump < 0) {
        return resultCannotRead;
    }
    const std::vector<uint8_t> lump = readFoundLump(SIZE_MAX);
    patchNames.clear();
    if (lump.size() < 4) {
        return resultOk;
    }
    const int64_t fits = static_cast<int64_t>((lump.size() - 4) / 8);
    const int64_t count = std::clamp<int64_t>(readInt32(lump, 0), 0, fits);
    patchNames.resize(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
        PatchName& entry = patchNames[static_cast<size_t>(i)];
        entry.index = static_cast<int32_t>(i);
        std::memcpy(entry.name, lump.data() + 4 + i * 8, 8);
        entry.terminator = 0;
    }
    return resultOk;
}

// Reads the found texture lump (TEXTURE1 or TEXTURE2) and appends its composed textures.
int32_t WadArchive::readTextures() {
    if (!file || foundLump < 0) {
        return resultCannotRead;
    }
    return composeTextureLump(readFoundLump(SIZE_MAX));
}

std::unique_ptr<uint8_t[]> WadArchive::readPatch(const char* name, int32_t* widthOut,
                                                 int32_t* heightOut) {
    *widthOut = 0;
    *heightOut = 0;
    if (!file) {
        return nullptr;
    }
    const long position = std::ftell(file.get());
    std::unique_ptr<uint8_t[]> block;
    if (findLump(name) == resultOk) {
        int64_t unlimited = INT64_MAX;
        const DecodedPatch picture = decodePatch(readFoundLump(SIZE_MAX), unlimited);
        if (!picture.columnMajor.empty()) {
            // Handed out row-major: texel (x, y) at y * width + x.
            block = std::make_unique<uint8_t[]>(picture.columnMajor.size());
            for (int32_t x = 0; x < picture.width; ++x) {
                for (int32_t y = 0; y < picture.height; ++y) {
                    block[static_cast<size_t>(y) * picture.width + x] =
                        picture.columnMajor[static_cast<size_t>(x) * picture.height + y];
                }
            }
            *widthOut = picture.width;
            *heightOut = picture.height;
        }
    }
    std::fseek(file.get(), position, SEEK_SET);
    return block;
}

int32_t WadArchive::composeTextureLump(const std::vector<uint8_t>& lump) {
    if (lump.size() < 4) {
        return resultOk;
    }
    const size_t lumpSize = lump.size();
    const int64_t fits = static_cast<int64_t>((lumpSize - 4) / 4);
    const int64_t count = std::clamp<int64_t>(readInt32(lump, 0), 0, fits);

    // Decoded once per archive and reused by every placement (column-major, cleared to 0).
    auto patchFor = [&](int32_t patchIndex, DecodedPatch& scratch) -> const DecodedPatch* {
        const std::string name = lumpName(patchNames[static_cast<size_t>(patchIndex)].name);
        const auto lumpIt = lumpIndex.find(name);
        if (lumpIt == lumpIndex.end()) {
            return nullptr;
        }
        const auto cached = patchCache.find(lumpIt->second);
        if (cached != patchCache.end()) {
            return &cached->second;
        }
        findLump(name.c_str());
        DecodedPatch picture = decodePatch(readFoundLump(SIZE_MAX), copyBudget);
        if (patchCacheBytes + static_cast<int64_t>(picture.columnMajor.size()) >
            maxCachedPatchBytes) {
            scratch = std::move(picture);
            return &scratch;
        }
        patchCacheBytes += static_cast<int64_t>(picture.columnMajor.size());
        return &patchCache.emplace(lumpIt->second, std::move(picture)).first->second;
    };

    for (int64_t t = 0; t < count; ++t) {
        const int32_t entryOffset = readInt32(lump, 4 + static_cast<size_t>(t) * 4);
        if (entryOffset < 0 || static_cast<size_t>(entryOffset) + 22 > lumpSize) {
            continue;
        }
        const size_t entry = static_cast<size_t>(entryOffset);
        TextureDef& texture = textures.emplace_back();
        const std::string name = lumpName(reinterpret_cast<const char*>(lump.data() + entry));
        std::memcpy(texture.name, name.data(), name.size());
        const int32_t width = readInt16(lump, entry + 12);
        const int32_t height = readInt16(lump, entry + 14);
        const int64_t area = int64_t{width} * height;
        if (width <= 0 || height <= 0 || width > maxTextureSide || height > maxTextureSide ||
            area > texelBudget) {
            continue;  // kept by name, empty
        }
        texelBudget -= area;
        texture.width = static_cast<int16_t>(width);
        texture.height = static_cast<int16_t>(height);
        texture.pixels.assign(static_cast<size_t>(area), 0);

        const int64_t placementsFit = static_cast<int64_t>((lumpSize - entry - 22) / 10);
        const int64_t placements =
            std::clamp<int64_t>(readInt16(lump, entry + 20), 0, placementsFit);
        for (int64_t p = 0; p < placements; ++p) {
            const size_t placement = entry + 22 + static_cast<size_t>(p) * 10;
            const int32_t originX = readInt16(lump, placement);
            const int32_t originY = readInt16(lump, placement + 2);
            const int32_t patchIndex = readInt16(lump, placement + 4);
            if (patchIndex < 0 || static_cast<size_t>(patchIndex) >= patchNames.size()) {
                continue;
            }
            DecodedPatch scratch;
            const DecodedPatch* patch = patchFor(patchIndex, scratch);
            if (patch == nullptr || patch->columnMajor.empty()) {
                continue;
            }
            // The part of the patch's rectangle that lies inside the texture.
            const int32_t x0 = std::max(0, originX);
            const int32_t x1 = std::min(width, originX + patch->width);
            const int32_t y0 = std::max(0, originY);
            const int32_t y1 = std::min(height, originY + patch->height);
            if (x0 >= x1 || y0 >= y1) {
                continue;
            }
            const int64_t copied = int64_t{x1 - x0} * (y1 - y0);
            if (copied > copyBudget) {
                continue;
            }
            copyBudget -= copied;
            for (int32_t x = x0; x < x1; ++x) {
                const uint8_t* source = patch->columnMajor.data() +
                                        static_cast<size_t>(x - originX) * patch->height +
                                        (y0 - originY);
                uint8_t* target = texture.pixels.data() + static_cast<size_t>(x) * height + y0;
                std::memcpy(target, source, static_cast<size_t>(y1 - y0));
            }
        }
    }
    return resultOk;
}

// An index that answers exactly as a first-match search over the texture array.
void WadArchive::indexTextures() {
    textureCount = static_cast<int32_t>(textures.size());
    textureIndex.clear();
    textureIndex.reserve(textures.size());
    for (size_t i = 0; i < textures.size(); ++i) {
        textureIndex.try_emplace(lumpName(textures[i].name), static_cast<int32_t>(i));
    }
}

const uint8_t* WadArchive::findTexture(const char* name, int16_t* widthOut,
                                       int16_t* heightOut) const {
    *widthOut = 0;
    *heightOut = 0;
    if (name == nullptr) {
        return nullptr;
    }
    const auto it = textureIndex.find(lumpName(name));
    if (it == textureIndex.end()) {
        return nullptr;
    }
    const TextureDef& texture = textures[static_cast<size_t>(it->second)];
    if (texture.pixels.empty()) {
        return nullptr;
    }
    *widthOut = texture.width;
    *heightOut = texture.height;
    return texture.pixels.data();
}

}  // namespace brindle
