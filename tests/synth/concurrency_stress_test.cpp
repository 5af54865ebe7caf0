// An audio thread renders and receives MIDI without pause while the user-interface thread
// rebuilds the instance under it: voice counts, sample rates. Run under ThreadSanitizer by
// scripts/test.sh; bounded in iterations, not in time.
#include <atomic>
#include <cmath>
#include <thread>

#include "modulation/delay.h"
#include "synth/synth_fixture.h"

namespace brelix {
namespace {

TEST(ConcurrencyStress, RenderingAndMidiWhileTheInterfaceRebuildsTheInstance) {
  testing::SynthFixture f;
  XSynthesizer& synth = *f.synth;
  // Both delays run, so their rebuild at every rate change meets a running render loop too.
  f.patch().DelayWet = f.patch().AuxDelayWet = 0.3f;
  DelayRebuild(f.patch(), true);
  std::atomic<bool> stop{false};
  std::atomic<int> blocks{0};
  std::atomic<int> bad_samples{0};

  std::thread audio([&] {
    std::vector<float> left(128), right(128);
    float* outputs[2] = {left.data(), right.data()};
    VstMidiEvent events[2]{};
    VstEvents* list = reinterpret_cast<VstEvents*>(new char[sizeof(VstEvents) + 2 * sizeof(VstEvent*)]{});
    uint8_t note = 36;
    while (!stop) {
      for (VstMidiEvent& e : events) {
        e.type = kVstMidiType;
        e.byteSize = sizeof e;
      }
      events[0].midiData[0] = static_cast<char>(0x90);
      events[0].midiData[1] = static_cast<char>(note);
      events[0].midiData[2] = 100;
      events[1].midiData[0] = static_cast<char>(0x80);
      events[1].midiData[1] = static_cast<char>(note - 12);
      note = static_cast<uint8_t>(36 + (note - 35) % 48);
      list->numEvents = 2;
      list->events[0] = reinterpret_cast<VstEvent*>(&events[0]);
      list->events[1] = reinterpret_cast<VstEvent*>(&events[1]);
      synth.ProcessEvents(list);
      synth.ProcessReplacing(nullptr, outputs, 128);
      for (float v : left)
        if (!std::isfinite(v)) ++bad_samples;
      ++blocks;
    }
    delete[] reinterpret_cast<char*>(list);
  });

  const float rates[] = {44100.0f, 48000.0f, 96000.0f, 22050.0f};
  for (int round = 0; round < 300; ++round) {
    synth.BeginProcessUpdate();
    synth.Multi->MaxVoice = round % 17 - 1;  // 0 to 16 voices
    synth.AllocateVoices();
    synth.EndProcessUpdate();
    if (round % 10 == 0) synth.SetSampleRate(rates[(round / 10) % 4]);
    std::this_thread::yield();
  }
  stop = true;
  audio.join();
  EXPECT_GT(blocks.load(), 0);
  EXPECT_EQ(bad_samples.load(), 0);
}

}  // namespace
}  // namespace brelix
