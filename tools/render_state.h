// The instance state brelix-render restores and keeps: the program chunk a host stores in its
// project (the patch file's name with the MIDI channel and the voice count).
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace brelix {

class StateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `current` (an instance's own chunk) naming `patchFile` instead, as a host restores a project
// whose instance played that file. The name is made absolute, so the state also works from
// another folder. Throws StateError when the file does not exist, its name does not fit the
// chunk, or `current` is no program chunk.
std::vector<uint8_t> ChunkNamingPatch(const std::vector<uint8_t>& current, const std::string& patchFile);

// A state file as --save-state writes it: the 264 bytes of the chunk. Throws StateError for a
// file that cannot be read or has another size.
std::vector<uint8_t> ReadStateFile(const std::string& path);
// Throws StateError; an older file of that name stays whole when the write fails.
void WriteStateFile(const std::string& path, const std::vector<uint8_t>& chunk);

// The patch file a chunk names ("" for none).
std::string ChunkPatchFile(const std::vector<uint8_t>& chunk);

}  // namespace brelix
