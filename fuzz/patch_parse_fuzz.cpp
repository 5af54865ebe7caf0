// The patch reader alone on arbitrary text, without samples, delay or playing: a patch file can
// hold anything, and reading it must be fast enough to be tried millions of times (patch_file
// loads and plays it as well).
#include <memory>
#include <string_view>

#include "engine/patch.h"
#include "patch/patch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const auto patch = std::make_unique<brelix::XPatch>();
  brelix::PatchReadText(*patch, std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
