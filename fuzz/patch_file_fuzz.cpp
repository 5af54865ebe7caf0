// PatchLoad on arbitrary bytes, then playing the patch: a patch file can hold anything.
#include "fuzz_support.h"
#include "patch/patch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  brelix::XSynthesizer& synth = brelix::fuzz::Instance();
  const std::string& file = brelix::fuzz::ScratchFile(data, size, ".tw");
  synth.BeginProcessUpdate();
  brelix::PatchLoad(*synth.Multi->EditBuffer, file);
  synth.AllocateVoices();
  synth.EndProcessUpdate();
  brelix::fuzz::RenderChecked(synth);
  return 0;
}
