// The call-backs of the modulation slots and the delays, run as a control runs them (its field
// written first) while notes sound: the voices' routing, the row flags and matrix counts, the
// delay object, and what is then heard.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "callback_fixture.h"
#include "modulation/delay.h"
#include "modulation/mod_sources.h"

namespace brelix::testing {
namespace {

// ---- modulation matrices -------------------------------------------------------------------------

using ModSlots = CallbackTest;

TEST_F(ModSlots, ModWheelOnPitchStoresMinusTwoAndDestinationNoneTakesItsShareAway) {
  patch().AuxOscRange.set_lane(0, 1000.0f);  // 0.1 of pitch modulation is 100 Hz
  UpdateOscFixed(synth(), patch());
  Route(kSlot1, kItemModWheel, kDestOsc1Pitch, 0.1f);
  EXPECT_EQ(static_cast<int32_t>(patch().ModSource[0].lane(0)), -2);
  EXPECT_EQ(ModSourceShown(patch().ModSource[0].lane(0)), kItemModWheel) << "reloaded, the list shows the wheel";
  for (int v = 0; v < kMaxVoices; ++v)
    EXPECT_EQ(work(v).ModSourcePtr[0].lane(0), ResolveModSource(patch(), work(v), -2)) << v;
  EXPECT_EQ(patch().ModSlotOn[0], kModRowOn);
  EXPECT_EQ(patch().ModMatrixCount, 0) << "row 1 alone is always visited";

  Hold(60);
  EXPECT_NEAR(SoundingHz(), NoteHz(60), 3.0);
  f.Send(0xB0, 1, 127);
  EXPECT_NEAR(SoundingHz(), NoteHz(60) + 100.0, 3.0);

  patch().ModDest[0].set_lane(0, 0);  // "None"
  UpdateModDest(synth(), patch(), kSlot1);
  EXPECT_EQ(work(0).AuxOscPitchMod.lane(0), 0.0f) << "at once, not at the next tick";
  EXPECT_EQ(patch().ModSlotOn[0], 0u);
  EXPECT_NEAR(SoundingHz(), NoteHz(60), 3.0);
}

TEST_F(ModSlots, MidiMatrixSourcesAndDestinationsReachTheSound) {
  patch().AuxOscRange.set_lane(0, 1000.0f);
  UpdateOscFixed(synth(), patch());
  const TModSlot slot{TModMatrix::Midi, 0};
  Route(slot, 177, kDestOsc1Pitch, 0.1f);  // "Aftertouch/Pressure"
  EXPECT_EQ(static_cast<int32_t>(patch().MidiModSource[0].lane(0)), -130);
  EXPECT_EQ(work(3).MidiModSourcePtr[0].lane(0), ResolveModSource(patch(), work(3), -130));
  EXPECT_EQ(patch().MidiModSlotOn[0], kModRowOn);
  EXPECT_EQ(patch().ModSlotOn[0], 0u) << "the patch matrix is another";

  Hold(60);
  f.Send(0xD0, 127);
  EXPECT_NEAR(SoundingHz(), NoteHz(60) + 100.0, 3.0);
}

TEST_F(ModSlots, RowFlagsAndMatrixCountFollowTheDestinations) {
  for (TModMatrix m : {TModMatrix::Patch, TModMatrix::Midi}) {
    const bool midi = m == TModMatrix::Midi;
    QWord* dests = midi ? patch().MidiModDest : patch().ModDest;
    const uint32_t* rows = midi ? patch().MidiModSlotOn : patch().ModSlotOn;
    const int32_t& count = midi ? patch().MidiModMatrixCount : patch().ModMatrixCount;
    const auto set = [&](int slot_m, uint32_t dest) {
      dests[(slot_m - 1) / 4].set_lane((slot_m - 1) % 4, dest);
      UpdateModDest(synth(), patch(), {m, slot_m - 1});
    };

    set(16, 5);  // "Osc1Level" in row 4
    EXPECT_EQ(rows[3], kModRowOn);
    EXPECT_EQ(count, 12);
    set(9, kModDestVoid);  // "Void" counts as used
    EXPECT_EQ(rows[2], kModRowOn);
    set(16, 0);
    EXPECT_EQ(rows[3], 0u);
    EXPECT_EQ(count, 8);
    set(9, 0);
    set(6, 0);
    EXPECT_EQ(count, 0) << "None in every slot of rows 2 to 4";
    EXPECT_EQ(rows[1] | rows[2] | rows[3], 0u);
  }
}

TEST_F(ModSlots, SlotsBeyondTheMatricesChangeNothing) {
  QWord sources[kMatrixRows];
  std::memcpy(sources, patch().ModSource, sizeof sources);
  for (int slot : {-1, 16, 1000}) {
    SetModSource(synth(), patch(), {TModMatrix::Patch, slot}, 3);
    UpdateModDest(synth(), patch(), {TModMatrix::Midi, slot});
  }
  EXPECT_EQ(std::memcmp(sources, patch().ModSource, sizeof sources), 0);
  EXPECT_EQ(synth().Mute(), 0);
}

// ---- delays --------------------------------------------------------------------------------------

class DelayControls : public CallbackTest {
 protected:
  void DelayOne(float seconds) {
    patch().DelayWet = 1.0f;
    patch().DelayTimeL = patch().DelayTimeR = seconds;
    UpdateDelay(synth(), patch());
  }
};

TEST_F(DelayControls, ValuesSwitchTheDelayOnAndSetItsTime) {
  patch().DelayWet = 1.0f;
  patch().DelayTimeL = patch().DelayTimeR = 0.1f;
  EXPECT_LT(At(Ping().left, 0.1), 0.01) << "without the call-back the delay stays off";

  UpdateDelay(synth(), patch());
  EXPECT_EQ(patch().FX1Ptr, patch().Delay);
  EXPECT_EQ(patch().Delay->DelayWork->DelayTime.lane(0), 0.1f);
  EXPECT_EQ(patch().Delay->DelayWork->DelayTime.lane(1), 0.1f);
  const Stereo echo = Ping();
  EXPECT_LT(At(echo.left, 0.05), 0.01);
  EXPECT_GT(At(echo.left, 0.1), 0.1);
  EXPECT_GT(At(echo.right, 0.1), 0.1);

  patch().DelayWet = 0.0f;
  UpdateDelay(synth(), patch());
  EXPECT_EQ(patch().FX1Ptr, nullptr);
}

TEST_F(DelayControls, ClockOfDelayOneCoversBothItsLanes) {
  DelayOne(0.1f);  // 0.1 bar at 120 beats per minute: 0.2 s when clocked
  patch().DelayClocked.set_lane(0, 0xFFFFFFFFu);  // as the switch writes it
  UpdateDelayClock(synth(), patch());
  EXPECT_EQ(patch().DelayClocked.lane(1), 0xFFFFFFFFu);
  EXPECT_EQ(patch().DelayClocked.lane(2) | patch().DelayClocked.lane(3), 0u);
  const Stereo echo = Ping();
  for (const std::vector<float>* side : {&echo.left, &echo.right}) {
    EXPECT_LT(At(*side, 0.1), 0.01);
    EXPECT_GT(At(*side, 0.2), 0.1);
  }
}

TEST_F(DelayControls, ClockOfDelayTwoCoversItsLanes) {
  patch().DelayClocked.set_lane(2, 0xFFFFFFFFu);
  UpdateDelayClock(synth(), patch());
  EXPECT_EQ(patch().DelayClocked.lane(3), 0xFFFFFFFFu);
  EXPECT_EQ(patch().DelayClocked.lane(0) | patch().DelayClocked.lane(1), 0u);
}

TEST_F(DelayControls, SerialFeedsDelayTwoFromDelayOne) {
  // Delay 2 hears nothing of its own; in series it repeats what delay 1 passes on, 0.15 s later.
  patch().AuxDelayWet = 1.0f;
  patch().AuxDelayInput = 0.0f;
  patch().AuxDelayTimeL = patch().AuxDelayTimeR = 0.15f;
  UpdateDelay(synth(), patch());
  Render(512);
  EXPECT_LT(At(Ping().left, 0.15), 0.01);

  SetDelayRouting(patch(), true);
  EXPECT_EQ(patch().DelayRouting, 1.0f);
  EXPECT_TRUE(DelayRoutingShown(patch().DelayRouting));
  Render(512);  // the delay takes its settings at its next control step
  EXPECT_GT(At(Ping().left, 0.15), 0.1);

  SetDelayRouting(patch(), false);
  EXPECT_EQ(patch().DelayRouting, 0.0f);
}

TEST_F(DelayControls, AResetThatFailsStillEndsItsBracket) {
  float* const line = patch().DelayBuffer.p[2];
  patch().DelayBuffer.p[2] = nullptr;
  EXPECT_THROW(ResetDelay(synth(), patch()), std::exception);
  patch().DelayBuffer.p[2] = line;
  EXPECT_EQ(synth().Mute(), 0);
}

TEST_F(DelayControls, ResetClearsWhatTheLinesHoldAndKeepsTheValues) {
  DelayOne(0.1f);
  f.NoteOn(60);
  RenderStereo(kNoteFrames);
  f.NoteOff(60);
  RenderStereo(2205);
  ResetDelay(synth(), patch());
  EXPECT_EQ(patch().DelayWet, 1.0f);
  EXPECT_EQ(patch().FX1Ptr, patch().Delay);
  const Stereo rest = RenderStereo(4410);
  EXPECT_LT(ChangeRms(rest.left, 0, rest.left.size()), kSilence) << "the echo due at 0.1 s is gone";
  EXPECT_GT(At(Ping().left, 0.1), 0.1) << "and the delay still repeats";
}

}  // namespace
}  // namespace brelix::testing
