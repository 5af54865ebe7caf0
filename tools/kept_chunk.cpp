#include "kept_chunk.h"

#include <optional>

#include "patch/program_chunk.h"

namespace brelix {

namespace {
std::optional<ProgramChunkFields> Read(const std::vector<uint8_t>& chunk) {
  return ProgramChunkRead(chunk.data(), static_cast<int64_t>(chunk.size()));
}
}  // namespace

std::vector<uint8_t> ChunkToKeep(const std::vector<uint8_t>& before, const std::vector<uint8_t>& started,
                                 const std::vector<uint8_t>& now) {
  const std::optional<ProgramChunkFields> was = Read(before), start = Read(started), end = Read(now);
  if (!was || !start || !end) return now;
  ProgramChunkFields kept = *end;
  // A part the command line set for this run and the player left as it started goes back.
  const auto oneRunOnly = [](const auto& was, const auto& start, const auto& end) { return start != was && end == start; };
  if (oneRunOnly(was->Channel, start->Channel, end->Channel)) kept.Channel = was->Channel;
  if (oneRunOnly(was->MaxVoice, start->MaxVoice, end->MaxVoice)) kept.MaxVoice = was->MaxVoice;
  const auto patch = [](const ProgramChunkFields& f) { return std::pair(f.PatchFile, f.Patch); };
  if (start->PatchFile != was->PatchFile && patch(*end) == patch(*start)) {
    kept.PatchFile = was->PatchFile;
    kept.Patch = was->Patch;
  }
  return ProgramChunkEncode(kept);
}

}  // namespace brelix
