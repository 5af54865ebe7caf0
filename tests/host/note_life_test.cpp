// A note's life seen from a host: MIDI through effProcessEvents, audio through processReplacing,
// and the voice states and envelope values of the instance behind the AEffect record.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "engine/patch_work.h"
#include "support/audio_measures.h"
#include "support/program_chunk_bytes.h"
#include "support/started_instance.h"
#include "support/temp_folder.h"
#include "synth/multi.h"
#include "synth/synthesizer.h"
#include "synth/voice.h"
#include "vst_host.h"

namespace brelix {
namespace {

using host::MidiMessage;
using host::PluginInstance;
using host::PluginLibrary;
using testing::Peak;
using testing::Rms;

class NoteLife : public ::testing::Test {
 protected:
  void SetUp() override {
    instance = std::make_unique<PluginInstance>(PluginLibrary::Load(BRELIX_PLUGIN_PATH));
    ASSERT_TRUE(instance->is_open());
    brelix::testing::StartAsHost(*instance);
  }
  // The instance behind the record; same layout as the plug-in's own build of the class.
  XSynthesizer& synth() { return *static_cast<XSynthesizer*>(instance->effect()->object); }
  XPatchWork& work(int voice) { return *synth().PatchWork[voice]; }
  float amp(int voice) { return work(voice).EnvValue.lane(3); }

