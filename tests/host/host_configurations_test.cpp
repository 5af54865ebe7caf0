// The plug-in at the configurations hosts run it in: every common block size and sample rate,
// zero-frame blocks, a rate change while notes sound, suspend and resume, no editor calls at all,
// and many instances opened and closed in one process.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "vst_host.h"

namespace brelix {
namespace {

using host::MidiMessage;
using host::PluginInstance;
using host::PluginLibrary;

std::shared_ptr<PluginLibrary> Library() {
  static std::shared_ptr<PluginLibrary> library = PluginLibrary::Load(BRELIX_PLUGIN_PATH);
  return library;
}

std::unique_ptr<PluginInstance> Open(float rate, int32_t block) {
  auto instance = std::make_unique<PluginInstance>(Library());
  instance->open();
  instance->setSampleRate(rate);
  instance->setBlockSize(block);
  instance->resume();
  return instance;
}

// Renders `frames` in blocks of `block`; every sample finite and within a sane range. Returns
// the sum of squares.
double RenderChecked(PluginInstance& instance, int64_t frames, int32_t block) {
  double energy = 0.0;
  for (int64_t done = 0; done < frames; done += block) {
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(block, frames - done));
    instance.process(n);
    for (int32_t i = 0; i < n; ++i) {
      const float l = instance.left()[i], r = instance.right()[i];
      EXPECT_TRUE(std::isfinite(l) && std::isfinite(r)) << "frame " << done + i;
      EXPECT_LT(std::fabs(l), 8.0f);
      energy += static_cast<double>(l) * l;
      if (!std::isfinite(l)) return energy;
    }
  }
  return energy;
}

const std::vector<MidiMessage> kChord = {{0x90, 48, 100}, {0x90, 55, 90}, {0x90, 64, 80}, {0xB0, 1, 90}};

TEST(HostConfigurations, EveryBlockSizeAndRateSoundsAndStaysFinite) {
  for (float rate : {22050.0f, 32000.0f, 44100.0f, 48000.0f, 88200.0f, 96000.0f, 176400.0f, 192000.0f}) {
    for (int32_t block : {1, 7, 64, 512, 4096}) {
      auto instance = Open(rate, block);
      instance->sendMidi(kChord);
      const auto frames = static_cast<int64_t>(rate / 4);
      EXPECT_GT(RenderChecked(*instance, frames, block), 1.0) << rate << " Hz, block " << block;
      instance->sendMidi({{0xB0, 123, 0}});
      RenderChecked(*instance, block, block);
    }
  }
}

TEST(HostConfigurations, BlockSizeDoesNotChangeTheSound) {
  // Events come between blocks, so with the same event frames the output is the same sample for
  // sample whatever the block size.
  std::vector<float> reference;
  for (int32_t block : {1, 8, 64, 1024}) {
    auto instance = Open(44100.0f, block);
    std::vector<float> out;
    instance->sendMidi(kChord);
    for (int done = 0; done < 4096; done += block) {
      instance->process(block);
      out.insert(out.end(), instance->left().begin(), instance->left().begin() + block);
    }
    out.resize(4096);
    if (reference.empty()) {
      reference = out;
      continue;
    }
    // Noise seeds differ per instance, so only the tiny anti-denormal offset may differ.
    for (size_t i = 0; i < out.size(); ++i) ASSERT_NEAR(out[i], reference[i], 1e-5f) << "block " << block << " frame " << i;
  }
}

TEST(HostConfigurations, ZeroFrameBlocksAndSuspendResumeChangeNothing) {
  auto instance = Open(44100.0f, 256);
  instance->sendMidi(kChord);
  instance->process(0);
  instance->process(256);
  instance->suspend();
  instance->resume();
  instance->resume();  // Ardour resumes twice without a suspend in between
  instance->process(0);
  EXPECT_GT(RenderChecked(*instance, 4096, 256), 1.0);  // the notes sound on across the suspension
}

TEST(HostConfigurations, RateChangeWhileNotesSoundSilencesThemAndPlaysOnAtTheNewRate) {
  auto instance = Open(44100.0f, 512);
  instance->sendMidi(kChord);
  RenderChecked(*instance, 2048, 512);
  instance->setSampleRate(96000.0f);  // without a suspend: some hosts do this
  instance->process(512);
  // The voices stopped at once: after the decimator rings out, what is left is the output DC
  // blocker letting go of the chord's offset, a slow decay without oscillation.
  instance->process(4096);
  for (size_t i = 2048; i < instance->left().size(); ++i)
    ASSERT_LT(std::fabs(instance->left()[i] - instance->left()[i - 1]), 1e-5f) << i;
  instance->sendMidi(kChord);
  EXPECT_GT(RenderChecked(*instance, 9600, 512), 1.0);
}

TEST(HostConfigurations, ManyInstancesOpenAndCloseInOneProcess) {
  // Run under the leak sanitizer in the sanitizer build: nothing of an instance may stay behind.
  for (int round = 0; round < 8; ++round) {
    std::vector<std::unique_ptr<PluginInstance>> instances;
    for (int i = 0; i < 6; ++i) {
      instances.push_back(Open(44100.0f, 128));
      instances.back()->sendMidi({{0x90, static_cast<uint8_t>(40 + i), 100}});
      instances.back()->process(128);
    }
    for (size_t i = 0; i < instances.size(); i += 2) EXPECT_EQ(instances[i]->close(), 1);
  }
}

}  // namespace
}  // namespace brelix
