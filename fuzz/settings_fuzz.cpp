// The settings file: any bytes give settings inside their clamps.
#include <cmath>
#include <cstdlib>

#include "fuzz_support.h"
#include "patch/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& file = brelix::fuzz::ScratchFile(data, size, ".ini");
  const brelix::TSettings settings = brelix::SettingsRead(file, brelix::TSettings{});
  if (!(settings.RealSampleBase >= 44100.0f) || !(settings.OversampleBase >= 44100.0f)) std::abort();
  if (settings.Shared.KnobSensitivity < 0 || settings.Shared.ScrollSensitivity < 0) std::abort();
  if (settings.Shared.Colors.EditColor > 0xFFFFFF) std::abort();
  return 0;
}
