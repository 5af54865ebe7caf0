#include "modulation/lfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "support/engine_fixture.h"

namespace brelix {
namespace {

constexpr uint32_t kOnes = 0xFFFFFFFFu;
constexpr float kControlPeriod = 8.0f / 44100.0f;  // ControlRate 7 at 44.1 kHz

// Bars per second at a host tempo, as the render loop forms it once per block.
float TempoOf(float bpm) { return std::max(bpm, 1.0f) * 0.0041666669f; }

// The element offset of a shape's waveform, from the engine tables directly.
uint32_t ExpectedTable(uint32_t shape) {
  const EngineTableOffsets& t = TableOffsets;
  if (shape == 0) return t.Sine;
  if (shape == 1) return t.Saw;
  if (shape == 2) return t.Square;
  if (shape == 3) return t.Triangle;
  if (shape < 14) return t.Log[shape - 4];
  if (shape < 24) return t.Exp[shape - 14];
  return t.Tanh;
}

class LfoTest : public ::testing::Test {
 protected:
  LfoTest() {
    LfoInitTables();
    XPatch& p = *engine.patch;
    p.LfoRate = QSingle::splat(0.1f);
    p.LfoLevel = QSingle::splat(1.0f);
    p.LfoMin = QSingle::splat(-8.0f);
    p.LfoMax = QSingle::splat(8.0f);
    p.LfoQuantize = QWord::splat(8191);
    p.VoiceLfo = QWord::ones();
    p.ControlRate = 7;
    p.ControlDelta1 = QSingle::splat(kControlPeriod);
    p.ControlDeltaMod = QSingle::splat(kControlPeriod * 1000.0f);
    p.ControlValue[7] = 1.0f;
    LfoPatchRecalculate(p);
    engine.sw->Tempo = QSingle::splat(TempoOf(120.0f));
    engine.sw->Noiseed = QWord::of(0x12345678u, 0x9ABCDEF1u, 0x0F1E2D3Cu, 0xCAFEBABEu);
  }

  XPatch& patch() { return *engine.patch; }
  XPatchWork& work() { return *engine.work; }

  // A voice control tick as the render loop runs the LFO part of it.
  void Tick(XPatchWork& w) {
    LfoRateCalculate(*engine.sw, patch(), w);
    LfoCalculate(*engine.sw, patch(), w);
  }
  void Tick() { Tick(work()); }

  // One LFO read at a fixed phase: no advance, no fade, no smoothing.
  QSingle ValueAt(QSingle phase) {
    work().LfoPhase = phase;
    work().LfoDeltaPhase = QSingle::zero();
    work().LfoFader = QSingle::splat(1.0f);
    work().LfoFilter = QSingle::zero();
    LfoCalculate(*engine.sw, patch(), work());
    return work().LfoValue;
  }

