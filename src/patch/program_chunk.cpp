#include "patch/program_chunk.h"

#include <algorithm>
#include <cstring>

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

std::optional<ProgramChunkFields> ProgramChunkRead(const void* data, int64_t size) {
  if (data == nullptr || size != kProgramChunkSize) return std::nullopt;
  ProgramChunk chunk;
  std::memcpy(&chunk, data, sizeof chunk);
  ProgramChunkFields fields;
  fields.Channel = chunk.Channel & kChannelBits;
  // min(field + 1, 16) - 1, without the overflow of field + 1 at the top of the range.
  fields.MaxVoice = std::clamp<int32_t>(chunk.MaxVoice, -1, kHighestMaxVoice);
  const size_t length = strnlen(chunk.FileName, chunk.FileNameLength);
  fields.PatchFile.assign(chunk.FileName, length);
  return fields;
}

}  // namespace brelix
