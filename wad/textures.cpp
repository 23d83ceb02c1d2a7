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
//   none of its runs covers (the patch's whole rectangle is copied);
// - the work of composition (placements looked at, patch bytes read, texels drawn) is
//   bounded by a budget that grows with the file's size; placements beyond it are skipped.
// Textures are composed when first needed, not when the archive opens: a level uses a small
// share of them. The budgets are the archive's, spent once over its life, so composing late
// is bounded exactly as composing early; a texture that cannot be composed is absent.
#include <algorithm>
#include <cstring>
#include <optional>

#include "wad/lump_names.h"
#include "wad/wad_archive.h"

namespace brindle {

namespace {

constexpr int32_t maxTextureSide = 4096;
constexpr int32_t maxRunsPerColumn = 256;  // tops are bytes, so real columns have far fewer
// What looking at one placement costs against the work budget, whether it draws or not.
constexpr int64_t placementCost = 64;

int32_t readInt32(const LumpBytes& bytes, size_t at) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return static_cast<int32_t>(value);
}

int16_t readInt16(const LumpBytes& bytes, size_t at) {
    uint16_t value = 0;
    std::memcpy(&value, bytes.data() + at, 2);
    return static_cast<int16_t>(value);
}

// A patch lump whose header names a usable size; its bytes stay where they were read.
struct PatchView {
    const LumpBytes* lump = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};

std::optional<PatchView> viewPatch(const LumpBytes& lump) {
    if (lump.size() < 8) {
        return std::nullopt;
    }
    const int32_t width = readInt16(lump, 0);
    const int32_t height = readInt16(lump, 2);
    if (width <= 0 || height <= 0 || width > maxTextureSide || height > maxTextureSide) {
        return std::nullopt;
    }
    return PatchView{&lump, width, height};
}

// Calls store(row, texels, count) for every stretch of rows that column x of the patch
// covers, clipped to the patch height and to the bytes the lump holds. A column whose offset
// entry or data lies outside the lump has no stretches.
template <typename Store>
void forEachRun(const PatchView& patch, int32_t x, Store&& store) {
    const LumpBytes& lump = *patch.lump;
    const size_t size = lump.size();
    const size_t entry = 8 + static_cast<size_t>(x) * 4;
    if (entry + 4 > size) {
        return;  // the column table itself ends with the lump
    }
    const int32_t columnOffset = readInt32(lump, entry);
    if (columnOffset < 0 || static_cast<size_t>(columnOffset) >= size) {
        return;
    }
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
        const int32_t kept = std::clamp(patch.height - top, 0, readable);
        if (kept > 0) {
            store(top, lump.data() + at, kept);
        }
        at += static_cast<size_t>(length) + 1;  // the data and the byte after it
    }
}

}  // namespace

// Reads the found PNAMES lump: a count, then 8-byte names.
int32_t WadArchive::readPatchNames() {
    if (stream(foundLump.file) == nullptr) {
        return resultCannotRead;
    }
    const LumpBytes lump = readFoundLump(SIZE_MAX);
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

// Reads the found texture lump (TEXTURE1 or TEXTURE2) and appends its textures, by name and
// size; they are composed later.
int32_t WadArchive::readTextures() {
    if (stream(foundLump.file) == nullptr) {
        return resultCannotRead;
    }
    return addTextureLump(readFoundLump(SIZE_MAX));
}

std::unique_ptr<uint8_t[]> WadArchive::readPatch(const char* name, int32_t* widthOut,
                                                 int32_t* heightOut) {
    *widthOut = 0;
    *heightOut = 0;
    if (name == nullptr || std::strlen(name) > 8) {
        return nullptr;
    }
    const LumpRef ref = resolve(name);
    if (!ref.found()) {
        return nullptr;
    }
    // Outside open the streams are closed; reopen the patch's file for this one read.
    const bool reopened = stream(ref.file) == nullptr;
    if (reopened) {
        streams.resize(wadFiles.size());
        streams[static_cast<size_t>(ref.file)] =
            openLumpStream(wadFiles[static_cast<size_t>(ref.file)].path);
    }
    std::unique_ptr<uint8_t[]> block;
    const LumpBytes lump = readLump(ref, SIZE_MAX);
    if (const std::optional<PatchView> patch = viewPatch(lump)) {
        // Handed out row-major, cleared to 0 where no run reaches: texel (x, y) at
        // y * width + x.
        const size_t texels = static_cast<size_t>(patch->width) * patch->height;
        block = std::make_unique<uint8_t[]>(texels);
        for (int32_t x = 0; x < patch->width; ++x) {
            forEachRun(*patch, x, [&](int32_t row, const uint8_t* source, int32_t count) {
                for (int32_t i = 0; i < count; ++i) {
                    block[static_cast<size_t>(row + i) * patch->width + x] = source[i];
                }
            });
        }
        *widthOut = patch->width;
        *heightOut = patch->height;
    }
    if (reopened) {
        streams.clear();
    }
    return block;
}

int32_t WadArchive::addTextureLump(LumpBytes lump) {
    if (lump.size() < 4) {
        return resultOk;
    }
    const size_t lumpSize = lump.size();
    const int64_t fits = static_cast<int64_t>((lumpSize - 4) / 4);
    const int64_t count = std::clamp<int64_t>(readInt32(lump, 0), 0, fits);
    const int32_t lumpNumber = static_cast<int32_t>(textureLumps.size());
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
        // A size that cannot be composed leaves the texture empty, 0 x 0.
        if (width > 0 && height > 0 && width <= maxTextureSide && height <= maxTextureSide) {
            texture.width = static_cast<int16_t>(width);
            texture.height = static_cast<int16_t>(height);
        }
        textureSources.push_back(TextureSource{lumpNumber, entry});
    }
    textureLumps.push_back(std::move(lump));
    return resultOk;
}

