// ProgramChunk: the 264-byte record a host keeps in its project for an instance. It does not hold
// the patch, only the name of its patch file with the MIDI channel and the voice count; the patch
// travels in its own file. Little-endian, no header, no version: the size alone identifies it.
//
// The file name is stored as the bytes of the path, which on this system is the file system's
// own form (normally UTF-8): every name up to 255 bytes survives the round trip.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace brelix {

constexpr int32_t kProgramChunkSize = 264;
constexpr size_t kChunkFileNameSize = 255;

struct ProgramChunk {
  uint8_t Channel;     // MIDI receive channel 0..15
  uint8_t Padding[3];  // not defined when written, ignored when read
  int32_t MaxVoice;    // highest voice index: voice count - 1, -1..15
  uint8_t FileNameLength;
  char FileName[kChunkFileNameSize];  // the bytes after FileNameLength are not defined
};
static_assert(sizeof(ProgramChunk) == kProgramChunkSize);
static_assert(offsetof(ProgramChunk, MaxVoice) == 4 && offsetof(ProgramChunk, FileNameLength) == 8 &&
              offsetof(ProgramChunk, FileName) == 9);

// What a chunk says, as the instance keeps it.
struct ProgramChunkFields {
  uint8_t Channel = 0;
  int32_t MaxVoice = -1;
  std::string PatchFile;
};

// Fills `block` (every byte: padding and the unused name bytes are zero). A name longer than 255
// bytes is cut to 255, at the start of a UTF-8 character so that the cut name is still text.
void ProgramChunkWrite(std::array<uint8_t, kProgramChunkSize>& block, const ProgramChunkFields& fields);

// The fields of a block of `size` bytes; none when the size is not the chunk's. A damaged chunk
// still gives usable fields: a channel above 15 keeps its low four bits, the voice field is kept
// within -1..15 (above 15: 16 voices, below -1: none), and the name ends at its first zero byte.
std::optional<ProgramChunkFields> ProgramChunkRead(const void* data, int64_t size);

}  // namespace brelix
