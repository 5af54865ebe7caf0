// The call-backs of the filter, LFO and envelope controls, run as a control runs them (its field
// written first) while a note sounds: the engine fields they derive, and what the voices then
// play.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "callback_fixture.h"
#include "modulation/envelope.h"
#include "modulation/lfo.h"

namespace brelix::testing {
namespace {

// ---- filters -------------------------------------------------------------------------------------

using FilterControls = CallbackTest;

std::array<float, 5> Weights(const XPatch& p, int lane) {
  return {p.FilterPole0.lane(lane), p.FilterPole1.lane(lane), p.FilterPole2.lane(lane), p.FilterPole3.lane(lane),
          p.FilterPole4.lane(lane)};
}

TEST_F(FilterControls, TypeWritesTheWeightsOfItsLaneOnly) {
  struct Case {
    const char* item;
    uint32_t type;
    std::array<float, 5> weights;
  };
  const Case cases[] = {
      {"HighPass4", 4, {1, -4, 6, -4, 1}},
      {"Bypass", 8, {1, 0, 0, 0, 0}},
      {"a number no item carries", 99, {1, 0, 0, 0, 0}},
      {"LowPass4", 0, {0, 0, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    patch().FilterType.set_lane(2, c.type);
    SetFilterType(synth(), patch(), 3, c.type);
    EXPECT_EQ(Weights(patch(), 2), c.weights) << c.item;
    EXPECT_EQ(Weights(patch(), 1), (std::array<float, 5>{0, 0, 0, 0, 1})) << c.item;
  }
  SetFilterType(synth(), patch(), 5, 4);  // no such lane: nothing changes
  EXPECT_EQ(Weights(patch(), 3), (std::array<float, 5>{0, 0, 0, 0, 1}));
}

TEST_F(FilterControls, HighPassTakesTheToneAway) {
  Hold(60);
  const double low_pass = SoundingRms();
  SetFilterType(synth(), patch(), 1, 4);  // "HighPass4" at the open cutoff
  EXPECT_LT(SoundingRms(), 0.3 * low_pass);
  SetFilterType(synth(), patch(), 1, 0);
  EXPECT_NEAR(SoundingRms(), low_pass, 0.1 * low_pass);
}

TEST_F(FilterControls, RangeZeroScalesCutoffModulationByTheCutoff) {
  // Cutoff 50 Hz opened by a constant 0.1: by 0.1 x 12543 Hz, or with the range at 0 by 0.1 x
  // the cutoff itself (to 55 Hz), which is far darker.
  patch().FilterCutoff.set_lane(0, 50.0f);
  Route(kSlot1, kItemConstant, kDestFilter1Cutoff, 0.1f);
  Hold(48);
  const double open = SoundingRms();
  patch().FilterRange.set_lane(0, 0.0f);
  UpdateFilterRange(synth(), patch());
  EXPECT_EQ(patch().FilterFixedRange.lane(0), 0xFFFFFFFFu);
  EXPECT_EQ(patch().FilterFixedRange.lane(1), 0u);
  EXPECT_LT(SoundingRms(), 0.6 * open);
}

TEST_F(FilterControls, TrackingAndCentreMoveTheCutoffOfSoundingVoices) {
  patch().FilterCutoff.set_lane(0, 300.0f);
  Hold(84);
  const double untracked = SoundingRms();

  patch().FilterTracking.set_lane(0, 1.0f);  // two octaves above the centre 60: four times the cutoff
  UpdateFilterTracking(synth());
  EXPECT_NEAR(work(0).FilterRatio.lane(0), 4.0f, 0.01f);
  EXPECT_EQ(work(1).FilterRatio.lane(0), 0.0f) << "idle voices are left alone";
  const double tracked = SoundingRms();
  EXPECT_GT(tracked, 1.5 * untracked);

  patch().FilterCenter.set_lane(0, 84.0f);
  UpdateFilterTracking(synth());
  EXPECT_NEAR(work(0).FilterRatio.lane(0), 1.0f, 0.01f);
  EXPECT_NEAR(SoundingRms(), untracked, 0.1 * untracked);
}

// ---- LFOs ----------------------------------------------------------------------------------------

// LFO 1 as the amplitude source: the loudness of the sound follows the LFO.
class LfoControls : public CallbackTest {
 protected:
  void SetUp() override {
    SetAmpSource(synth(), patch(), kItemLfo1);
    patch().LfoRate.set_lane(0, 4.0f);
    UpdateLfos(synth(), patch());
  }
  // 10 ms peaks of one second of sound.
  std::vector<float> Loudness() { return BlockPeaks(Render(44100), 441); }
  // How often the loudness falls from above half its peak to below 0.3 of it (a 10 ms block
  // around a zero of a 4 Hz sine peaks at 0.25 at most).
  static int Dips(const std::vector<float>& peaks) {
    const float top = *std::max_element(peaks.begin(), peaks.end());
    int dips = 0;
    bool high = false;
    for (float p : peaks) {
      if (p > 0.5f * top) high = true;
      if (high && p < 0.3f * top) {
        ++dips;
        high = false;
      }
    }
    return dips;
  }
};

TEST_F(LfoControls, ShapeSelectsTheTableAndTheSoundFollowsIt) {
  struct Case {
    const char* item;
    uint32_t shape;
    uint32_t entry;
  };
  for (const Case c : {Case{"Tanh", 24, 24}, Case{"Square", 2, 2}, Case{"a number no item carries", 99, 0}}) {
    patch().LfoShape.set_lane(0, c.shape);
    UpdateLfos(synth(), patch());
    EXPECT_EQ(patch().LfoTable.lane(0), LfoShapeTable[c.entry]) << c.item;
    EXPECT_EQ(patch().LfoTableSize.lane(0), static_cast<float>(LfoShapeSize[c.entry])) << c.item;
    EXPECT_EQ(patch().LfoTable.lane(1), LfoShapeTable[0]) << c.item;
  }

  Hold(60);
  const std::vector<float> sine = Loudness();
  EXPECT_LT(*std::min_element(sine.begin(), sine.end()), 0.3f * *std::max_element(sine.begin(), sine.end()));
  patch().LfoShape.set_lane(0, 2);  // "Square": the loudness hardly moves
  UpdateLfos(synth(), patch());
  const std::vector<float> square = Loudness();
  EXPECT_GT(*std::min_element(square.begin(), square.end()), 0.7f * *std::max_element(square.begin(), square.end()));
}

TEST_F(LfoControls, ClockedRateIsBarsPerCycle) {
  Hold(60);
  const int dips = Dips(Loudness());  // a sine of 4 Hz dips twice a cycle; the second may start in one
  EXPECT_TRUE(dips == 7 || dips == 8) << dips;

  patch().LfoClocked.set_lane(0, 0xFFFFFFFFu);
  UpdateLfos(synth(), patch());
  EXPECT_EQ(patch().LfoTime.lane(0), 0.25f);
  EXPECT_EQ(patch().LfoTime.lane(1), 0.1f) << "the other lanes keep their rate";
  EXPECT_LE(Dips(Loudness()), 1) << "a quarter cycle per bar, a bar every two seconds";

  patch().LfoRate.set_lane(0, 0.0f);
  UpdateLfos(synth(), patch());
  EXPECT_EQ(patch().LfoTime.lane(0), 0.0f);
}

TEST_F(LfoControls, QuantizeStoresTheMaskOfItsLane) {
  SetLfoQuantize(patch(), 2, 4095);
  EXPECT_EQ(patch().LfoQuantize.lane(1), 4096u);
  EXPECT_EQ(LfoQuantizeShown(patch().LfoQuantize.lane(1)), 4095u);
  SetLfoQuantize(patch(), 2, 0);
  EXPECT_EQ(patch().LfoQuantize.lane(1), 8191u);
  SetLfoQuantize(patch(), 0, 0);  // no such lane
  EXPECT_EQ(patch().LfoQuantize.lane(0), 8191u);
}

// ---- envelopes -----------------------------------------------------------------------------------

using EnvelopeControls = CallbackTest;

TEST_F(EnvelopeControls, TimesSetTheRatesOfEveryStageAndLane) {
  patch().EnvTime[4].set_lane(kAmpLane, 0.5f);
  patch().EnvTime[1].set_lane(0, 0.00001f);  // below the shortest stage
  patch().EnvTime[2].set_lane(1, -1.0f);     // from a file: the stage never ends
  patch().EnvTime[5].set_lane(2, 3.0f);      // the end stage has no rate
  UpdateEnvelopes(synth(), patch());
  EXPECT_EQ(patch().EnvRate[4].lane(kAmpLane), 2.0f);
  EXPECT_EQ(patch().EnvRate[1].lane(0), 10000.0f);
  EXPECT_EQ(patch().EnvRate[2].lane(1), 0.0f);
  EXPECT_EQ(patch().EnvRate[5].lane(2), 0.0f);
}

TEST_F(EnvelopeControls, ReleaseTimeLengthensTheTail) {
  Hold(60);
  f.NoteOff(60);
  EXPECT_LT(ChangeRms(Render(8820), 4410, 8820), kSilence) << "the default release is instant";

  patch().EnvTime[4].set_lane(kAmpLane, 0.5f);
  UpdateEnvelopes(synth(), patch());
  Hold(60);
  const double held = SoundingRms();
  f.NoteOff(60);
  EXPECT_GT(RmsOf(Render(8820), 4410, 8820), 0.2 * held) << "a tenth of a second after the key";
}

TEST_F(EnvelopeControls, CurveShapesTheAttack) {
  patch().EnvTime[0].set_lane(kAmpLane, 0.5f);
  UpdateEnvelopes(synth(), patch());
  const float default_curve = AttackMidway();

  for (uint32_t curve : {0u, 99u}) {  // "Linear", and a number no item carries plays as "Linear"
    patch().EnvCurve[0].set_lane(kAmpLane, curve);
    UpdateEnvelopes(synth(), patch());
    EXPECT_EQ(patch().EnvCurves[0].lane(kAmpLane), EnvCurveTable[0]) << curve;
    EXPECT_EQ(patch().EnvCurves[0].lane(0), EnvCurveTable[5]) << curve;
    const float linear = AttackMidway();
    EXPECT_NEAR(linear, 0.5f, 0.1f) << curve;
    EXPECT_GT(std::abs(linear - default_curve), 0.15f) << curve;
  }
}

TEST_F(EnvelopeControls, StopEndAfterTheSustainEndsAHeldNote) {
  EXPECT_EQ(EnvStepShown(2, patch().EnvStep[2].lane(kAmpLane)), 2u) << "the sustain holds";
  SetEnvStep(patch(), 2, kAmpLane + 1, 5);  // "Stop/End"
  EXPECT_EQ(patch().EnvStep[2].lane(kAmpLane), 48);
  EXPECT_EQ(EnvStepShown(2, patch().EnvStep[2].lane(kAmpLane)), 5u);
  Hold(60);
  EXPECT_EQ(f.stage(0), kStageEnd);
  EXPECT_TRUE(Silent());

  SetEnvStep(patch(), 5, 1, 0);  // the end stage has no list
  SetEnvStep(patch(), 1, 0, 0);  // nor lane 0
  EXPECT_EQ(patch().EnvStep[5].lane(0), 0);
  EXPECT_EQ(patch().EnvStep[1].lane(0), 16);
}

}  // namespace
}  // namespace brelix::testing
