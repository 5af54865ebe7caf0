// The order of a voice's control tick: the oscillators and the sample oscillator read the voice
// pitch modulation ("Pitch") that the patch matrix has just written in the same tick.
#include "modulation/mod_matrix.h"
#include "synth/synth_fixture.h"

namespace brelix {
namespace {

constexpr int32_t kModSourceConstantSlot = 65535;
constexpr int32_t kModDestPitch = 73;

// The increment the oscillator control step gives for a voice pitch modulation `pitch_mod`, with
// the default proportional range: ((0 + pm) x f + f) x 2^32 / AR, truncated.
uint32_t ExpectedIncrement(const XPatch& p, const XPatchWork& w, int lane, float pitch_mod) {
  const float f = w.AuxOscFrequency.lane(lane);
  const float modulated = (w.AuxOscPitchMod.lane(lane) + pitch_mod) * f + f;
  return static_cast<uint32_t>(static_cast<int32_t>(modulated * p.AudioPhaseDelta1.lane(lane)));
}

TEST(VoiceControlTick, PitchModulationReachesTheOscillatorsAtTheFirstTick) {
  testing::SynthFixture f;
  XPatch& p = f.patch();
  p.ModSource[0].set_lane(0, static_cast<uint32_t>(kModSourceConstantSlot));
  p.ModDest[0].set_lane(0, kModDestPitch);
  p.ModAmount[0].set_lane(0, 0.03f);
  ModMatrixPatchRecalculate(p);
  f.synth->AllocateVoices();
  f.NoteOn(60);
  f.Render(1);  // the note's first control tick

  const XPatchWork& w = f.work(0);
  ASSERT_FLOAT_EQ(w.PitchMod, 0.03f);
  for (int lane = 0; lane < 4; ++lane) {
    SCOPED_TRACE(lane);
    EXPECT_EQ(w.AuxOscDeltaPhase.lane(lane), ExpectedIncrement(p, w, lane, 0.03f));
    EXPECT_NE(w.AuxOscDeltaPhase.lane(lane), ExpectedIncrement(p, w, lane, 0.0f));
  }
}

}  // namespace
}  // namespace brelix