  testing::EngineFixture engine;
};

// ---- tables and derived values -------------------------------------------------------------

TEST_F(LfoTest, ShapesReadTheirWaveform) {
  struct Case {
    uint32_t shape;
    float phase;
    double expected;
  };
  const Case cases[] = {
      {0, 0.25f, 1.0},                          // Sine peak
      {0, 0.5f, 0.0},                           // entry 4096 forced to zero
      {1, 0.25f, -0.5},                         // Saw rising -1..1
      {2, 0.25f, 1.0},                          // Square, first half
      {2, 0.75f, -1.0},                         // Square, second half
      {3, 0.25f, 0.0},                          // Triangle rising
      {3, 0.75f, 0.0},                          // Triangle falling through 0
      {3, 0.625f, 0.5},                         // falling: -(4 * 0.125 - 1)
      {4, 0.5f, LogCurve(1, 0.5)},              // Log1
      {13, 0.25f, LogCurve(10, 0.25)},          // Log10
      {14, 0.5f, ExpCurve(1, 0.5)},             // Exp1
      {20, 0.75f, ExpCurve(7, 0.75)},           // Exp7
      {23, 0.5f, ExpCurve(10, 0.5)},            // Exp10
      {24, 0.5f, std::tanh(2.0)},               // Tanh
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "shape " << c.shape << " phase " << c.phase);
    EXPECT_EQ(LfoShapeTable[c.shape], ExpectedTable(c.shape));
    EXPECT_EQ(LfoShapeSize[c.shape], 8192u);
    patch().LfoShape = QWord::splat(c.shape);
    LfoPatchRecalculate(patch());
    EXPECT_EQ(patch().LfoTable.lane(0), ExpectedTable(c.shape));
    EXPECT_EQ(patch().LfoTableSize.lane(0), 8192.0f);
    EXPECT_NEAR(ValueAt(QSingle::splat(c.phase)).lane(0), c.expected, 1e-6);
  }
}

TEST_F(LfoTest, ShapeOutsideTheListPlaysTheSine) {
  patch().LfoShape = QWord::of(1, 25, 0x80000000u, kOnes);
  LfoPatchRecalculate(patch());
  EXPECT_EQ(patch().LfoTable.lane(0), TableOffsets.Saw);
  for (int n = 1; n < 4; ++n) {
    EXPECT_EQ(patch().LfoTable.lane(n), TableOffsets.Sine);
    EXPECT_EQ(patch().LfoTableSize.lane(n), 8192.0f);
  }
  EXPECT_EQ(patch().LfoShape.lane(1), 25u) << "the stored shape is left as the file gave it";
  EXPECT_NEAR(ValueAt(QSingle::splat(0.25f)).lane(3), 1.0f, 1e-6);
}

TEST_F(LfoTest, LfoTimeIsTheRateOrCyclesPerBarWhenClocked) {
  patch().LfoRate = QSingle::of(2.5f, 0.25f, 0.0f, 3.0f);
  patch().LfoClocked = QWord::of(0, kOnes, kOnes, kOnes);
  LfoPatchRecalculate(patch());
  EXPECT_EQ(patch().LfoTime.lane(0), 2.5f);
  EXPECT_EQ(patch().LfoTime.lane(1), 4.0f);
  EXPECT_EQ(patch().LfoTime.lane(2), 0.0f) << "clocked rate 0 stands still";
  EXPECT_EQ(patch().LfoTime.lane(3), static_cast<float>(1.0 / 3.0)) << "the reciprocal is taken in double";
}

// ---- rates ---------------------------------------------------------------------------------

TEST_F(LfoTest, FreeRateStepsThePhaseOncePerTick) {
  patch().LfoRate = QSingle::of(2.5f, 0.1f, 100.0f, 0.0f);
  LfoPatchRecalculate(patch());
  work().LfoPhase = QSingle::of(0.1f, 0.5f, 0.99f, 0.3f);
  work().LfoRateMod = QSingle::of(0.0f, 0.0f, 0.0f, 0.001f);  // 0.001 adds 1 cycle per second
  Tick();
  for (int n = 0; n < 4; ++n) {
    const float delta = patch().LfoRate.lane(n) * kControlPeriod;
    EXPECT_EQ(work().LfoDeltaPhase.lane(n), delta) << "lane " << n;
    EXPECT_EQ(patch().PatchLfoDeltaPhase.lane(n), delta) << "the patch-level phase follows the voice";
  }
  EXPECT_FLOAT_EQ(work().LfoPhase.lane(0), 0.1f + 2.5f * kControlPeriod);
  EXPECT_FLOAT_EQ(work().LfoPhase.lane(2), 0.99f + 100.0f * kControlPeriod - 1.0f) << "wraps into [0, 1)";
  EXPECT_FLOAT_EQ(work().LfoPhase.lane(3), 0.3f + 0.001f * kControlPeriod * 1000.0f);
}

TEST_F(LfoTest, ClockedRateFollowsTheHostTempo) {
  // 120 BPM is 0.5 bars per second: "Rate" 1 runs one cycle per bar (0.5 Hz), "Rate" 0.25 four.
  patch().LfoRate = QSingle::of(1.0f, 0.25f, 0.0f, 1.0f);
  patch().LfoClocked = QWord::of(kOnes, kOnes, kOnes, 0);
  LfoPatchRecalculate(patch());
  engine.sw->Tempo = QSingle::splat(TempoOf(120.0f));
  EXPECT_FLOAT_EQ(engine.sw->Tempo.lane(0), 0.5f);
  LfoRateCalculate(*engine.sw, patch(), work());
  EXPECT_FLOAT_EQ(work().LfoDeltaPhase.lane(0) / kControlPeriod, 0.5f);
  EXPECT_FLOAT_EQ(work().LfoDeltaPhase.lane(1) / kControlPeriod, 2.0f);
  EXPECT_EQ(work().LfoDeltaPhase.lane(2), 0.0f);
  EXPECT_FLOAT_EQ(work().LfoDeltaPhase.lane(3) / kControlPeriod, 1.0f) << "free lane ignores the tempo";

  // The period, counted in ticks between two wraps of lane 1: 2 s of control periods.
  work().LfoPhase = QSingle::zero();
  int wraps = 0, first = 0, second = 0;
  for (int tick = 1; wraps < 2 && tick < 100000; ++tick) {
    const float before = work().LfoPhase.lane(0);
    Tick();
    if (work().LfoPhase.lane(0) < before) (++wraps == 1 ? first : second) = tick;
  }
  ASSERT_EQ(wraps, 2);
  EXPECT_NEAR((second - first) * kControlPeriod, 2.0f, 2 * kControlPeriod);  // float phase sums drift a tick

  // A tempo of 0 counts as 1 BPM, never a standing or reversed clock.
  engine.sw->Tempo = QSingle::splat(TempoOf(0.0f));
  LfoRateCalculate(*engine.sw, patch(), work());
  EXPECT_GT(work().LfoDeltaPhase.lane(0), 0.0f);
}

// ---- shaping -------------------------------------------------------------------------------

TEST_F(LfoTest, QuantizeMasksTheIndexOnly) {
  // The editor shows 8191 - mask: shown 4095 -> two steps per cycle, 2047 -> four.
  struct Case {
    uint32_t shown;
    int steps;
  };
  for (const Case c : {Case{4095, 2}, Case{2047, 4}}) {
    SCOPED_TRACE(::testing::Message() << "shown " << c.shown);
    patch().LfoShape = QWord::splat(1);  // saw
    patch().LfoQuantize = QWord::splat(8191 - c.shown);
    LfoPatchRecalculate(patch());
    const float* saw = engine.table(TableOffsets.Saw);
    for (int k = 0; k < 64; ++k) {
      const float phase = k / 64.0f + 0.37f / 8192.0f;  // between two entries: the fraction shows
      const float q = phase * 8192.0f;
      const int i = static_cast<int>(q);
      const float f = q - static_cast<float>(i);
      const int step = static_cast<int>(phase * c.steps);
      const int index = step * 8192 / c.steps;
      const float expected = saw[index] - (saw[index] - saw[index + 1]) * f;
      EXPECT_EQ(ValueAt(QSingle::splat(phase)).lane(0), expected) << "phase " << phase;
      EXPECT_NEAR(expected, -1.0f + 2.0f * step / c.steps, 3e-4f) << "held at the step's start value";
    }
  }
}

TEST_F(LfoTest, LevelIsClampedBeforeTheOffset) {
  struct Case {
    float level, offset, expected;
  };
  const Case cases[] = {
      {10.0f, 0.0f, 8.0f}, {10.0f, 0.5f, 8.5f}, {-10.0f, 0.5f, -7.5f}, {0.5f, -0.25f, 0.25f},
  };
  for (const Case& c : cases) {
    patch().LfoLevel = QSingle::splat(c.level);
    patch().LfoOffset = QSingle::splat(c.offset);
    EXPECT_EQ(ValueAt(QSingle::splat(0.25f)).lane(0), c.expected)  // sine peak, w = 1
        << "level " << c.level << " offset " << c.offset;
  }
}

TEST_F(LfoTest, SmoothingApproachesEachSquareStepHalfwayPerTick) {
  patch().LfoShape = QWord::splat(2);
  patch().LfoSmooth = QSingle::splat(0.5f);
  LfoPatchRecalculate(patch());
  LfoNoteOn(*engine.sw, patch(), work());
  patch().LfoRate = QSingle::zero();  // hold the phase: step the square by hand
  LfoPatchRecalculate(patch());

  float expected = 0.0f;
  for (int tick = 0; tick < 6; ++tick) {
    Tick();
    expected += (1.0f - expected) * 0.5f;
    EXPECT_FLOAT_EQ(work().LfoValue.lane(0), expected) << "tick " << tick;
  }
  work().LfoPhase = QSingle::splat(0.75f);
  for (int tick = 0; tick < 6; ++tick) {
    Tick();
    expected += (-1.0f - expected) * 0.5f;
    EXPECT_FLOAT_EQ(work().LfoValue.lane(0), expected) << "falling tick " << tick;
  }
}

TEST_F(LfoTest, FadeInRampsLinearlyOverItsTime) {
  patch().LfoShape = QWord::splat(2);  // square: w = 1 in the first half
  patch().LfoRate = QSingle::zero();
  patch().LfoFadeIn = QSingle::of(2.0f, 0.0f, 0.0001f, 2.0f);
  LfoPatchRecalculate(patch());
  work().LfoPhase = QSingle::splat(0.25f);
  LfoNoteOn(*engine.sw, patch(), work());

  const int ticks_to_full = static_cast<int>(std::ceil(2.0f / kControlPeriod));
  for (int tick = 1; tick <= ticks_to_full + 10; ++tick) {
    Tick();
    const float ramp = std::min(tick * kControlPeriod / 2.0f, 1.0f);
    ASSERT_NEAR(work().LfoValue.lane(0), ramp, 1e-3f) << "tick " << tick;
    ASSERT_EQ(work().LfoValue.lane(0), work().LfoValue.lane(3));
    ASSERT_EQ(work().LfoValue.lane(1), 1.0f) << "no fade: full output from the first tick";
    ASSERT_EQ(work().LfoValue.lane(2), 1.0f) << "a fade shorter than a tick is full at once";
  }
  EXPECT_EQ(work().LfoFader.lane(0), 1.0f);
}

TEST_F(LfoTest, RandomStepIsDrawnWhenThePhaseWrapsAndHeld) {
  patch().LfoLevel = QSingle::zero();
  patch().LfoRandom = QSingle::splat(1.0f);
  patch().LfoRate = QSingle::splat(1000.0f);  // 0.18 cycles per tick
  LfoPatchRecalculate(patch());
  work().LfoSeed = QSingle::splat(0.25f);
  work().LfoPhase = QSingle::zero();
  work().LfoFader = QSingle::splat(1.0f);
  work().LfoFadeInc = QSingle::splat(1.0f);
  work().LfoRateMod = QSingle::of(0.0f, 0.0f, 0.0f, -2.0f);  // lane 4 runs backwards

  float held = 0.25f;
  int draws = 0;
  for (int tick = 0; tick < 100; ++tick) {
    NoiseStep(*engine.sw);
    const float before = work().LfoPhase.lane(0);
    Tick();
    const bool wrapped = work().LfoPhase.lane(0) < before;
    if (wrapped) {
      held = engine.sw->NoiseGenerator.lane(0);
      ++draws;
    }
    ASSERT_EQ(work().LfoValue.lane(0), held) << "tick " << tick;
    ASSERT_GE(held, -0.5f);
    ASSERT_LT(held, 0.5f);
    ASSERT_EQ(work().LfoValue.lane(3), 0.25f) << "a phase below zero never draws";
  }
  EXPECT_GE(draws, 15);
  EXPECT_LT(work().LfoPhase.lane(3), 0.0f);
}

TEST_F(LfoTest, PhaseFarOutsideItsRangeStillReadsInsideTheTable) {
  // A file may give a quantise mask with bits above 8191, and an absurd rate or rate modulation
  // can throw a phase where truncation saturates to 0x80000000: the read must stay in the table
  // and the output bounded by the clamp.
  patch().LfoQuantize = QWord::ones();
  patch().LfoOffset = QSingle::splat(0.5f);
  work().LfoPhase = QSingle::of(3.0e9f, -3.0e9f, std::nanf(""), INFINITY);
  work().LfoFader = work().LfoFadeInc = QSingle::splat(1.0f);
  LfoCalculate(*engine.sw, patch(), work());
  for (int n = 0; n < 4; ++n) {
    const float v = work().LfoValue.lane(n);
    EXPECT_TRUE(std::isfinite(v)) << "lane " << n;
    EXPECT_LE(std::fabs(v - 0.5f), 8.0f) << "lane " << n;
  }
}

// ---- phases --------------------------------------------------------------------------------

TEST_F(LfoTest, PatchLevelPhaseIsSharedByVoicesOwnPhaseIsNot) {
  XPatchWork& other = *engine.memory.AllocRecord<XPatchWork>();
  patch().LfoShape = QWord::splat(1);  // saw: the value shows the phase
  patch().VoiceLfo = QWord::of(0, kOnes, 0, kOnes);  // lanes 1, 3 follow the patch
  LfoPatchRecalculate(patch());
  work().LfoPhase = QSingle::of(0.1f, 0.1f, 0.1f, 0.1f);
  other.LfoPhase = QSingle::of(0.6f, 0.6f, 0.6f, 0.6f);
  for (XPatchWork* w : {&work(), &other}) {
    w->LfoFader = w->LfoFadeInc = QSingle::splat(1.0f);
  }

  // A render-loop frame: the patch phase steps first, then each voice ticks when due.
  for (int sample = 0; sample < 80; ++sample) {
    PatchLfoCalculate(*engine.sw, patch());
    if (sample % 8 == 0) {
      Tick(work());
      Tick(other);
      EXPECT_EQ(work().LfoValue.lane(0), other.LfoValue.lane(0)) << "sample " << sample;
      EXPECT_EQ(work().LfoValue.lane(2), other.LfoValue.lane(2));
      EXPECT_NE(work().LfoValue.lane(1), other.LfoValue.lane(1));
      EXPECT_NE(work().LfoValue.lane(3), other.LfoValue.lane(3));
    }
  }
  // The voices' own phases advanced in every lane, shared or not.
  EXPECT_NEAR(work().LfoPhase.lane(0), 0.1f + 10 * 0.1f * kControlPeriod, 1e-6f);
  EXPECT_NEAR(other.LfoPhase.lane(2), 0.6f + 10 * 0.1f * kControlPeriod, 1e-6f);
}

TEST_F(LfoTest, PatchPhaseStepsOncePerControlPeriod) {
  patch().PatchLfoDeltaPhase = QSingle::of(0.25f, 0.5f, 0.75f, 0.0f);
  patch().PatchLfoPhase = QSingle::of(0.0f, 0.0f, 0.5f, 0.3f);
  float lane1 = 0.0f;
  for (int sample = 0; sample < 24; ++sample) {
    PatchLfoCalculate(*engine.sw, patch());
    if (sample % 8 == 0) lane1 = std::fmod(lane1 + 0.25f, 1.0f);
    ASSERT_EQ(patch().PatchLfoPhase.lane(0), lane1) << "sample " << sample;
    ASSERT_EQ(patch().PatchControlCounter, 7u - sample % 8);
  }
  EXPECT_EQ(patch().PatchLfoPhase.lane(1), 0.5f);  // 1.5 wrapped
  EXPECT_EQ(patch().PatchLfoPhase.lane(2), 0.75f);  // 0.5 + 3 x 0.75 = 2.75
  EXPECT_EQ(patch().PatchLfoPhase.lane(3), 0.3f);

  patch().ControlRate = 0;  // a control tick every sample
  patch().PatchControlCounter = 0;
  PatchLfoCalculate(*engine.sw, patch());
  PatchLfoCalculate(*engine.sw, patch());
  EXPECT_EQ(patch().PatchLfoPhase.lane(0), 0.25f);
}

TEST_F(LfoTest, NoteOnRestartsOrKeepsThePhase) {
  patch().LfoStartPhase = QWord::of(0, kOnes, 0, kOnes);
  patch().LfoFadeIn = QSingle::of(0.0f, 0.5f, 0.0f, 0.0f);
  XPatchWork& w = work();
  w.LfoPhase = QSingle::of(0.7f, 0.7f, -0.3f, -0.3f);
  w.LfoValue = w.LfoFader = QSingle::splat(0.9f);
  w.LfoFilter = QSingle::splat(0.4f);
  w.LfoSeed = QSingle::splat(-0.2f);
  LfoNoteOn(*engine.sw, patch(), w);

  EXPECT_EQ(w.LfoPhase.lane(0), 0.0f);
  EXPECT_EQ(w.LfoPhase.lane(1), 0.7f);
  EXPECT_EQ(w.LfoPhase.lane(2), 0.0f);
  EXPECT_EQ(w.LfoPhase.lane(3), -0.3f);
  EXPECT_EQ(w.LfoFadeInc.lane(0), 1.0f);
  EXPECT_EQ(w.LfoFadeInc.lane(1), kControlPeriod / 0.5f);
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(w.LfoValue.lane(n), 0.0f);
    EXPECT_EQ(w.LfoFader.lane(n), 0.0f);
    EXPECT_EQ(w.LfoFilter.lane(n), 0.4f) << "smoothing carries over";
    EXPECT_EQ(w.LfoSeed.lane(n), -0.2f);
  }
}