  std::unique_ptr<PluginInstance> instance;
};

TEST_F(NoteLife, DefaultPatchEnvelopesRiseAtTheSecondTickAndTheVoiceIdlesTwoTicksAfterRelease) {
  instance->sendMidi({{0x90, 60, 100}});
  EXPECT_LT(AmpStage(work(0)), kStageRelease);
  instance->process(1);  // the first control tick runs before the first sub-sample
  for (int lane = 0; lane < 4; ++lane) EXPECT_EQ(work(0).EnvValue.lane(lane), 0.0f) << lane;
  instance->process(7);
  EXPECT_EQ(amp(0), 0.0f);
  instance->process(1);  // frame 8: the second tick
  for (int lane = 0; lane < 4; ++lane) EXPECT_EQ(work(0).EnvValue.lane(lane), 1.0f) << lane;
  instance->process(4096);
  EXPECT_EQ(amp(0), 1.0f);  // held
  EXPECT_GT(Rms(instance->left()), 0.01);
  EXPECT_GT(Rms(instance->right()), 0.01);
  for (int voice = 1; voice < 16; ++voice) EXPECT_GE(AmpStage(work(voice)), kStageEnd) << voice;

  // 4105 frames played: the next tick is at frame 4112, 7 frames on.
  instance->sendMidi({{0x80, 60, 64}});
  EXPECT_EQ(AmpStage(work(0)), kStageRelease);
  instance->process(7);
  instance->process(1);  // first tick of the release: the value it starts from
  EXPECT_EQ(amp(0), 1.0f);
  EXPECT_EQ(AmpStage(work(0)), kStageRelease);
  instance->process(8);  // second tick: 0, and the end stage
  EXPECT_EQ(amp(0), 0.0f);
  EXPECT_GE(AmpStage(work(0)), kStageEnd);

  // What is left is the DC blocker letting go and the anti-denormal noise.
  instance->process(44100);
  const std::vector<float> tail(instance->left().end() - 4410, instance->left().end());
  EXPECT_LT(Rms(tail), 1e-3);
}

TEST_F(NoteLife, AllNotesOffSilencesEveryVoiceAtOnce) {
  instance->sendMidi({{0x90, 60, 100}, {0x90, 64, 100}, {0x90, 67, 100}});
  instance->process(256);
  EXPECT_GT(Rms(instance->left()), 0.01);
  instance->sendMidi({{0xB0, 123, 0}});
  for (int voice = 0; voice < 3; ++voice) EXPECT_GE(AmpStage(work(voice)), kStageEnd);
  instance->process(1);
  EXPECT_EQ(synth().Multi->EditBuffer->ControlValue[7], 1.0f);
}

TEST_F(NoteLife, MidiThatArrivesWhileMutedWaitsForTheNextRenderCall) {
  synth().BeginProcessUpdate();
  instance->sendMidi({{0x90, 60, 100}, {0x90, 62, 90}, {0x80, 60, 0}});
  EXPECT_EQ(synth().Multi->VoiceAge, 0);  // nothing reached the voices
  instance->process(64);                   // muted: renders nothing
  EXPECT_EQ(synth().Multi->VoiceAge, 0);
  synth().EndProcessUpdate();
  instance->process(1);
  EXPECT_EQ(synth().Multi->VoiceAge, 2);  // applied in order: two notes, then 60 released
  EXPECT_EQ(AmpStage(work(0)), kStageRelease);
  EXPECT_LT(AmpStage(work(1)), kStageRelease);
}

TEST_F(NoteLife, OtherChannelsAndMessageTypesAreIgnored) {
  instance->sendMidi({{0x93, 60, 100}, {0xA0, 60, 100}, {0xC0, 5, 0}, {0xF8, 0, 0}, {0x40, 60, 100}});
  instance->process(64);
  EXPECT_EQ(synth().Multi->VoiceAge, 0);
  EXPECT_LT(Peak(instance->left()), 1e-6f);
}

TEST_F(NoteLife, ASampleRateChangeSilencesSoundingVoices) {
  instance->sendMidi({{0x90, 60, 100}});
  instance->process(256);
  instance->suspend();
  instance->setSampleRate(48000.0f);
  instance->resume();
  EXPECT_GE(AmpStage(work(0)), kStageEnd);
  instance->setSampleRate(0.0f);  // treated as 44100
  instance->process(64);
  EXPECT_EQ(synth().Multi->EditBuffer->AudioSampleRate.lane(0), 88200.0f);
}

// ---- the sustain pedal ---------------------------------------------------------------------------

// One step of a pedal case: the messages sent (or the patch loaded again, as a host restores its
// project), the frames rendered after them, and the notes whose voices are still held then (by
// their keys or by the pedal), lowest first.
struct PedalStep {
  std::vector<MidiMessage> midi;
  int frames = 0;
  std::vector<int> held;
  bool reload = false;
};

struct PedalCase {
  const char* name;
  std::optional<std::string> patch;  // the patch file's text; none: the plug-in's default patch
  int voices;
  std::vector<PedalStep> steps;
};

constexpr MidiMessage kPedalDown{0xB0, 64, 127}, kPedalUp{0xB0, 64, 0};
MidiMessage On(uint8_t note) { return {0x90, note, 100}; }
MidiMessage Off(uint8_t note) { return {0x80, note, 40}; }

const std::vector<PedalCase>& PedalCases() {
  static const std::vector<PedalCase> cases = {
      {"a chord sounds past its note-offs and ends when the pedal comes up", std::nullopt, 16,
       {{{kPedalDown, On(60), On(64), On(67)}, 256, {60, 64, 67}},
        {{Off(60), Off(64), Off(67)}, 4096, {60, 64, 67}},
        {{kPedalUp}, 0, {}}}},
      {"a key struck again ends its held note and starts a new one", std::nullopt, 16,
       {{{kPedalDown, On(60), Off(60)}, 256, {60}},
        {{On(60)}, 256, {60}},
        {{Off(60)}, 256, {60}},
        {{kPedalUp}, 0, {}}}},
      {"a key still down is not ended by the pedal coming up", std::nullopt, 16,
       {{{kPedalDown, On(60), On(64), Off(60)}, 256, {60, 64}},
        {{kPedalUp}, 0, {64}}}},
      {"controller 64 below 64, or on another channel, holds nothing", std::nullopt, 16,
       {{{{0xB0, 64, 63}, On(60), Off(60)}, 256, {}},
        {{{0xB1, 64, 127}, On(62), Off(62)}, 256, {}}}},
      {"all notes off ends the held notes and puts the pedal up", std::nullopt, 16,
       {{{kPedalDown, On(60), Off(60)}, 256, {60}},
        {{{0xB0, 123, 0}}, 0, {}},
        {{On(62), Off(62)}, 256, {}}}},
      {"the switch on in a patch file holds notes", "[Voice]\r\nSustainPedal=1\r\n", 16,
       {{{kPedalDown, On(60), Off(60)}, 256, {60}},
        {{kPedalUp}, 0, {}}}},
      {"the switch off: notes end at their note-offs", "[Voice]\r\nSustainPedal=0\r\n", 16,
       {{{kPedalDown, On(60), On(64), Off(60)}, 256, {64}}}},
      {"a patch file without the key plays as before the switch: off", "[Voice]\r\nVolume=1\r\n", 16,
       {{{kPedalDown, On(60), Off(60)}, 256, {}}}},
      {"a patch loaded again finds the pedal up and no note held", "[Voice]\r\nSustainPedal=1\r\n", 16,
       {{{kPedalDown, On(60), Off(60)}, 256, {60}},
        {{}, 0, {}, true},
        {{On(62), Off(62)}, 256, {}}}},
      // One voice: the pedal holds the sounding note, but a key let go is no key to return to.
      {"one voice: back to the key still down, then the pedal holds it", std::nullopt, 1,
       {{{kPedalDown, On(60), On(64)}, 256, {64}},
        {{Off(64)}, 256, {60}},
        {{Off(60)}, 256, {60}},
        {{kPedalUp}, 0, {}}}},
      {"one voice: a key let go under the pedal is not returned to", std::nullopt, 1,
       {{{kPedalDown, On(60), Off(60)}, 256, {60}},
        {{On(64)}, 256, {64}},
        {{Off(64)}, 256, {64}},
        {{kPedalUp}, 0, {}}}},
  };
  return cases;
}

// Every case through the entry point, from a fresh instance each: the default patch where the
// case names none (there is no Brelix.tw beside the built library), else its patch file.
TEST(SustainPedal, HoldsNotesAsThePatchAndThePedalSay) {
  const std::shared_ptr<PluginLibrary> library = PluginLibrary::Load(BRELIX_PLUGIN_PATH);
  testing::TempFolder folder;
  for (const PedalCase& c : PedalCases()) {
    SCOPED_TRACE(c.name);
    const std::string file = folder.file("pedal.tw");
    if (c.patch) testing::WriteBytes(file, *c.patch);
    // A record naming no file keeps the default patch and sets the voice count.
    const std::vector<uint8_t> chunk =
        testing::ProgramChunkBytes(0, c.voices - 1, c.patch ? file : folder.file("none.tw"));
    PluginInstance instance(library);
    ASSERT_TRUE(instance.is_open());
    testing::StartAsHost(instance);
    instance.setChunk(chunk);
    XSynthesizer& synth = *static_cast<XSynthesizer*>(instance.effect()->object);
    ASSERT_EQ(synth.Multi->EditBuffer->SustainPedal != 0, !c.patch || c.patch->find("SustainPedal=1") != std::string::npos);
    for (size_t step = 0; step < c.steps.size(); ++step) {
      const PedalStep& s = c.steps[step];
      if (s.reload) instance.setChunk(chunk);
      instance.sendMidi(s.midi);
      if (s.frames > 0) instance.process(s.frames);
      std::vector<int> held;
      for (int voice = 0; voice < c.voices; ++voice) {
        const XPatchWork& work = *synth.PatchWork[voice];
        if (AmpStage(work) < kStageRelease) held.push_back(synth.Voices[voice]->Note);
      }
      std::sort(held.begin(), held.end());
      EXPECT_EQ(held, s.held) << "after step " << step;
      // A held note sounds at its full level (the default envelope holds at 1).
      if (!held.empty() && !c.patch && s.frames > 0) {
        EXPECT_GT(Rms(instance.left()), 0.01) << "after step " << step;
      }
    }
  }
}

}  // namespace
}  // namespace brelix
