#include "fuzz/archive_bytes.h"

#include <cstdio>
#include <cstring>
#include <span>

#include "wad/lump_names.h"
#include "wad/wad_archive.h"

namespace brindle::fuzz {

std::vector<NamedLump> splitArchive(const std::vector<uint8_t>& archive) {
    WadHeader header{};
    if (archive.size() < sizeof header) {
        return {};
    }
    std::memcpy(&header, archive.data(), sizeof header);
    const int64_t directoryEnd =
        int64_t{header.directoryOffset} + int64_t{header.lumpCount} * int64_t{sizeof(LumpEntry)};
    if (header.lumpCount < 0 || header.directoryOffset < 0 ||
        directoryEnd > static_cast<int64_t>(archive.size())) {
        return {};
    }
    std::vector<NamedLump> lumps;
    for (int32_t i = 0; i < header.lumpCount; ++i) {
        LumpEntry entry{};
        std::memcpy(&entry, archive.data() + header.directoryOffset + i * sizeof entry,
                    sizeof entry);
        NamedLump lump{lumpName(entry.name), {}};
        if (entry.size > 0 && entry.filePos >= 0 &&
            int64_t{entry.filePos} + entry.size <= static_cast<int64_t>(archive.size())) {
            lump.data.assign(archive.begin() + entry.filePos,
                             archive.begin() + entry.filePos + entry.size);
        }
        lumps.push_back(std::move(lump));
    }
    return lumps;
}

void ArchiveLayout::lay(const std::vector<NamedLump>& lumps, const LumpReplacement* replacement) {
    // The first lump of the replaced name, if any, takes the replacement's body.
    const NamedLump* replaced = nullptr;
    if (replacement != nullptr) {
        for (const NamedLump& lump : lumps) {
            if (lump.name == replacement->name) {
                replaced = &lump;
                break;
            }
        }
    }
    directory.clear();
    laidOut.clear();
    laidOut.emplace_back(reinterpret_cast<const uint8_t*>(&header), sizeof header);
    size_t position = sizeof header;
    for (const NamedLump& lump : lumps) {
        const std::span<const uint8_t> body =
            &lump == replaced ? std::span<const uint8_t>(replacement->body, replacement->size)
                              : std::span<const uint8_t>(lump.data);
        LumpEntry entry{};
        entry.filePos = static_cast<int32_t>(position);
        entry.size = static_cast<int32_t>(body.size());
        std::strncpy(entry.name, lump.name.c_str(), sizeof entry.name);
        directory.push_back(entry);
        laidOut.push_back(body);
        position += body.size();
    }
    header = WadHeader{{'I', 'W', 'A', 'D'},
                       static_cast<int32_t>(directory.size()),
                       static_cast<int32_t>(position)};
    laidOut.emplace_back(reinterpret_cast<const uint8_t*>(directory.data()),
                         directory.size() * sizeof(LumpEntry));
}

std::vector<uint8_t> joinArchive(const std::vector<NamedLump>& lumps,
                                 const LumpReplacement* replacement) {
    ArchiveLayout layout;
    layout.lay(lumps, replacement);
    std::vector<uint8_t> bytes;
    for (const std::span<const uint8_t> piece : layout.pieces()) {
        bytes.insert(bytes.end(), piece.begin(), piece.end());
    }
    return bytes;
}

std::vector<uint8_t> readWholeFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return bytes;
    }
    uint8_t buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    std::fclose(file);
    return bytes;
}

}  // namespace brindle::fuzz
