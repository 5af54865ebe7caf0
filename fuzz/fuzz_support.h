// What the fuzz targets share: one synthesizer instance per process and a scratch file.
#pragma once

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/messages.h"
#include "synth/synthesizer.h"

namespace brelix::fuzz {

inline intptr_t Host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// Message boxes that show nothing: a finding is a crash, not a message.
class SilentMessages : public IMessageBoxes {
 public:
  void ShowMessageBox(std::string_view) override {}
  std::unique_ptr<WaitBox> ShowWaitBox(std::string_view) override { return std::make_unique<WaitBox>(); }
  void ShowNotice(std::string_view) override {}
};

inline XSynthesizer& Instance() {
  static std::unique_ptr<XSynthesizer> synth = [] {
    std::unique_ptr<XSynthesizer> s(XSynthesizer::Create(&Host));
    s->SetSampleRate(44100.0f);
    return s;
  }();
  return *synth;
}

// Plays a short chord and renders; aborts (a finding) when the output is not finite.
inline void RenderChecked(XSynthesizer& synth, int blocks = 4) {
  const uint8_t notes[][3] = {{0x90, 48, 100}, {0x90, 60, 90}, {0x90, 67, 80}};
  for (const auto& note : notes) synth.Multi->ProcessEvent(note);
  std::vector<float> left(256), right(256);
  float* outputs[2] = {left.data(), right.data()};
  for (int b = 0; b < blocks; ++b) {
    synth.ProcessReplacing(nullptr, outputs, 256);
    for (int i = 0; i < 256; ++i)
      if (!std::isfinite(left[i]) || !std::isfinite(right[i])) std::abort();
  }
  const uint8_t all_off[3] = {0xB0, 123, 0};
  synth.Multi->ProcessEvent(all_off);
}

// A scratch file of this process holding `data`; its name.
inline const std::string& ScratchFile(const uint8_t* data, size_t size, const char* extension) {
  // In memory where there is such a folder: the file is written again for every input.
  static const std::string name = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                  "/brelix-fuzz-" + std::to_string(getpid()) + extension;
  std::ofstream(name, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                 static_cast<std::streamsize>(size));
  return name;
}

}  // namespace brelix::fuzz
