// Arbitrary bytes as the TEXTMAP of a small UDMF level (see text_map_seeds.h): the text's
// grammar, its keys and values, and, for a text that keeps the room's six vertices, the level
// checks and both looks over records read from text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/archive_bytes.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/text_map_seeds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<brindle::fuzz::NamedLump> base = brindle::fuzz::textMapBaseLumps();
    static brindle::fuzz::ArchiveLayout archive;
    const brindle::fuzz::LumpReplacement replacement{"TEXTMAP", data, size};
    archive.lay(base, &replacement);
    static const std::string archivePath = brindle::fuzz::processTempPath(".wad");
    if (!brindle::fuzz::writeInputFile(archivePath, archive.pieces())) {
        return 0;
    }
    brindle::fuzz::exerciseArchive(archivePath, 1, size, brindle::fuzz::Looks::byLength);
    return 0;
}
