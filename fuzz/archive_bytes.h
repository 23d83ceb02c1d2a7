// Archives as lists of named lumps, for taking real archives apart and putting test
// archives together. Only for trusted inputs: the seed generator and the fuzz targets' own
// base archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "wad/wad_archive.h"

namespace brindle::fuzz {

struct NamedLump {
    std::string name;
    std::vector<uint8_t> data;
};

// The lumps in directory order; empty when the bytes are not a well-formed archive.
std::vector<NamedLump> splitArchive(const std::vector<uint8_t>& archive);

// A body standing in for the data of the first lump named `name`.
struct LumpReplacement {
    std::string_view name;
    const uint8_t* body = nullptr;
    size_t size = 0;
};

// An "IWAD" with the lumps stored in order and the directory at the end, `replacement`
// applied when given, laid out as pieces that point into the lumps instead of copying them: the
// fuzz targets write one for every input. Its pieces hold until it is laid out again or the
// lumps change.
class ArchiveLayout {
  public:
    void lay(const std::vector<NamedLump>& lumps, const LumpReplacement* replacement = nullptr);
    // The file's bytes in order: header, lump bodies, directory.
    const std::vector<std::span<const uint8_t>>& pieces() const { return laidOut; }

  private:
    WadHeader header{};
    std::vector<LumpEntry> directory;
    std::vector<std::span<const uint8_t>> laidOut;
};

// The same archive's bytes.
std::vector<uint8_t> joinArchive(const std::vector<NamedLump>& lumps,
                                 const LumpReplacement* replacement = nullptr);

std::vector<uint8_t> readWholeFile(const std::string& path);

}  // namespace brindle::fuzz
