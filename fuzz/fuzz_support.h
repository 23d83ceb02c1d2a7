// What every fuzz target does with a candidate archive: open it (with any files layered over
// it), load the maps it lists, draw one frame of each from its start, and save a frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace brindle::fuzz {

// A file name private to this process (several fuzzing jobs run side by side), in a memory
// file system when there is one.
std::string processTempPath(const char* suffix);

// Replaces the file's content; false when it cannot be written.
bool writeWholeFile(const std::string& path, const uint8_t* data, size_t size);

// The same for a file of processTempPath that every input writes again: cheaper, as its
// descriptor stays open until the process ends. The content may come in pieces.
bool writeInputFile(const std::string& path, std::span<const std::span<const uint8_t>> pieces);
bool writeInputFile(const std::string& path, const uint8_t* data, size_t size);

// Whether an input's frame is also saved as a picture. The picture writer's work depends on
// the frame alone and its every branch is reached within the first inputs, so one input in
// sixteen, chosen by its length so that a saved crash reproduces, keeps its reach.
inline bool savesPicture(size_t inputSize) {
    return inputSize % 16 == 0;
}

// Which looks an input's maps are drawn in.
enum class Looks {
    byLength,  // one frame a map, by the input's length: the game look for one length in
               // four (its frame costs about three plain ones), else the plain look with
               // floors filled; both are reached at about the cost of one
    both,      // a frame in each look
};

// Runs the archive at `path`, with `added` layered over it, through open, loadLevel of every
// listed map (at most `maxMaps`), a frame of each from its start in the looks `looks` asks
// for (the plain one with floors filled, so that the floor fill runs beside the walls), and,
// when savesPicture(inputSize), writePcx of the first frame. Every result code is accepted;
// what matters is that nothing crashes, hangs or reads out of bounds.
void exerciseArchive(const std::string& path, size_t maxMaps, size_t inputSize, Looks looks,
                     const std::vector<std::string>& added = {});

}  // namespace brindle::fuzz
