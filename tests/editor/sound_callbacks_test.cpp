// The call-backs of the oscillator and sound controls, run as a control runs them (its field
// written first) while a note sounds: the engine fields they derive, and what the voices then
// play.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <limits>

#include "callback_fixture.h"
#include "engine/engine_tables.h"
#include "modulation/mod_sources.h"
#include "patch/sample_file.h"
#include "support/sine_wav.h"
#include "support/temp_folder.h"
#include "synth/process_update_scope.h"

namespace brelix::testing {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

using OscPitch = CallbackTest;

TEST_F(OscPitch, PitchFieldsReachTheSoundingVoiceOnlyThroughTheCallBack) {
  struct Case {
    const char* control;
    uint8_t note;
    std::function<void(XPatch&)> edit;
    double hz;
  };
  const Case cases[] = {
      {"Semitone 12", 60, [](XPatch& p) { p.AuxOscSemitone.set_lane(0, 12.0f); }, NoteHz(72)},
      {"Detune 0.5", 60, [](XPatch& p) { p.AuxOscDetune.set_lane(0, 0.5f); }, NoteHz(60.5)},
      {"Tracking 0: the centre note", 72, [](XPatch& p) { p.AuxOscTracking.set_lane(0, 0.0f); }, NoteHz(60)},
  };
  for (const Case& c : cases) {
    SynthFixture fresh;
    std::swap(f, fresh);
    Hold(c.note);
    const double before = SoundingHz();
    EXPECT_NEAR(before, NoteHz(c.note), NoteHz(c.note) * 0.01) << c.control;

    c.edit(patch());
    EXPECT_NEAR(SoundingHz(), before, before * 0.01) << c.control << ": not before the call-back";
    UpdateOscPitch(synth());
    EXPECT_NEAR(work(0).AuxOscFrequency.lane(0), c.hz, c.hz * 0.002) << c.control;
    EXPECT_NEAR(SoundingHz(), c.hz, c.hz * 0.01) << c.control;
    // An idle voice keeps what its next note-on will replace anyway.
    EXPECT_EQ(work(1).AuxOscFrequency.lane(0), 0.0f) << c.control;
  }
}

TEST_F(OscPitch, FixedFrequencyHoldsThePitchAndZeroReturnsToTheKeyboard) {
  Hold(67);
  patch().AuxOscFixedFreq.set_lane(0, 1000.0f);
  UpdateOscFixed(synth(), patch());
  EXPECT_EQ(patch().AuxOscFixedOsc.lane(0), 0u);
  EXPECT_EQ(patch().AuxOscFixedOsc.lane(1), 0xFFFFFFFFu);
  EXPECT_NEAR(SoundingHz(), 1000.0, 10.0);

  patch().AuxOscFixedFreq.set_lane(0, 0.0f);
  UpdateOscFixed(synth(), patch());
  EXPECT_EQ(patch().AuxOscFixedOsc.lane(0), 0xFFFFFFFFu);
  EXPECT_NEAR(SoundingHz(), NoteHz(67), NoteHz(67) * 0.01);
}

TEST_F(OscPitch, RangeScalesThePitchModulation) {
  // A constant 0.1 on the pitch of oscillator 1: 0.1 x range in hertz, or 10 % of the
  // oscillator's own frequency with the range at 0.
  Route(kSlot1, kItemConstant, kDestOsc1Pitch, 0.1f);
  Hold(60);
  patch().AuxOscRange.set_lane(0, 1000.0f);
  UpdateOscFixed(synth(), patch());
  EXPECT_EQ(patch().AuxOscFixedRange.lane(0), 0u);
  EXPECT_NEAR(SoundingHz(), NoteHz(60) + 100.0, 3.0);

  patch().AuxOscRange.set_lane(0, 0.0f);
  UpdateOscFixed(synth(), patch());
  EXPECT_EQ(patch().AuxOscFixedRange.lane(0), 0xFFFFFFFFu);
  EXPECT_NEAR(SoundingHz(), NoteHz(60) * 1.1, 3.0);
}

TEST_F(OscPitch, CentreSetsTheBasePitchAndTheSampleStepOfItsLane) {
  patch().AuxOscTracking.set_lane(0, 0.0f);  // the oscillator plays its centre note
  Hold(64);
  patch().SampleOscRate.set_lane(0, 44100.0);  // as a loaded sample's
  UpdateOscCenter(synth(), patch(), 1);
  const double step_at_60 = patch().SampleDelta1.lane(0);
  EXPECT_GT(step_at_60, 0.0);
  EXPECT_NEAR(SoundingHz(), NoteHz(60), NoteHz(60) * 0.01);

  patch().AuxOscCenter.set_lane(0, 72.7f);  // a fraction is cut off
  UpdateOscCenter(synth(), patch(), 1);
  EXPECT_EQ(patch().AuxOscBasePitch.lane(0), NoteFrequency[72]);
  EXPECT_NEAR(patch().SampleDelta1.lane(0), step_at_60 / 2.0, step_at_60 * 1e-3);
  EXPECT_NEAR(SoundingHz(), NoteHz(72), NoteHz(72) * 0.01);

  // Lanes that no control has change nothing.
  for (int32_t lane : {0, 5, -1}) UpdateOscCenter(synth(), patch(), lane);
  EXPECT_EQ(patch().AuxOscBasePitch.lane(0), NoteFrequency[72]);
}

// ---- samples and rates ---------------------------------------------------------------------------

class SampleRates : public CallbackTest {
 protected:
  // Lane 1 plays a loaded 441 Hz sine (one second, or `frames` long) and nothing else sounds.
  void LoadSine(int frames = 44100) {
    const std::string file = WriteSineWav(folder.path() / "sine.wav", 441.0, frames);
    ProcessUpdateScope update(synth());
    patch().AuxOscLevel = QSingle::zero();
    patch().SampleOscLevel = QSingle::of(1.0f, 0.0f, 0.0f, 0.0f);
    std::snprintf(patch().SampleOscFile[0], kSampleFileNameSize, "%s", file.c_str());
    SampleLoad(patch(), 1);
  }
  TempFolder folder;
};

TEST_F(SampleRates, UpsampleKeepsTheSamplePitchAndStaysWithinTheEngine) {
  LoadSine();
  Hold(60);
  EXPECT_NEAR(SoundingHz(), 441.0, 4.0);

  patch().Upsample = 4;
  UpdateSampleRateFields(synth(), patch());
  EXPECT_NEAR(SoundingHz(), 441.0, 4.0);

  struct Case {
    uint32_t stored, kept;
  };
  for (const Case c : {Case{0, 1}, Case{1000, 32}, Case{32, 32}}) {
    patch().Upsample = c.stored;
    UpdateSampleRateFields(synth(), patch());
    EXPECT_EQ(patch().Upsample, c.kept);
    EXPECT_TRUE(std::isfinite(patch().SampleDelta1.lane(0)));
  }
}

TEST_F(SampleRates, SampleFilterIsKeptToTheFourSections) {
  LoadSine();
  Hold(60);
  patch().SampleFilter = 9;
  UpdateSampleRateFields(synth(), patch());
  EXPECT_EQ(patch().SampleFilter, 3u);
  EXPECT_NEAR(SoundingHz(), 441.0, 4.0);
}

TEST_F(SampleRates, OversamplingOffKeepsThePitchAndRescalesTheDCBlockers) {
  Hold(60);
  const float dc_oversampled = patch()._AuxOscDCFilter.lane(0);
  patch().Oversample = 0;
  UpdateOversampling(synth(), patch());
  EXPECT_EQ(patch().AudioSampleRate.lane(0), 44100.0f);
  EXPECT_NEAR(patch()._AuxOscDCFilter.lane(0), dc_oversampled * 2.0f, dc_oversampled * 1e-3f);
  EXPECT_NEAR(SoundingHz(), NoteHz(60), NoteHz(60) * 0.01);

  patch().Oversample = 7;  // the decimator has the factor 2 only
  UpdateOversampling(synth(), patch());
  EXPECT_EQ(patch().Oversample, 1u);
  EXPECT_EQ(patch().AudioSampleRate.lane(0), 88200.0f);
  EXPECT_NEAR(SoundingHz(), NoteHz(60), NoteHz(60) * 0.01);
}

TEST_F(SampleRates, LoopSwitchLetsAShortSampleSoundOn) {
  LoadSine(4410);  // a tenth of a second
  f.NoteOn(60);
  EXPECT_LT(RmsOf(Render(22050), 11025, 22050), 1e-3) << "without loop it has ended";
  f.NoteOff(60);

  patch().SampleOscLoop.set_lane(0, 0xFFFFFFFFu);
  UpdateSampleLoop(synth(), patch(), 1);
  EXPECT_EQ(patch()._SampleOscLoop.lane(0), 4410.0);
  f.NoteOn(60);
  EXPECT_GT(RmsOf(Render(22050), 11025, 22050), 0.01);
}

// ---- voices, channel, preview note, amplitude source ---------------------------------------------

using VoiceControls = CallbackTest;

TEST_F(VoiceControls, PolyphonySetsTheVoiceCountWithinItsBounds) {
  struct Case {
    float value;
    int32_t taken;
  };
  const Case cases[] = {{16, 16}, {0, 0}, {2.9f, 2}, {40, 16}, {-3, 0}, {1e30f, 16}};
  for (const Case& c : cases) {
    EXPECT_EQ(SetVoiceCount(synth(), c.value), c.taken) << c.value;
    EXPECT_EQ(multi().MaxVoice, c.taken - 1) << c.value;
    EXPECT_EQ(synth().ActiveVoices, c.taken) << c.value;
    EXPECT_EQ(VoiceCountShown(multi()), c.taken) << c.value;
  }
  EXPECT_EQ(SetVoiceCount(synth(), kNaN), 16) << "NaN keeps the count";
  EXPECT_EQ(multi().MaxVoice, 15);
  EXPECT_EQ(synth().Mute(), 0);
}

TEST_F(VoiceControls, PolyphonyZeroSilencesAndANewCountReleasesHeldNotes) {
  Hold(60);
  EXPECT_GT(SoundingRms(), 0.01);
  SetVoiceCount(synth(), 0);
  EXPECT_TRUE(Silent());
  Hold(60);
  EXPECT_TRUE(Silent()) << "no voice plays";

  SetVoiceCount(synth(), 1);
  Hold(60);
  EXPECT_GT(SoundingRms(), 0.01);
  SetVoiceCount(synth(), 4);
  EXPECT_TRUE(Silent()) << "the voices start afresh, idle";
}

TEST_F(VoiceControls, MidiChannelChoosesWhichNotesPlay) {
  SetMidiChannel(multi(), 3);
  EXPECT_EQ(MidiChannelShown(multi()), 3u);
  Hold(60, 0);
  EXPECT_TRUE(Silent());
  Hold(60, 3);
  EXPECT_GT(SoundingRms(), 0.01);

  SetMidiChannel(multi(), 16);  // no item carries it: the channel stays
  EXPECT_EQ(multi().Channel, 3);
}

TEST_F(VoiceControls, PlayNoteStartsThePreviewAndMinusOneSilencesEverything) {
  patch().PlayNote = 60;
  PlayPreviewNote(synth(), 60.0f);
  EXPECT_EQ(synth().Voices[0]->Note, 60);
  EXPECT_EQ(synth().Voices[0]->Velocity, 127);
  Render(2048);
  EXPECT_NEAR(SoundingHz(), NoteHz(60), NoteHz(60) * 0.01);

  Hold(64);
  f.Send(0xB0, 1, 100);  // the mod wheel
  patch().PlayNote = -1;
  PlayPreviewNote(synth(), -1.0f);
  for (int v = 0; v <= multi().MaxVoice; ++v) EXPECT_EQ(f.stage(v), kStageEnd);
  EXPECT_EQ(patch().ControlValue[1], 0.0f);
  EXPECT_EQ(patch().ControlValue[7], 1.0f);
  EXPECT_TRUE(Silent());
  EXPECT_EQ(synth().Mute(), 0);
}

TEST_F(VoiceControls, AmpSourceModWheelStoresMinusTwoAndGatesTheVoices) {
  SetAmpSource(synth(), patch(), kItemModWheel);
  EXPECT_EQ(patch().VolumeModSource, -2);
  EXPECT_EQ(ModSourceShown(static_cast<uint32_t>(patch().VolumeModSource)), kItemModWheel);
  for (int v = 0; v < kMaxVoices; ++v)
    EXPECT_EQ(work(v).VolumeModSourcePtr, ResolveModSource(patch(), work(v), -2)) << v;

  Hold(60);
  EXPECT_TRUE(Silent()) << "the wheel is down";
  f.Send(0xB0, 1, 127);
  EXPECT_GT(SoundingRms(), 0.01);
}

}  // namespace
}  // namespace brelix::testing
