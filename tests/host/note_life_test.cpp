// A note's life seen from a host: MIDI through effProcessEvents, audio through processReplacing,
// and the voice states and envelope values of the instance behind the AEffect record.
#include <gtest/gtest.h>

#include "engine/patch_work.h"
#include "support/audio_measures.h"
#include "support/started_instance.h"
#include "synth/synthesizer.h"
#include "vst_host.h"

namespace brelix {
namespace {

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

}  // namespace
}  // namespace brelix
