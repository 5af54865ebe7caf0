// The WAV sample loader on arbitrary bytes, then playing the loaded lanes: a sample file can
// claim anything in its header.
#include <cstring>

#include "fuzz_support.h"
#include "patch/patch_derived.h"
#include "patch/sample_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  brelix::XSynthesizer& synth = brelix::fuzz::Instance();
  const std::string& file = brelix::fuzz::ScratchFile(data, size, ".wav");
  brelix::XPatch& patch = *synth.Multi->EditBuffer;
  synth.BeginProcessUpdate();
  for (int lane = 1; lane <= 2; ++lane) {
    std::strncpy(patch.SampleOscFile[lane - 1], file.c_str(), brelix::kSampleFileNameSize - 1);
    brelix::SampleLoad(patch, lane);
  }
  patch.SampleOscLoop = brelix::QWord::of(0, ~0u, 0, 0);
  brelix::PatchRecalculate(patch);
  synth.AllocateVoices();
  synth.EndProcessUpdate();
  brelix::fuzz::RenderChecked(synth);
  return 0;
}
