// ProgramChunk: the record a host keeps in its project for an instance: the 264-byte record of
// the MIDI channel, the voice count and the name of the patch file, followed by the patch itself,
// so that a project keeps its sound when the patch file is moved, renamed or lost. The record is
// little-endian, without header or version; the patch follows a marker and its byte count, as
// the text of a patch file. A bare 264-byte record (what earlier projects hold) is read as well.
//
// The first padding byte of the record holds flags: bit 0 says that the carried patch holds edits
// its file does not (the patch was changed and could not be written back), so that it plays
// instead of the file when the project is opened again. Versions before it wrote that byte as 0
// (and read it as padding, so they still read chunks with the flag); a bare record carries no
// patch, and its flags are not read at all.
//
// The file name is stored as the bytes of the path, which on this system is the file system's
// own form (normally UTF-8): every name up to 255 bytes survives the round trip.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brelix {

constexpr int32_t kProgramChunkSize = 264;
constexpr size_t kChunkFileNameSize = 255;
// After the record: the marker, the patch text's byte count (unsigned 32-bit, little-endian) and
// the text. The text is no longer than a patch file may be.
constexpr char kChunkPatchMarker[8] = {'B', 'r', 'e', 'l', 'i', 'x', 'P', 'T'};
constexpr size_t kChunkPatchHeaderSize = sizeof kChunkPatchMarker + 4;
constexpr size_t kChunkPatchMaxBytes = 4u << 20;
// The carried patch holds edits its file does not.
constexpr uint8_t kChunkFlagEdited = 0x01;

struct ProgramChunk {
  uint8_t Channel;     // MIDI receive channel 0..15
  uint8_t Flags;       // kChunkFlag...; 0 in a bare record, where it is not defined either
  uint8_t Padding[2];  // not defined when written, ignored when read
  int32_t MaxVoice;    // highest voice index: voice count - 1, -1..15
  uint8_t FileNameLength;
  char FileName[kChunkFileNameSize];  // the bytes after FileNameLength are not defined
};
static_assert(sizeof(ProgramChunk) == kProgramChunkSize);
static_assert(offsetof(ProgramChunk, Flags) == 1 && offsetof(ProgramChunk, MaxVoice) == 4 &&
              offsetof(ProgramChunk, FileNameLength) == 8 && offsetof(ProgramChunk, FileName) == 9);

// What a chunk says, as the instance keeps it.
struct ProgramChunkFields {
  uint8_t Channel = 0;
  int32_t MaxVoice = -1;
  std::string PatchFile;
  // The patch as the text of a patch file; none in a bare record.
  std::optional<std::string> Patch;
  // The patch holds edits its file does not; only with a patch.
  bool Edited = false;
};

// Fills `block` (every byte: padding and the unused name bytes are zero). A name longer than 255
// bytes is cut to 255, at the start of a UTF-8 character so that the cut name is still text.
void ProgramChunkWrite(std::array<uint8_t, kProgramChunkSize>& block, const ProgramChunkFields& fields);

// The record followed by the patch, when the fields carry one (a patch longer than
// kChunkPatchMaxBytes is left out, and so is its Edited flag).
std::vector<uint8_t> ProgramChunkEncode(const ProgramChunkFields& fields);

// The fields of a block of `size` bytes: a bare record, or a record followed by the marker, a
// byte count and exactly that many bytes of patch text (at most kChunkPatchMaxBytes). None for any
// other block. A damaged record still gives usable fields: a channel above 15 keeps its low four
// bits, the voice field is kept within -1..15 (above 15: 16 voices, below -1: none), and the name
// ends at its first zero byte. Edited is read only when a patch follows the record.
std::optional<ProgramChunkFields> ProgramChunkRead(const void* data, int64_t size);

}  // namespace brelix
