// Opening the archive: header, lump directory and the global lumps.
#include "wad/wad_archive.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "wad/lump_names.h"

namespace brindle {

WadArchive::WadArchive() = default;

WadArchive::WadArchive(const char* archivePath) {
    open(archivePath);
}

WadArchive::~WadArchive() {
    releaseAll();
}

// Back to the freshly constructed state, so that a second open starts clean.
void WadArchive::releaseAll() {
    freeLevel();
    loaded = 0;
    path.fill(0);
    file.reset();
    directoryOffset = 0;
    lumpCount = 0;
    rootNode = 0;
    vertexCount = 0;
    textureCount = 0;
    for (auto& palette : palettes) {
        palette.fill(0);
    }
    for (auto& map : colorMaps) {
        map.fill(0);
    }
    patchNames = {};
    textures = {};
    startX = 0;
    startY = 0;
    startAngle = 0;
    lastError.clear();
    directoryEntries = {};
    lumpIndex = {};
    textureIndex = {};
    fileSize = 0;
    foundLump = -1;
    patchLumps.clear();
    patchCacheBytes = 0;
}

int32_t WadArchive::openFailure(int32_t result, std::string text) {
    file.reset();
    directoryEntries = {};
    lumpIndex = {};
    lastError = std::move(text);
    return result;
}

// A lump of positive size is usable only when it lies wholly inside the file; markers
// (size 0) carry no data, so their position does not matter.
bool WadArchive::lumpFitsFile(const LumpEntry& entry) const {
    if (entry.size == 0) {
        return true;
    }
    return entry.size > 0 && entry.filePos >= 0 &&
           static_cast<int64_t>(entry.filePos) + entry.size <= fileSize;
}

int32_t WadArchive::open(const char* archivePath) {
    releaseAll();
    if (archivePath == nullptr) {
        return openFailure(resultCannotRead, "no archive path given");
    }
    const size_t length = std::strlen(archivePath);
    if (length >= path.size()) {
        return openFailure(resultCannotRead, "archive path is longer than 255 characters");
    }
    std::memcpy(path.data(), archivePath, length + 1);
    const std::string quoted = "'" + std::string(archivePath) + "'";

    file.reset(std::fopen(archivePath, "rb"));
    if (!file) {
        return openFailure(resultCannotRead, "cannot open " + quoted + ": " + std::strerror(errno));
    }
    // Every lump is read whole into its own buffer after a seek, so the stream's buffer would
    // only add a copy and a read-ahead that the next seek throws away.
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
    if (std::fseek(file.get(), 0, SEEK_END) != 0) {
        return openFailure(resultCannotRead, "cannot read " + quoted);
    }
    fileSize = std::ftell(file.get());
    std::rewind(file.get());

    WadHeader header{};
    if (fileSize < 0 || std::fread(&header, sizeof header, 1, file.get()) != 1) {
        const std::string reason =
            std::ferror(file.get()) ? std::strerror(errno) : "file is too short";
        return openFailure(resultCannotRead, "cannot read the header of " + quoted + ": " + reason);
    }
    if (std::memcmp(header.identification, "IWAD", 4) != 0) {
        return openFailure(resultNotIwad, quoted + " is not an IWAD archive");
    }
    lumpCount = header.lumpCount;
    directoryOffset = header.directoryOffset;
    if (directoryOffset < 0) {
        return openFailure(resultCannotRead, quoted + ": lump directory offset " +
                                                 std::to_string(directoryOffset) + " is negative");
    }
    const int64_t entries = lumpCount > 0 ? lumpCount : 0;
    const int64_t directoryEnd = directoryOffset + entries * int64_t{sizeof(LumpEntry)};
    if (entries > 0 && directoryEnd > fileSize) {
        return openFailure(resultCannotRead, quoted + ": lump directory (" +
                                                 std::to_string(entries) + " entries at offset " +
                                                 std::to_string(directoryOffset) +
                                                 ") reaches past the end of the file (" +
                                                 std::to_string(fileSize) + " bytes)");
    }

    // The whole directory in one read; look-ups then go through an index by name.
    directoryEntries.resize(static_cast<size_t>(entries));
    if (entries > 0 &&
        (std::fseek(file.get(), directoryOffset, SEEK_SET) != 0 ||
         std::fread(directoryEntries.data(), sizeof(LumpEntry), directoryEntries.size(),
                    file.get()) != directoryEntries.size())) {
        return openFailure(resultCannotRead, "cannot read the lump directory of " + quoted);
    }
    lumpIndex.reserve(directoryEntries.size());
    for (size_t i = 0; i < directoryEntries.size(); ++i) {
        if (lumpFitsFile(directoryEntries[i])) {
            lumpIndex.try_emplace(lumpName(directoryEntries[i].name), static_cast<int32_t>(i));
        }
    }

    // Composition may not take memory or time out of proportion to the file: textures get at
    // most 16 MiB plus 8 bytes per file byte (512 MiB at most), and the texels decoded and
    // copied at most four times that.
    texelBudget = std::min<int64_t>(int64_t{512} << 20, (int64_t{16} << 20) + 8 * fileSize);
    copyBudget = 4 * texelBudget;

    if (findLump("PLAYPAL") == resultOk) {
        readPalettes();
    }
    if (findLump("COLORMAP") == resultOk) {
        readColorMaps();
    }
    if (findLump("PNAMES") == resultOk) {
        readPatchNames();
    }
    // TEXTURE2 adds its textures after TEXTURE1's, so a name in both resolves to TEXTURE1's.
    for (const char* textureLump : {"TEXTURE1", "TEXTURE2"}) {
        if (findLump(textureLump) == resultOk) {
            readTextures();
        }
    }
    patchLumps.clear();
    patchCacheBytes = 0;
    indexTextures();

    loaded = 1;
    file.reset();
    foundLump = -1;
    return resultOk;
}

std::vector<std::string> WadArchive::mapNames() const {
    std::vector<std::string> names;
    for (const LumpEntry& entry : directoryEntries) {
        std::string name = lumpName(entry.name);
        if (entry.size == 0 && isMapName(name)) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

// Answers from the in-memory directory. While the stream is open it is also positioned as
// the readers expect: at the data of a lump of positive size, or just behind the entry of a
// lump of size 0 (a level marker).
int32_t WadArchive::findLump(const char* name, int32_t* sizeOut) {
    if (name == nullptr || std::strlen(name) > 8) {
        return resultNotFound;
    }
    const auto it = lumpIndex.find(name);
    if (it == lumpIndex.end()) {
        return resultNotFound;
    }
    const LumpEntry& entry = directoryEntries[static_cast<size_t>(it->second)];
    if (file) {
        const int64_t position = entry.size > 0 ? entry.filePos
                                                : directoryOffset + (it->second + int64_t{1}) *
                                                                        int64_t{sizeof(LumpEntry)};
        std::fseek(file.get(), static_cast<long>(position), SEEK_SET);
    }
    foundLump = it->second;
    if (sizeOut != nullptr) {
        *sizeOut = entry.size;
    }
    return resultOk;
}

// The data of the lump findLump found last, at most maxBytes of it, in one read from the
// stream's position. Empty when there is no open stream or no found lump.
LumpBytes WadArchive::readFoundLump(size_t maxBytes) {
    LumpBytes bytes;
    if (!file || foundLump < 0) {
        return bytes;
    }
    const LumpEntry& entry = directoryEntries[static_cast<size_t>(foundLump)];
    if (entry.size <= 0) {
        return bytes;
    }
    bytes.resize(std::min(static_cast<size_t>(entry.size), maxBytes));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
    return bytes;
}

}  // namespace brindle
