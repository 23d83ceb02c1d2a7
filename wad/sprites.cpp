// Sprite lumps: their names are indexed when the archive opens (later files over earlier ones,
// inside a file the first entry between the markers), and each picture is read, checked and
// decoded the first time it is asked for, then kept.
#include "wad/sprites.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "wad/lump_names.h"
#include "wad/marker_index.h"
#include "wad/wad_archive.h"

namespace brindle {

namespace {

int32_t readInt16(const uint8_t* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

int32_t readInt32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                (static_cast<uint32_t>(p[2]) << 16) |
                                (static_cast<uint32_t>(p[3]) << 24));
}

constexpr size_t headerBytes = 8;
constexpr uint8_t columnEnd = 255;
// Runs decoded per byte of the lump at most (plus a few), however the columns share them.
constexpr size_t runsPerLumpByte = 4;

}  // namespace

bool decodeSpritePicture(std::vector<uint8_t> lumpBytes, SpritePicture& picture) {
    const uint8_t* lump = lumpBytes.data();
    const size_t size = lumpBytes.size();
    if (size < headerBytes) {
        return false;
    }
    picture.width = readInt16(lump);
    picture.height = readInt16(lump + 2);
    picture.leftOffset = readInt16(lump + 4);
    picture.topOffset = readInt16(lump + 6);
    if (picture.width <= 0 || picture.height <= 0 ||
        headerBytes + 4 * static_cast<size_t>(picture.width) > size) {
        return false;
    }
    const size_t runLimit = runsPerLumpByte * size + 1024;
    picture.runs.clear();
    // Most columns hold one run; the column offsets fit in the lump, so this stays within it.
    picture.runs.reserve(static_cast<size_t>(picture.width));
    picture.firstRun.assign(static_cast<size_t>(picture.width) + 1, 0);
    for (int32_t c = 0; c < picture.width; ++c) {
        picture.firstRun[static_cast<size_t>(c)] = static_cast<int32_t>(picture.runs.size());
        const int32_t offset = readInt32(lump + headerBytes + 4 * static_cast<size_t>(c));
        if (offset < 0) {
            return false;
        }
        size_t at = static_cast<size_t>(offset);
        while (true) {
            if (at >= size) {
                return false;
            }
            if (lump[at] == columnEnd) {
                break;
            }
            // top, length, a skipped byte, the texels, a skipped byte
            if (at + 3 > size) {
                return false;
            }
            const int32_t top = lump[at];
            const int32_t length = lump[at + 1];
            if (at + 4 + static_cast<size_t>(length) > size || picture.runs.size() >= runLimit) {
                return false;
            }
            picture.runs.push_back({top, length, static_cast<int32_t>(at + 3)});
            at += 4 + static_cast<size_t>(length);
        }
    }
    picture.firstRun[static_cast<size_t>(picture.width)] =
        static_cast<int32_t>(picture.runs.size());
    picture.bytes = std::move(lumpBytes);
    return true;
}

// Later files override earlier ones; inside one file the first entry of a name between the
// markers counts.
void WadArchive::indexSprites() {
    indexBetweenMarkers(wadFiles, "S_START", "SS_START", "S_END", "SS_END", spriteIndex);
    sortedSpriteNames.clear();
    spriteIndex.forEach(
        [&](std::string name, const LumpRef&) { sortedSpriteNames.push_back(std::move(name)); });
    std::sort(sortedSpriteNames.begin(), sortedSpriteNames.end());
    spritePictures.clear();
    static std::atomic<uint64_t> indexings{0};
    spritesIndexed = ++indexings;
}

uint64_t WadArchive::spriteGeneration() const {
    return textureOwner != nullptr ? textureOwner->spriteGeneration() : spritesIndexed;
}

const std::vector<std::string>& WadArchive::spriteNames() const {
    return textureOwner != nullptr ? textureOwner->spriteNames() : sortedSpriteNames;
}

WadArchive::SpriteReading::SpriteReading(const WadArchive& archive)
    : owner(archive.textureOwner != nullptr ? *archive.textureOwner : archive) {
    std::lock_guard<CompositionLock> hold(owner.spriteLock);
    ++owner.spriteReadings;
}

WadArchive::SpriteReading::~SpriteReading() {
    std::lock_guard<CompositionLock> hold(owner.spriteLock);
    if (--owner.spriteReadings == 0) {
        owner.spriteStreams.clear();
    }
}

const SpritePicture* WadArchive::findSprite(const std::string& name) const {
    if (textureOwner != nullptr) {
        return textureOwner->findSprite(name);  // a level worker
    }
    std::lock_guard<CompositionLock> hold(spriteLock);
    const auto known = spritePictures.find(name);
    if (known != spritePictures.end()) {
        return known->second.get();
    }
    std::unique_ptr<SpritePicture>& picture = spritePictures[name];
    const LumpRef* ref = spriteIndex.find(name);
    if (ref == nullptr) {
        return nullptr;
    }
    const WadFile& wad = wadFiles[static_cast<size_t>(ref->file)];
    const LumpEntry& entry = wad.directory[static_cast<size_t>(ref->entry)];
    if (entry.size <= 0 || !wad.holds(entry)) {
        return nullptr;
    }
    // Read with a stream kept for sprites (see SpriteReading), or one of its own: the archive's
    // streams are open only inside open and loadLevel, and this may run on any thread. A stream
    // just opened does not know where it stands, so it is moved without asking (seekTo would
    // ask).
    FileStream own;
    std::FILE* in = nullptr;
    if (spriteReadings > 0) {
        spriteStreams.resize(wadFiles.size());
        FileStream& kept = spriteStreams[static_cast<size_t>(ref->file)];
        if (!kept) {
            kept = openLumpStream(wad.path);
        }
        in = kept.get();
        if (in == nullptr || !seekTo(in, entry.filePos)) {
            return nullptr;
        }
    } else {
        own = openLumpStream(wad.path);
        in = own.get();
        if (in == nullptr || std::fseek(in, entry.filePos, SEEK_SET) != 0) {
            return nullptr;
        }
    }
    LumpBytes bytes(static_cast<size_t>(entry.size));
    if (std::fread(bytes.data(), 1, bytes.size(), in) != bytes.size()) {
        return nullptr;
    }
    auto decoded = std::make_unique<SpritePicture>();
    if (decodeSpritePicture(std::move(bytes), *decoded)) {
        picture = std::move(decoded);
    }
    return picture.get();
}

}  // namespace brindle