// The patch lumps of one round of composition, each read once from its file (opened by path
// when first needed) and drawn from memory by every placement that uses it.
class WadArchive::PatchSource {
  public:
    explicit PatchSource(const WadArchive& archive)
        : archive(archive), files(archive.wadFiles.size()) {}

    // The lump of the patch PNAMES names at `patchIndex`, or null when no file has it or the
    // work budget cannot pay for reading it.
    const LumpBytes* patch(int32_t patchIndex, LumpBytes& scratch) {
        const PatchName& patchName = archive.patchNames[static_cast<size_t>(patchIndex)];
        const LumpRef ref = archive.resolve(lumpName(patchName.name));
        if (!ref.found()) {
            return nullptr;
        }
        const int64_t key = (int64_t{ref.file} << 32) | ref.entry;
        const auto cached = cache.find(key);
        if (cached != cache.end()) {
            return &cached->second;
        }
        const WadFile& wad = archive.wadFiles[static_cast<size_t>(ref.file)];
        const LumpEntry& entry = wad.directory[static_cast<size_t>(ref.entry)];
        if (entry.size > archive.copyBudget) {
            return nullptr;
        }
        archive.copyBudget -= entry.size;
        LumpBytes bytes = read(ref.file, entry);
        if (cachedBytes + entry.size > archive.fileSize) {
            scratch = std::move(bytes);  // entries sharing bytes: stop caching, keep going
            return &scratch;
        }
        cachedBytes += entry.size;
        return &cache.emplace(key, std::move(bytes)).first->second;
    }

  private:
    LumpBytes read(int32_t file, const LumpEntry& entry) {
        LumpBytes bytes;
        FileStream& in = files[static_cast<size_t>(file)];
        if (!in) {
            in = openLumpStream(archive.wadFiles[static_cast<size_t>(file)].path);
            if (!in) {
                return bytes;
            }
        }
        if (entry.size <= 0 || !seekTo(in.get(), entry.filePos)) {
            return bytes;
        }
        bytes.resize(static_cast<size_t>(entry.size));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in.get()));
        return bytes;
    }

    const WadArchive& archive;
    std::vector<FileStream> files;
    std::unordered_map<int64_t, LumpBytes> cache;  // file << 32 | entry -> bytes
    int64_t cachedBytes = 0;
};

