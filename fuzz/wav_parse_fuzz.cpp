// The WAV reader alone on arbitrary bytes, both channels: a sample file can claim anything in
// its header (wav plays the loaded lanes as well).
#include <cmath>
#include <cstdlib>

#include "fuzz_support.h"
#include "engine/sample_memory.h"
#include "patch/wav_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& file = brelix::fuzz::ScratchFile(data, size, ".wav");
  for (const bool second : {false, true}) {
    brelix::WavLaneData lane = brelix::ReadWavLane(file, second);
    if (lane.memory == nullptr) continue;
    if (lane.frames < 1 || lane.frames > brelix::kMaxSampleFrames) std::abort();
    // Every frame and guard is a number the playback can use.
    for (int64_t i = 0; i < lane.frames + 5; ++i)
      if (!std::isfinite(lane.memory[i])) std::abort();
    brelix::SampleMemoryRelease(lane.memory);
  }
  return 0;
}
