// What every fuzz target does with a candidate archive: open it, load the maps it lists,
// draw each from its start with and without floors, and save the frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace brindle::fuzz {

// A file name private to this process (several fuzzing jobs run side by side), in a memory
// file system when there is one.
std::string processTempPath(const char* suffix);

// Replaces the file's content; false when it cannot be written.
bool writeWholeFile(const std::string& path, const uint8_t* data, size_t size);

// Runs the archive at `path` through open, loadLevel of every listed map (at most
// `maxMaps`), one frame without and one with floors, and writePcx. Every result code is
// accepted; what matters is that nothing crashes, hangs or reads out of bounds.
void exerciseArchive(const std::string& path, size_t maxMaps);

}  // namespace brindle::fuzz
