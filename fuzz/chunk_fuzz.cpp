// SetChunk with arbitrary blocks of arbitrary sizes, then rendering: a host restores whatever
// its project file holds.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  brelix::XSynthesizer& synth = brelix::fuzz::Instance();
  std::vector<uint8_t> block(data, data + size);
  synth.SetChunk(block.empty() ? nullptr : block.data(), static_cast<int64_t>(size), false);
  brelix::fuzz::RenderChecked(synth);
  return 0;
}
