// An audio thread renders and receives MIDI without pause while the user-interface thread
// rebuilds the instance under it: patches through the program chunk, voice counts, samples,
// sample rates. Run under ThreadSanitizer by scripts/test.sh; bounded in iterations, not in time.
#include <atomic>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "patch/program_chunk.h"
#include "patch/sample_file.h"
#include "support/program_chunk_bytes.h"
#include "support/temp_folder.h"

#include "modulation/delay.h"
#include "synth/synth_fixture.h"

namespace brelix {
namespace {

const char* const kPatches[] = {"pads/warm-pad.tw", "basses/round-bass.tw", "leads/sync-lead.tw", "plucks-and-mallets/glass-pluck.tw",
                               "keys/echo-keys.tw"};

std::string PatchPath(const char* name) { return std::string(BRELIX_PATCHES_DIR) + "/" + name; }

// What tells the shipped patches apart, read from the edit buffer.
struct Fingerprint {
  float volume, cutoff, lfo_rate, delay_wet;
  bool operator==(const Fingerprint&) const = default;
};
Fingerprint FingerprintOf(const XPatch& p) {
  return {p.Volume, p.FilterCutoff.lane(0), p.LfoRate.lane(0), p.DelayWet};
}

// A one-second 16-bit sine as a canonical WAV file.
std::string WriteSample(const std::string& folder) {
  const std::string name = folder + "/sine.wav";
  std::vector<int16_t> frames(44100);
  for (size_t i = 0; i < frames.size(); ++i) frames[i] = static_cast<int16_t>(20000 * std::sin(i * 0.0626));
  const uint32_t bytes = static_cast<uint32_t>(frames.size() * 2);
  std::ofstream out(name, std::ios::binary);
  auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out.write("RIFF", 4);
  u32(36 + bytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(44100);
  u32(88200);
  u16(2);
  u16(16);
  out.write("data", 4);
  u32(bytes);
  out.write(reinterpret_cast<const char*>(frames.data()), bytes);
  return name;
}

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

  // Every shipped patch as a lone instance loads it: what each must look like afterwards.
  std::vector<Fingerprint> expected;
  for (const char* name : kPatches) {
    testing::SynthFixture reference;
    std::vector<uint8_t> chunk = testing::ProgramChunkBytes(0, 15, PatchPath(name));
    reference.synth->SetChunk(chunk.data(), kProgramChunkSize, false);
    expected.push_back(FingerprintOf(reference.patch()));
    ASSERT_EQ(reference.synth->Multi->PatchFile, PatchPath(name));
  }
  for (size_t i = 0; i < expected.size(); ++i)
    for (size_t j = i + 1; j < expected.size(); ++j) ASSERT_FALSE(expected[i] == expected[j]) << i << " " << j;
  testing::TempFolder folder;
  const std::string sample = WriteSample(folder.path());

  const float rates[] = {44100.0f, 48000.0f, 96000.0f, 22050.0f};
  int loads = 0;
  for (int round = 0; round < 300; ++round) {
    switch (round % 4) {
      case 0: {  // a project restored: the patch through the program chunk
        const int which = (round / 4) % 5;
        std::vector<uint8_t> chunk =
            testing::ProgramChunkBytes(0, static_cast<int32_t>(round % 16), PatchPath(kPatches[which]));
        synth.SetChunk(chunk.data(), kProgramChunkSize, false);
        EXPECT_EQ(synth.Multi->PatchFile, PatchPath(kPatches[which]));
        EXPECT_TRUE(FingerprintOf(f.patch()) == expected[which]) << kPatches[which];
        ++loads;
        break;
      }
      case 1:  // the voice count changed
        synth.BeginProcessUpdate();
        synth.Multi->MaxVoice = round % 17 - 1;  // 0 to 16 voices
        synth.AllocateVoices();
        synth.EndProcessUpdate();
        break;
      case 2: {  // a sample loaded into lane 1, or cleared again
        synth.BeginProcessUpdate();
        const std::string name = (round / 4) % 2 == 0 ? sample : "";
        std::strncpy(f.patch().SampleOscFile[0], name.c_str(), kSampleFileNameSize - 1);
        SampleLoad(f.patch(), 1);
        synth.EndProcessUpdate();
        break;
      }
      default:
        if (round % 12 == 3) synth.SetSampleRate(rates[(round / 12) % 4]);
        break;
    }
    std::this_thread::yield();
  }
  EXPECT_EQ(loads, 75);
  stop = true;
  audio.join();
  EXPECT_GT(blocks.load(), 0);
  EXPECT_EQ(bad_samples.load(), 0);
}

}  // namespace
}  // namespace brelix
