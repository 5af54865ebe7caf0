#include "patch/sample_file.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "engine/sample_memory.h"
#include "patch/wav_reader.h"
#include "base/messages.h"

namespace brelix {

namespace {

std::string LaneFileName(const XPatch& p, int l) {
  return std::string(p.SampleOscFile[l], strnlen(p.SampleOscFile[l], kSampleFileNameSize));
}

void EmptyLane(XPatch& p, int l) {
  SampleMemoryRelease(p.SampleOscMemory.p[l]);
  p.SampleOscPtr.p[l] = SilentSample();
  p.SampleOscSize.set_lane(l, 0.0);
  p._SampleOscLoop.set_lane(l, 0.0);
}

// The sample oscillator runs while any lane holds a sample.
void SelectSampleRoutines(XPatch& p) {
  p.SampleProcess = NoOperation;
  p.SampleCalculate = NoOperation;
  for (float* memory : p.SampleOscMemory.p) {
    if (memory != nullptr) {
      p.SampleProcess = SampleOscProcess;
      p.SampleCalculate = SampleOscCalculate;
    }
  }
}

}  // namespace

void ShowInvalidSample(std::string_view file_name) {
  ShowMessageBox("Invalid sample file:\r\r" + std::string(file_name));
}

void SampleLoad(XPatch& p, int lane) {
  if (lane < 1 || lane > 4) throw std::out_of_range("sample lane outside 1..4");
  const int l = lane - 1;
  EmptyLane(p, l);
  const std::string file = LaneFileName(p, l);
  bool rejected = false;
  if (!file.empty()) {
    const WavLaneData data = ReadWavLane(file, lane == 2 || lane == 4);
    if (data.rate) p.SampleOscRate.set_lane(l, static_cast<float>(*data.rate));
    if (data.memory != nullptr) {
      p.SampleOscMemory.p[l] = data.memory;
      p.SampleOscPtr.p[l] = data.memory + 2;
      p.SampleOscSize.set_lane(l, static_cast<double>(data.frames));
      SampleRateUpdate(p, lane);
    } else {
      rejected = true;
    }
  }
  // The slots are right before the message box, whatever the box does.
  SelectSampleRoutines(p);
  if (rejected) ShowInvalidSample(file);
}

}  // namespace brelix
