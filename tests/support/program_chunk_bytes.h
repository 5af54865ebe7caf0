// A program chunk as the bytes a host keeps in its project.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "patch/program_chunk.h"

namespace brelix::testing {

// The chunk naming the patch file `file`, with the MIDI channel and the highest voice index.
inline std::vector<uint8_t> ProgramChunkBytes(uint8_t channel, int32_t max_voice, const std::string& file) {
  std::array<uint8_t, kProgramChunkSize> block{};
  ProgramChunkWrite(block, {channel, max_voice, file, {}});
  return std::vector<uint8_t>(block.begin(), block.end());
}

// The record at the start of a chunk, without the patch that follows it.
inline std::vector<uint8_t> ChunkRecord(const std::vector<uint8_t>& chunk) {
  return std::vector<uint8_t>(chunk.begin(), chunk.begin() + std::min<size_t>(chunk.size(), kProgramChunkSize));
}

}  // namespace brelix::testing
