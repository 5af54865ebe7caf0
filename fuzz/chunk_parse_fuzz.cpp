// The program chunk's reader alone on blocks of any bytes and sizes, with the patch it carries
// read as a patch file's text: a project's chunk is untrusted (chunk restores it into an instance
// and plays it as well).
#include <cstdlib>
#include <memory>

#include "engine/patch.h"
#include "patch/patch_file.h"
#include "patch/program_chunk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const auto patch = std::make_unique<brelix::XPatch>();
  const std::optional<brelix::ProgramChunkFields> fields =
      brelix::ProgramChunkRead(size == 0 ? nullptr : data, static_cast<int64_t>(size));
  if (!fields) return 0;
  if (fields->Channel > 15 || fields->MaxVoice < -1 || fields->MaxVoice > 15) std::abort();
  if (fields->Patch) brelix::PatchReadText(*patch, *fields->Patch);
  // What was read is written again as it was, the record's unused bytes aside.
  const std::vector<uint8_t> again = brelix::ProgramChunkEncode(*fields);
  if (brelix::ProgramChunkRead(again.data(), static_cast<int64_t>(again.size()))->Patch != fields->Patch) std::abort();
  return 0;
}