// Composes one texture from its definition. False when it cannot be: its size is not usable
// or no longer fits the texel budget.
bool WadArchive::composeTexture(size_t index, PatchSource& patches) const {
    TextureDef& texture = textures[index];
    const LumpBytes& lump = textureLumps[static_cast<size_t>(textureSources[index].lump)];
    const size_t entry = textureSources[index].entry;
    const size_t lumpSize = lump.size();
    const int32_t width = texture.width;
    const int32_t height = texture.height;
    const int64_t area = int64_t{width} * height;
    if (area <= 0 || area > texelBudget) {
        texture.width = 0;
        texture.height = 0;
        return false;
    }
    texelBudget -= area;
    texture.pixels.assign(static_cast<size_t>(area), 0);

    const int64_t placementsFit = static_cast<int64_t>((lumpSize - entry - 22) / 10);
    const int64_t placements = std::clamp<int64_t>(readInt16(lump, entry + 20), 0, placementsFit);
    for (int64_t p = 0; p < placements && copyBudget >= placementCost; ++p) {
        copyBudget -= placementCost;
        const size_t placement = entry + 22 + static_cast<size_t>(p) * 10;
        const int32_t originX = readInt16(lump, placement);
        const int32_t originY = readInt16(lump, placement + 2);
        const int32_t patchIndex = readInt16(lump, placement + 4);
        if (patchIndex < 0 || static_cast<size_t>(patchIndex) >= patchNames.size()) {
            continue;
        }
        LumpBytes scratch;
        const LumpBytes* lumpBytes = patches.patch(patchIndex, scratch);
        const std::optional<PatchView> patch = lumpBytes ? viewPatch(*lumpBytes) : std::nullopt;
        if (!patch) {
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
        const int64_t drawn = int64_t{x1 - x0} * (y1 - y0 + maxRunsPerColumn);
        if (drawn > copyBudget) {
            continue;
        }
        copyBudget -= drawn;
        // The whole rectangle is replaced: rows no run covers become 0, except on the first
        // placement, which draws onto a texture that is still all 0.
        const bool clearFirst = p > 0;
        for (int32_t x = x0; x < x1; ++x) {
            uint8_t* column = texture.pixels.data() + static_cast<size_t>(x) * height;
            if (clearFirst) {
                std::memset(column + y0, 0, static_cast<size_t>(y1 - y0));
            }
            forEachRun(*patch, x - originX, [&](int32_t row, const uint8_t* source, int32_t count) {
                const int32_t from = std::max(y0, originY + row);
                const int32_t to = std::min(y1, originY + row + count);
                if (from < to) {
                    std::memcpy(column + from, source + (from - originY - row),
                                static_cast<size_t>(to - from));
                }
            });
        }
    }
    return true;
}

// Composes those of the textures that are still pending, in one round: each patch lump is
// read once for all of them. Another thread finds each texture composed or absent afterwards.
void WadArchive::composeTextures(const std::vector<int32_t>& indices) const {
    const std::lock_guard<CompositionLock> hold(compositionLock);
    PatchSource patches(*this);
    for (const int32_t index : indices) {
        std::atomic<uint8_t>& state = textureStates[static_cast<size_t>(index)];
        if (state.load(std::memory_order_relaxed) == texturePending) {
            const bool composed = composeTexture(static_cast<size_t>(index), patches);
            state.store(composed ? textureComposed : textureAbsent, std::memory_order_release);
        }
    }
}

int32_t WadArchive::composeAllTextures() const {
    if (textureOwner != nullptr) {
        return textureOwner->composeAllTextures();  // a level worker
    }
    std::vector<int32_t> all(textures.size());
    for (size_t i = 0; i < all.size(); ++i) {
        all[i] = static_cast<int32_t>(i);
    }
    composeTextures(all);
    int32_t composed = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        composed += textureStates[i].load(std::memory_order_acquire) == textureComposed ? 1 : 0;
    }
    return composed;
}

// The textures the loaded level names on its sidedefs, and the skies; a level worker has
// them composed by the archive that holds the textures.
void WadArchive::composeLevelTextures() {
    const WadArchive& owner = textureOwner != nullptr ? *textureOwner : *this;
    std::vector<int32_t> wanted;
    auto want = [&](const char* stored) {
        const int32_t* texture = owner.textureIndex.findStored(stored);
        if (texture != nullptr && owner.textureStates[static_cast<size_t>(*texture)].load(
                                      std::memory_order_acquire) == texturePending) {
            wanted.push_back(*texture);
        }
    };
    for (const Sidedef& side : sidedefs) {
        want(side.upperTexture);
        want(side.lowerTexture);
        want(side.middleTexture);
    }
    for (const char* sky : {"SKY1", "SKY2", "SKY3", "SKY4"}) {
        want(sky);
    }
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    if (!wanted.empty()) {
        owner.composeTextures(wanted);
    }
}

// An index that answers exactly as a first-match search over the texture array.
void WadArchive::indexTextures() {
    textureCount = static_cast<int32_t>(textures.size());
    textureIndex.clear();
    textureIndex.reserve(textures.size());
    textureStates = std::make_unique<std::atomic<uint8_t>[]>(textures.size());
    for (size_t i = 0; i < textures.size(); ++i) {
        const uint64_t key = NameIndex<int32_t>::keyOfStored(textures[i].name);
        if (textureIndex.findKey(key) == nullptr) {
            textureIndex.at(key) = static_cast<int32_t>(i);
        }
        // A texture handed in already composed (no definition of its own) counts as composed.
        const bool composed = i >= textureSources.size() && !textures[i].pixels.empty();
        const bool pending = i < textureSources.size() && textures[i].width > 0;
        textureStates[i].store(composed ? textureComposed
                                        : (pending ? texturePending : textureAbsent));
    }
}

const uint8_t* WadArchive::findTexture(const char* name, int16_t* widthOut,
                                       int16_t* heightOut) const {
    if (textureOwner != nullptr) {
        return textureOwner->findTexture(name, widthOut, heightOut);  // a level worker
    }
    *widthOut = 0;
    *heightOut = 0;
    if (name == nullptr) {
        return nullptr;
    }
    const int32_t* found = textureIndex.findStored(name);
    if (found == nullptr) {
        return nullptr;
    }
    const size_t index = static_cast<size_t>(*found);
    uint8_t state = textureStates[index].load(std::memory_order_acquire);
    if (state == texturePending) {
        composeTextures({*found});
        state = textureStates[index].load(std::memory_order_acquire);
    }
    const TextureDef& texture = textures[index];
    if (state != textureComposed || texture.pixels.empty()) {
        return nullptr;
    }
    *widthOut = texture.width;
    *heightOut = texture.height;
    return texture.pixels.data();
}

}  // namespace brindle
