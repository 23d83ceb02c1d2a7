// Opening the archive: header, lump directory and the global lumps.
#include "wad/wad_archive.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "wad/lump_names.h"

namespace brindle {

FileStream openLumpStream(const std::string& path, bool buffered) {
    FileStream in(std::fopen(path.c_str(), "rb"));
    if (in && !buffered) {
        std::setvbuf(in.get(), nullptr, _IONBF, 0);
    }
    return in;
}

bool seekTo(std::FILE* in, int64_t position) {
    // A stream that reached the end or failed is moved anyway: the seek clears its flags.
    if (!std::feof(in) && !std::ferror(in) && std::ftell(in) == position) {
        return true;
    }
    return std::fseek(in, static_cast<long>(position), SEEK_SET) == 0;
}

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
    streams.clear();
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
    wadFiles = {};
    lumpIndex = {};
    textureIndex = {};
    flatIndex = {};
    spriteIndex = {};
    sortedSpriteNames = {};
    spritesIndexed = 0;
    spritePictures.clear();
    {
        std::lock_guard<CompositionLock> hold(spriteLock);
        spriteStreams.clear();
    }
    fileSize = 0;
    foundLump = {};
    textureLumps = {};
    textureSources = {};
    textureStates.reset();
}

int32_t WadArchive::openFailure(int32_t result, std::string text) {
    streams.clear();
    wadFiles = {};
    lumpIndex = {};
    lastError = std::move(text);
    return result;
}

bool WadFile::holds(const LumpEntry& entry) const {
    if (entry.size == 0) {
        return true;
    }
    return entry.size > 0 && entry.filePos >= 0 &&
           static_cast<int64_t>(entry.filePos) + entry.size <= size;
}

