// The render loop runs the MIDI matrix of active voices every MidiPeriod samples (about 3 ms),
// starting at the first sample.
#include "modulation/mod_matrix.h"
#include "synth/synth_fixture.h"

namespace brelix {
namespace {

TEST(MidiMatrixSchedule, RunsEveryMidiPeriodSamplesForActiveVoicesOnly) {
  testing::SynthFixture f;
  ASSERT_EQ(MidiPeriod, 132);  // trunc(44100 x 0.003)
  XPatch& p = f.patch();
  p.MidiModSource[0].set_lane(0, static_cast<uint32_t>(-2));  // controller 1
  p.MidiModDest[0].set_lane(0, 79);                             // Void
  p.MidiModAmount[0].set_lane(0, 1.0f);
  ModMatrixPatchRecalculate(p);
  f.synth->AllocateVoices();
  f.NoteOn(60);
  f.Send(0xB0, 1, 127);
  f.Render(1);  // sample 0: the first pass
  EXPECT_FLOAT_EQ(f.work(0).MidiModValue[0].lane(0), 1.0f);
  f.Send(0xB0, 1, 0);
  f.Render(131);  // samples 1..131: no pass
  EXPECT_FLOAT_EQ(f.work(0).MidiModValue[0].lane(0), 1.0f);
  f.Render(1);  // sample 132: the next pass
  EXPECT_FLOAT_EQ(f.work(0).MidiModValue[0].lane(0), 0.0f);
  // An idle voice's matrix is not evaluated.
  f.Send(0xB0, 1, 127);
  f.Render(264);
  EXPECT_EQ(f.work(1).MidiModValue[0].lane(0), 0.0f);
}

}  // namespace
}  // namespace brelix
