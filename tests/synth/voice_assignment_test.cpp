// Voice assignment, stealing, the one-voice key memory and the declicker choice.
#include "synth/synth_fixture.h"

namespace brelix {
namespace {

using testing::SynthFixture;

class VoiceAssignment : public ::testing::Test, public SynthFixture {
 protected:
  // Which voice plays `note` (held or releasing); -1 when none.
  int VoiceOf(int note) {
    for (int i = 0; i <= multi().MaxVoice; ++i)
      if (voice(i).Note == note && stage(i) < kStageEnd) return i;
    return -1;
  }
  void SetVoiceCount(int count) {
    multi().MaxVoice = count - 1;
    synth->AllocateVoices();
  }
};

TEST_F(VoiceAssignment, IdleVoicesAreTakenLowestFirstAndTheSeventeenthKeyStealsTheOldest) {
  for (int k = 0; k < 16; ++k) {
    NoteOn(40 + k);
    EXPECT_EQ(VoiceOf(40 + k), k);
    EXPECT_EQ(voice(k).Age, k);
  }
  NoteOn(70);
  EXPECT_EQ(VoiceOf(70), 0);
  EXPECT_EQ(multi().VoiceAge, 17);
  EXPECT_EQ(VoiceOf(40), -1);
}

TEST_F(VoiceAssignment, AllHeldAndTheSameKeyAgainReusesThatVoice) {
  for (int k = 0; k < 16; ++k) NoteOn(40 + k);
  NoteOn(45);  // voice 5 plays 45 and is not the oldest
  EXPECT_EQ(voice(5).Age, 16);
  EXPECT_EQ(voice(0).Note, 40);
}

TEST_F(VoiceAssignment, IdleBeatsReleasedBeatsHeldAndTheOldestReleasedGoesFirst) {
  for (int k = 0; k < 16; ++k) NoteOn(40 + k);
  NoteOff(47);
  NoteOff(43);  // voice 3 released after voice 7, but voice 3 is older
  EXPECT_EQ(stage(3), kStageRelease);
  EXPECT_EQ(stage(7), kStageRelease);
  NoteOn(80);
  EXPECT_EQ(VoiceOf(80), 3);
  NoteOn(81);
  EXPECT_EQ(VoiceOf(81), 7);
  // An idle voice is preferred to both.
  work(12).EnvStage.set_lane(3, kStageEnd);
  NoteOff(50);
  NoteOn(82);
  EXPECT_EQ(VoiceOf(82), 12);
}

TEST_F(VoiceAssignment, ReleaseEndsEveryHeldVoiceOnThatKeyAndVelocityZeroIsANoteOff) {
  NoteOn(60);
  NoteOn(60);
  ASSERT_EQ(stage(0), 0);
  ASSERT_EQ(stage(1), 0);
  NoteOn(60, 0);
  EXPECT_EQ(stage(0), kStageRelease);
  EXPECT_EQ(stage(1), kStageRelease);
  EXPECT_EQ(work(0).Relocity, 0.0f);
  NoteOn(62);
  NoteOff(62, 127);
  EXPECT_FLOAT_EQ(work(2).Relocity, 1.0f);
}

TEST_F(VoiceAssignment, OneVoicePlaysLegatoAndReturnsToTheRememberedKey) {
  SetVoiceCount(1);
  NoteOn(60, 90);  // C
  NoteOn(64, 100);  // E: legato, C remembered
  EXPECT_EQ(voice(0).Note, 64);
  EXPECT_EQ(work(0).Retrigger, 0xFFFFFFFFu);
  EXPECT_EQ(voice(0).MonoNote, 60);
  EXPECT_EQ(voice(0).MonoVelocity, 90);
  NoteOff(64);  // back to C with C's velocity
  EXPECT_EQ(voice(0).Note, 60);
  EXPECT_EQ(voice(0).Velocity, 90);
  EXPECT_LT(stage(0), kStageRelease);
  EXPECT_EQ(voice(0).MonoNote, kNoMonoNote);
  NoteOff(60);
  EXPECT_EQ(stage(0), kStageRelease);
}

TEST_F(VoiceAssignment, OneVoiceForgetsAKeyLetGoWhileAnotherSounds) {
  SetVoiceCount(1);
  NoteOn(60);
  NoteOn(64);
  NoteOff(60);  // the remembered key goes
  EXPECT_EQ(voice(0).MonoNote, 64);
  EXPECT_LT(stage(0), kStageRelease);
  NoteOff(64);
  EXPECT_EQ(stage(0), kStageRelease);
}

TEST_F(VoiceAssignment, NoVoicesMeansNoMidiAtAll) {
  SetVoiceCount(0);
  EXPECT_EQ(synth->ActiveVoices, 0);
  Send(0xB0, 1, 127);
  NoteOn(60);
  EXPECT_EQ(patch().ControlValue[1], 0.0f);
  EXPECT_EQ(multi().VoiceAge, 0);
  multi().MaxVoice = -7;  // never set by the plug-in itself; must not reach a voice slot
  NoteOn(60);
  EXPECT_EQ(multi().VoiceAge, 0);
}

TEST_F(VoiceAssignment, DeclickerChoosesTheNoteStartByTheVoiceStage) {
  // A declicked start keeps the envelope value (with the envelopes' declick on); a plain start
  // restarts it from zero.
  patch().EnvDeclick = QWord::ones();
  struct Case {
    uint32_t declicker;
    int32_t stage;
    bool declicked;
  };
  const Case cases[] = {{0, 0, false},  {0, 64, false}, {1, 32, true},  {1, 64, true},  {1, 80, false},
                        {2, 32, true},  {2, 64, false}, {3, 32, false}, {3, 64, true},  {3, 80, false},
                        {4, 80, true},  {9, 0, true}};
  for (const Case& c : cases) {
    patch().Declicker = c.declicker;
    synth->AllocateVoices();
    XPatchWork& w = work(0);
    w.EnvStage = QInteger::splat(c.stage);
    w.EnvValue = QSingle::splat(0.5f);
    for (int i = 1; i < 16; ++i) work(i).EnvStage.set_lane(3, 0);  // keep voice 0 the only choice
    if (c.stage < kStageRelease)
      for (int i = 1; i < 16; ++i) voice(i).Age = 100;  // voice 0 is the oldest held
    NoteOn(61);
    ASSERT_EQ(VoiceOf(61), 0) << c.declicker << "/" << c.stage;
    EXPECT_EQ(w.EnvValue.lane(0), c.declicked ? 0.5f : 0.0f) << "declicker " << c.declicker << " stage " << c.stage;
  }
}

}  // namespace
}  // namespace brelix