std::vector<std::string> WadFile::mapNames() const {
    std::vector<std::string> names;
    for (const LumpEntry& entry : directory) {
        std::string name = lumpName(entry.name);
        if (entry.size == 0 && isMapName(name)) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

// Opens one file of the load order, checks its header and reads its whole directory, which
// must lie inside the file. The IWAD must say "IWAD"; an added file "IWAD" or "PWAD". On
// success the file joins `wadFiles` with its stream left open.
int32_t WadArchive::openFile(const std::string& filePath, bool isIwad) {
    const std::string quoted = "'" + filePath + "'";
    FileStream opened = openLumpStream(filePath);
    if (!opened) {
        return openFailure(resultCannotRead, "cannot open " + quoted + ": " + std::strerror(errno));
    }
    std::FILE* in = opened.get();
    if (std::fseek(in, 0, SEEK_END) != 0) {
        return openFailure(resultCannotRead, "cannot read " + quoted);
    }
    WadFile wad;
    wad.path = filePath;
    wad.size = std::ftell(in);
    std::rewind(in);

    WadHeader header{};
    if (wad.size < 0 || std::fread(&header, sizeof header, 1, in) != 1) {
        const std::string reason = std::ferror(in) ? std::strerror(errno) : "file is too short";
        return openFailure(resultCannotRead, "cannot read the header of " + quoted + ": " + reason);
    }
    wad.kind.assign(header.identification, 4);
    if (isIwad && wad.kind != "IWAD") {
        return openFailure(resultNotIwad, quoted + " is not an IWAD archive");
    }
    if (!isIwad && wad.kind != "IWAD" && wad.kind != "PWAD") {
        return openFailure(resultNotWad, filePath + " is not a WAD archive");
    }
    wad.directoryOffset = header.directoryOffset;
    if (header.directoryOffset < 0) {
        return openFailure(resultCannotRead, quoted + ": lump directory offset " +
                                                 std::to_string(header.directoryOffset) +
                                                 " is negative");
    }
    const int64_t entries = header.lumpCount > 0 ? header.lumpCount : 0;
    const int64_t directoryEnd = header.directoryOffset + entries * int64_t{sizeof(LumpEntry)};
    if (entries > 0 && directoryEnd > wad.size) {
        return openFailure(resultCannotRead, quoted + ": lump directory (" +
                                                 std::to_string(entries) + " entries at offset " +
                                                 std::to_string(header.directoryOffset) +
                                                 ") reaches past the end of the file (" +
                                                 std::to_string(wad.size) + " bytes)");
    }
    // The whole directory in one read; look-ups then go through an index by name.
    wad.directory.resize(static_cast<size_t>(entries));
    if (entries > 0 && (!seekTo(in, header.directoryOffset) ||
                        std::fread(wad.directory.data(), sizeof(LumpEntry), wad.directory.size(),
                                   in) != wad.directory.size())) {
        return openFailure(resultCannotRead, "cannot read the lump directory of " + quoted);
    }
    if (isIwad) {
        lumpCount = header.lumpCount;
        directoryOffset = header.directoryOffset;
    }
    fileSize += wad.size;
    wadFiles.push_back(std::move(wad));
    streams.push_back(std::move(opened));
    return resultOk;
}

int32_t WadArchive::open(const char* archivePath) {
    return open(archivePath, {});
}

int32_t WadArchive::open(const char* iwadPath, const std::vector<std::string>& addedPaths) {
    releaseAll();
    if (iwadPath == nullptr) {
        return openFailure(resultCannotRead, "no archive path given");
    }
    const size_t length = std::strlen(iwadPath);
    if (length >= path.size()) {
        return openFailure(resultCannotRead, "archive path is longer than 255 characters");
    }
    std::memcpy(path.data(), iwadPath, length + 1);
    if (const int32_t result = openFile(iwadPath, true); result != resultOk) {
        return result;
    }
    for (const std::string& added : addedPaths) {
        if (const int32_t result = openFile(added, false); result != resultOk) {
            return result;
        }
    }

    // Later files override earlier ones; inside one file the first entry of a name counts
    // (an entry that resolves to this file already was set by an earlier entry of it).
    for (size_t f = 0; f < wadFiles.size(); ++f) {
        const WadFile& wad = wadFiles[f];
        const int32_t file = static_cast<int32_t>(f);
        lumpIndex.reserve(lumpIndex.size() + wad.directory.size());
        for (size_t i = 0; i < wad.directory.size(); ++i) {
            if (!wad.holds(wad.directory[i])) {
                continue;
            }
            LumpRef& ref = lumpIndex.at(NameIndex<LumpRef>::keyOfStored(wad.directory[i].name));
            if (ref.file != file) {
                ref = LumpRef{file, static_cast<int32_t>(i)};
            }
        }
    }

    // Composition may not take memory or time out of proportion to the files: textures get at
    // most 1 MiB plus 8 bytes per file byte (512 MiB at most; a real IWAD's few megabytes
    // allow tens), and the texels decoded and copied at most four times that.
    texelBudget = std::min<int64_t>(int64_t{512} << 20, (int64_t{1} << 20) + 8 * fileSize);
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
    // They are composed later, when first needed.
    for (const char* textureLump : {"TEXTURE1", "TEXTURE2"}) {
        if (findLump(textureLump) == resultOk) {
            readTextures();
        }
    }
    indexTextures();
    indexFlats();
    indexSprites();

    loaded = 1;
    streams.clear();
    foundLump = {};
    return resultOk;
}

const std::vector<LumpEntry>& WadArchive::directory() const {
    static const std::vector<LumpEntry> none;
    return wadFiles.empty() ? none : wadFiles.front().directory;
}

size_t WadArchive::totalLumps() const {
    size_t total = 0;
    for (const WadFile& wad : wadFiles) {
        total += wad.directory.size();
    }
    return total;
}

std::vector<std::string> WadArchive::mapNames() const {
    std::vector<std::string> names;
    for (const WadFile& wad : wadFiles) {
        for (std::string& name : wad.mapNames()) {
            if (std::find(names.begin(), names.end(), name) == names.end()) {
                names.push_back(std::move(name));
            }
        }
    }
    return names;
}

int32_t WadArchive::mapFile(const std::string& mapName) const {
    const LumpRef marker = resolve(mapName);
    return marker.file;
}

std::string WadArchive::firstAddedMap() const {
    for (size_t f = wadFiles.size(); f-- > 1;) {
        const std::vector<std::string> maps = wadFiles[f].mapNames();
        if (!maps.empty()) {
            return maps.front();
        }
    }
    return {};
}

LumpRef WadArchive::resolve(const std::string& name) const {
    const LumpRef* ref = lumpIndex.find(name);
    return ref == nullptr ? LumpRef{} : *ref;
}

std::FILE* WadArchive::stream(int32_t fileIndex) const {
    if (fileIndex < 0 || static_cast<size_t>(fileIndex) >= streams.size()) {
        return nullptr;
    }
    return streams[static_cast<size_t>(fileIndex)].get();
}

// Answers from the in-memory directories. While the streams are open it also positions the
// found lump's stream as the readers expect: at the data of a lump of positive size, or just
// behind the entry of a lump of size 0 (a level marker).
int32_t WadArchive::findLump(const char* name, int32_t* sizeOut) {
    if (name == nullptr || std::strlen(name) > 8) {
        return resultNotFound;
    }
    const LumpRef ref = resolve(name);
    if (!ref.found()) {
        return resultNotFound;
    }
    const WadFile& wad = wadFiles[static_cast<size_t>(ref.file)];
    const LumpEntry& entry = wad.directory[static_cast<size_t>(ref.entry)];
    if (std::FILE* in = stream(ref.file)) {
        const int64_t position =
            entry.size > 0
                ? entry.filePos
                : wad.directoryOffset + (ref.entry + int64_t{1}) * int64_t{sizeof(LumpEntry)};
        seekTo(in, position);
    }
    foundLump = ref;
    if (sizeOut != nullptr) {
        *sizeOut = entry.size;
    }
    return resultOk;
}

// At most maxBytes of a lump's data, in one read from its file's open stream. Empty when
// that stream is not open or the lump has no data.
LumpBytes WadArchive::readLump(LumpRef lump, size_t maxBytes) {
    LumpBytes bytes;
    std::FILE* in = stream(lump.file);
    if (in == nullptr || lump.entry < 0) {
        return bytes;
    }
    const LumpEntry& entry =
        wadFiles[static_cast<size_t>(lump.file)].directory[static_cast<size_t>(lump.entry)];
    if (entry.size <= 0 || !seekTo(in, entry.filePos)) {
        return bytes;
    }
    bytes.resize(std::min(static_cast<size_t>(entry.size), maxBytes));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in));
    return bytes;
}

// The data of the lump findLump found last, at most maxBytes of it.
LumpBytes WadArchive::readFoundLump(size_t maxBytes) {
    return readLump(foundLump, maxBytes);
}

}  // namespace brindle
