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

// What brelix-render changes in the chunk it restores; each empty or 0 keeps the chunk's own.
struct StateChanges {
  std::string PatchFile{};  // a patch file to name instead
  int Channel = 0;        // the MIDI channel 1..16 to listen on
  int Voices = 0;         // the voice count 1..16
};

// `chunk` (an instance's own, or one saved) with the changes, as a host restores a project whose
// instance played that patch on that channel. The patch file's name is made absolute, so the
// state also works from another folder. Throws StateError when the patch file does not exist,
// its name does not fit the chunk, or `chunk` is no program chunk.
std::vector<uint8_t> ChangedChunk(const std::vector<uint8_t>& chunk, const StateChanges& changes);

// A state file as --save-state writes it: the 264 bytes of the chunk. Throws StateError for a
// file that cannot be read or has another size.
std::vector<uint8_t> ReadStateFile(const std::string& path);
// Throws StateError; an older file of that name stays whole when the write fails.
void WriteStateFile(const std::string& path, const std::vector<uint8_t>& chunk);
// Throws StateError when a state file could not be written there: its folder is missing or is
// no folder or write-protected, or the name is a folder's. Asked before a render, so that the
// render is not lost to a mistyped folder.
void CheckStateFileCanBeWritten(const std::string& path);

// The patch file a chunk names ("" for none).
std::string ChunkPatchFile(const std::vector<uint8_t>& chunk);
// The MIDI channel a chunk listens on, 1..16.
int ChunkChannel(const std::vector<uint8_t>& chunk);

}  // namespace brelix