TEST_F(LfoTest, DefaultPatchIsAPointOneHertzSineFromPhaseZero) {
  work().LfoPhase = QSingle::of(0.3f, 0.6f, 0.9f, 0.2f);  // where the voice's LFOs ran to
  LfoNoteOn(*engine.sw, patch(), work());
  for (int tick = 0; tick < 2000; ++tick) {
    Tick();
    const double t = tick * static_cast<double>(kControlPeriod);
    for (int n = 0; n < 4; ++n)
      ASSERT_NEAR(work().LfoValue.lane(n), std::sin(2 * std::numbers::pi * 0.1 * t), 2e-5) << "tick " << tick;
  }
}

// ---- the whole tick against a scalar evaluation of its formulas ------------------------------

struct LaneSetup {
  uint32_t shape;
  float rate;
  bool clocked;
  uint32_t quantize;
  float level, random, offset, smooth, fade_in;
  bool voice_phase, keep_phase;
  float phase, seed, rate_mod;
};

struct LaneState {
  float phase, delta, fader, fade_inc, filter, seed, value, modwheel, pressure;
};

TEST_F(LfoTest, TickMatchesScalarFormulas) {
  const LaneSetup lanes[4] = {
      // shape rate clocked quantize level random offset smooth fade voice keep phase seed ratemod
      {1, 3.0f, false, 8191, 0.8f, 0.5f, 0.1f, 0.3f, 0.01f, true, false, 0.13f, 0.1f, 3.0f},
      {24, 0.25f, true, 0x15A5, -1.5f, 2.0f, 0.0f, 0.0f, 0.0f, false, true, 0.5f, -0.3f, 1.0f},
      {17, 11.0f, false, 8191, 12.0f, 0.0f, -0.4f, 0.9f, 0.0f, true, true, 0.9f, 0.2f, -4.0f},
      {3, 0.7f, false, 4096, 1.0f, 0.25f, 0.0f, 0.5f, 0.05f, false, false, 0.2f, 0.0f, 0.01f},
  };
  const float tempo = TempoOf(133.0f);
  const float cd = kControlPeriod, cdm = kControlPeriod * 1000.0f;
  const float mod_wheel = 0.6f, pressure = 0.25f;

  XPatch& p = patch();
  XPatchWork& w = work();
  engine.sw->Tempo = QSingle::splat(tempo);
  p.ControlValue[1] = mod_wheel;
  p.ControlValue[kControlPressure] = pressure;
  LaneState ref[4];
  for (int n = 0; n < 4; ++n) {
    const LaneSetup& s = lanes[n];
    p.LfoShape.lanes()[n] = s.shape;
    p.LfoRate.lanes()[n] = s.rate;
    p.LfoClocked.lanes()[n] = s.clocked ? kOnes : 0;
    p.LfoQuantize.lanes()[n] = s.quantize;
    p.LfoLevel.lanes()[n] = s.level;
    p.LfoRandom.lanes()[n] = s.random;
    p.LfoOffset.lanes()[n] = s.offset;
    p.LfoSmooth.lanes()[n] = s.smooth;
    p.LfoFadeIn.lanes()[n] = s.fade_in;
    p.VoiceLfo.lanes()[n] = s.voice_phase ? kOnes : 0;
    p.LfoStartPhase.lanes()[n] = s.keep_phase ? kOnes : 0;
    w.LfoPhase.lanes()[n] = s.phase;
    w.LfoSeed.lanes()[n] = s.seed;
    w.LfoRateMod.lanes()[n] = s.rate_mod;
    w.LfoFilter.lanes()[n] = 0.5f;
    ref[n] = {s.keep_phase ? s.phase : 0.0f, 0, 0, cd / std::max(s.fade_in, cd), 0.5f, s.seed, 0, 0, 0};
  }
  LfoPatchRecalculate(p);
  LfoNoteOn(*engine.sw, p, w);
  p.PatchLfoPhase = QSingle::splat(0.4f);
  float patch_phase[4] = {0.4f, 0.4f, 0.4f, 0.4f}, patch_delta[4] = {};

  for (int tick = 0; tick < 400; ++tick) {
    if (tick == 200) {  // flip lane 3's modulation: its phase runs below zero
      w.LfoRateMod.lanes()[0] = -6.0f;
      w.LfoRateMod.lanes()[2] = 4.0f;
    }
    for (int sample = 0; sample < 8; ++sample) {
      NoiseStep(*engine.sw);
      PatchLfoCalculate(*engine.sw, p);
      if (sample == 0) {
        Tick();
        for (int n = 0; n < 4; ++n) {
          patch_phase[n] += patch_delta[n];
          patch_phase[n] -= static_cast<float>(static_cast<int32_t>(patch_phase[n]));
        }
        for (int n = 0; n < 4; ++n) {
          const LaneSetup& s = lanes[n];
          LaneState& st = ref[n];
          const float* table = engine.table(ExpectedTable(s.shape));
          const float rate_mod = w.LfoRateMod.lane(n);
          const float time = s.clocked ? static_cast<float>(1.0 / s.rate) : s.rate;
          st.delta = (s.clocked ? time * tempo : time) * cd;

          const float r = s.voice_phase ? st.phase : patch_phase[n];
          const float next = st.phase + st.delta + rate_mod * cdm;
          if (!(next < 1.0f)) st.seed = engine.sw->NoiseGenerator.lane(n);
          const float rnd = st.seed * s.random;
          st.phase = next - static_cast<float>(static_cast<int32_t>(next));
          const float q = std::fabs(r) * 8192.0f;
          int32_t i = static_cast<int32_t>(q);
          const float f = q - static_cast<float>(i);
          i &= static_cast<int32_t>(s.quantize);
          const float a = table[i], b = table[i + 1];
          const float wave = a - (a - b) * f;
          float v = wave * s.level + rnd;
          v = std::min(std::max(v, -8.0f), 8.0f);
          v = v + s.offset;
          st.fader = std::min(st.fader + st.fade_inc, 1.0f);
          st.filter = v + s.smooth * st.filter;
          st.value = st.filter * st.fader * (1.0f - s.smooth);
          st.modwheel = st.value * mod_wheel;
          st.pressure = st.value * pressure;
          patch_delta[n] = st.delta;
        }
        for (int n = 0; n < 4; ++n) {
          SCOPED_TRACE(::testing::Message() << "tick " << tick << " lane " << n + 1);
          const LaneState& st = ref[n];
          ASSERT_EQ(w.LfoDeltaPhase.lane(n), st.delta);
          ASSERT_EQ(w.LfoPhase.lane(n), st.phase);
          ASSERT_EQ(w.LfoSeed.lane(n), st.seed);
          ASSERT_EQ(w.LfoFader.lane(n), st.fader);
          ASSERT_EQ(w.LfoFilter.lane(n), st.filter);
          ASSERT_EQ(w.LfoValue.lane(n), st.value);
          ASSERT_EQ(w.LfoModwheel.lane(n), st.modwheel);
          ASSERT_EQ(w.LfoPressure.lane(n), st.pressure);
          ASSERT_EQ(p.PatchLfoPhase.lane(n), patch_phase[n]);
        }
      }
    }
  }
  // The run went through what it was meant to exercise.
  EXPECT_LT(w.LfoPhase.lane(0), 0.0f);
  EXPECT_NE(w.LfoSeed.lane(0), lanes[0].seed);
  EXPECT_NE(w.LfoSeed.lane(1), lanes[1].seed);
}

}  // namespace
}  // namespace brelix
