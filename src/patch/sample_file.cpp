#include "patch/sample_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "base/messages.h"
#include "base/printable_text.h"
#include "engine/sample_memory.h"
#include "patch/sample_name.h"
#include "patch/wav_reader.h"

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

// The lane plays `memory` (two guard samples, then `frames` samples).
void HoldSample(XPatch& p, int lane, float* memory, int64_t frames) {
  const int l = lane - 1;
  p.SampleOscMemory.p[l] = memory;
  p.SampleOscPtr.p[l] = memory + 2;
  p.SampleOscSize.set_lane(l, static_cast<double>(frames));
  SampleRateUpdate(p, lane);
}

// A block that another lane holds from the same channel of the file as it is now, or none.
float* SharedSample(const XPatch& p, int l, const std::string& file, bool second_channel) {
  struct stat info{};
  if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  const SampleSource version = SampleFileVersion(info);
  for (int other = 0; other < 4; ++other) {
    float* memory = p.SampleOscMemory.p[other];
    if (other == l || memory == nullptr) continue;
    const SampleSource& source = SampleMemorySource(memory);
    const int channel = second_channel && source.Channels >= 2 ? 1 : 0;
    if (source.Frames > 0 && source.Channel == channel && SameFileVersion(source, version)) return memory;
  }
  return nullptr;
}

// The frames a lane may still load: the patch's limit less what the other lanes hold.
int64_t FramesLeftForLane(const XPatch& p, int l) {
  int64_t held = 0;
  for (int other = 0; other < 4; ++other) {
    const float* memory = p.SampleOscMemory.p[other];
    bool counted = false;  // a block shared by lanes counts once
    for (int before = 0; before < other; ++before) counted |= p.SampleOscMemory.p[before] == memory;
    if (other != l && memory != nullptr && !counted) held += SampleMemorySource(memory).Frames;
  }
  return kMaxPatchSampleFrames - held;
}

bool IsMissing(const std::string& file) {
  struct stat info{};
  return ::stat(file.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

}  // namespace

void ShowMissingSample(const std::string& sample, const std::string& patch_file) {
  const std::string looked = SampleFileMeant(sample, patch_file);
  std::string text = "Sample file not found: " + PrintableText(looked);
  if (looked != sample) text += " (named " + PrintableText(sample) + " in the patch)";
  ShowMessageBox(text);
}

void ShowInvalidSample(std::string_view file_name) {
  ShowMessageBox("Invalid sample file:\r\r" + PrintableText(file_name));
}

void ShowSampleTooLong(std::string_view file_name) {
  ShowMessageBox("Invalid sample file:\r\r" + PrintableText(file_name) + "\r\rIt is longer than " +
                 std::to_string(kMaxSampleFrames) + " frames, or the patch's samples together would be longer than " +
                 std::to_string(kMaxPatchSampleFrames) + " frames (" +
                 std::to_string(kMaxPatchSampleFrames * sizeof(float) >> 20) + " MiB).");
}

void SampleLoad(XPatch& p, int lane, const std::string& patch_file) {
  if (lane < 1 || lane > 4) throw std::out_of_range("sample lane outside 1..4");
  const int l = lane - 1;
  EmptyLane(p, l);
  const std::string file = LaneFileName(p, l);
  bool rejected = false, too_long = false, missing = false;
  const bool second_channel = lane == 2 || lane == 4;
  // A relative name is looked for beside the patch file first.
  const std::string opened = file.empty() ? file : SampleFileToOpen(file, patch_file);
  if (float* shared = opened.empty() ? nullptr : SharedSample(p, l, opened, second_channel)) {
    // Lanes that play the same channel of the same file share one copy of it.
    const SampleSource& source = SampleMemorySource(shared);
    p.SampleOscRate.set_lane(l, static_cast<float>(source.Rate));
    HoldSample(p, lane, SampleMemoryShare(shared), source.Frames);
  } else if (!opened.empty() && IsMissing(opened)) {
    missing = true;
  } else if (!opened.empty()) {
    const WavLaneData data = ReadWavLane(opened, second_channel, FramesLeftForLane(p, l));
    too_long = data.too_long;
    if (data.rate) p.SampleOscRate.set_lane(l, static_cast<float>(*data.rate));
    if (data.memory != nullptr) {
      HoldSample(p, lane, data.memory, data.frames);
    } else {
      rejected = true;
    }
  }
  // The slots are right before the message box, whatever the box does.
  SelectSampleRoutines(p);
  if (too_long) ShowSampleTooLong(file);
  else if (rejected) ShowInvalidSample(file);
  if (missing) ShowMissingSample(file, patch_file);
}

}  // namespace brelix
