#include "patch/program_chunk.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <utility>

namespace brelix {

namespace {

constexpr int32_t kHighestMaxVoice = 15;  // 16 voices
constexpr uint8_t kChannelBits = 0x0F;

bool IsUtf8Continuation(char c) { return (static_cast<uint8_t>(c) & 0xC0) == 0x80; }

// The first `limit` bytes of `name`, fewer when the cut would split a UTF-8 character.
size_t CutLength(const std::string& name, size_t limit) {
  if (name.size() <= limit) return name.size();
  size_t length = limit;
  while (length > 0 && IsUtf8Continuation(name[length])) --length;
  return length;
}

}  // namespace

void ProgramChunkWrite(std::array<uint8_t, kProgramChunkSize>& block, const ProgramChunkFields& fields) {
  ProgramChunk chunk{};
  chunk.Channel = fields.Channel;
  chunk.MaxVoice = fields.MaxVoice;
  const size_t length = CutLength(fields.PatchFile, kChunkFileNameSize);
  chunk.FileNameLength = static_cast<uint8_t>(length);
  std::memcpy(chunk.FileName, fields.PatchFile.data(), length);
  std::memcpy(block.data(), &chunk, sizeof chunk);
}

std::vector<uint8_t> ProgramChunkEncode(const ProgramChunkFields& fields) {
  std::array<uint8_t, kProgramChunkSize> record;
  ProgramChunkWrite(record, fields);
  const bool carries_patch = fields.Patch && fields.Patch->size() <= kChunkPatchMaxBytes;
  if (carries_patch && fields.Edited) record[offsetof(ProgramChunk, Flags)] |= kChunkFlagEdited;
  std::vector<uint8_t> block(record.begin(), record.end());
  if (!carries_patch) return block;
  block.insert(block.end(), std::begin(kChunkPatchMarker), std::end(kChunkPatchMarker));
  const auto length = static_cast<uint32_t>(fields.Patch->size());
  for (int shift = 0; shift < 32; shift += 8) block.push_back(static_cast<uint8_t>(length >> shift));
  block.insert(block.end(), fields.Patch->begin(), fields.Patch->end());
  return block;
}

std::optional<ProgramChunkFields> ProgramChunkRead(const void* data, int64_t size) {
  if (data == nullptr || size < kProgramChunkSize) return std::nullopt;
  // The patch after the record: the marker, then exactly as many bytes as the count says.
  std::optional<std::string> patch;
  if (size > kProgramChunkSize) {
    const auto* after = static_cast<const uint8_t*>(data) + kProgramChunkSize;
    const auto rest = static_cast<uint64_t>(size - kProgramChunkSize);
    if (rest < kChunkPatchHeaderSize || std::memcmp(after, kChunkPatchMarker, sizeof kChunkPatchMarker) != 0)
      return std::nullopt;
    uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length |= uint32_t{after[sizeof kChunkPatchMarker + i]} << (8 * i);
    if (length > kChunkPatchMaxBytes || rest - kChunkPatchHeaderSize != length) return std::nullopt;
    patch.emplace(reinterpret_cast<const char*>(after + kChunkPatchHeaderSize), length);
  }
  ProgramChunk chunk;
  std::memcpy(&chunk, data, sizeof chunk);
  ProgramChunkFields fields;
  fields.Channel = chunk.Channel & kChannelBits;
  // min(field + 1, 16) - 1, without the overflow of field + 1 at the top of the range.
  fields.MaxVoice = std::clamp<int32_t>(chunk.MaxVoice, -1, kHighestMaxVoice);
  const size_t length = strnlen(chunk.FileName, chunk.FileNameLength);
  fields.PatchFile.assign(chunk.FileName, length);
  fields.Edited = patch && (chunk.Flags & kChunkFlagEdited) != 0;
  fields.Patch = std::move(patch);
  return fields;
}

}  // namespace brelix
