// The envelopes: derived patch values, the control-tick step and the note hooks.
#include "modulation/envelope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "support/engine_fixture.h"

namespace brelix {
namespace {

constexpr float kControlPeriod44k = static_cast<float>(8.0 / 44100.0);  // 8 samples at 44.1 kHz
constexpr uint32_t kOn = 0xFFFFFFFFu;

enum Curve : uint32_t { kLinear = 0, kLog5 = 5, kExp3 = 13, kTanh = 21 };

// One stage of one envelope as a file gives it: the step in plain stage counts.
struct Stage {
  float time;
  float level;
  uint32_t curve;
  int32_t step;
};
using Stages = std::array<Stage, 5>;  // stages 0..4; stage 5 keeps its defaults

// The default envelope: everything at once, sustain at 1.
constexpr Stages kDefaultStages = {
    {{0, 1, kLog5, 1}, {0, 1, kLog5, 1}, {0, 1, kLog5, 0}, {0, 0, kLog5, 1}, {0, 0, kLog5, 1}}};

class Envelope : public ::testing::Test {
 protected:
  void SetUp() override {
    EnvInitTables();
    for (int lane = 0; lane < 4; ++lane) SetEnvelope(lane, kDefaultStages);
    p.EnvTime[5] = p.EnvLevel[5] = QSingle::zero();
    p.EnvCurve[5] = QWord::splat(kLog5);
    p.EnvStep[5] = QInteger::zero();
    SetControlPeriod(kControlPeriod44k);
    w.EnvStage = QInteger::of(0, 0, 0, kStageEnd);  // a fresh voice is idle
  }

  // Writes one lane's stages 0..4 with the steps scaled as a prepared patch holds them, and
  // recomputes the derived values.
  void SetEnvelope(int lane, const Stages& stages) {
    for (int s = 0; s < 5; ++s) {
      p.EnvTime[s].set_lane(lane, stages[s].time);
      p.EnvLevel[s].set_lane(lane, stages[s].level);
      p.EnvCurve[s].set_lane(lane, stages[s].curve);
      p.EnvStep[s].set_lane(lane, stages[s].step * 16);
    }
    EnvPatchRecalculate(p);
  }
  void SetControlPeriod(float seconds) {
    p.ControlDelta1 = QSingle::splat(seconds);
    p.ControlDeltaMod = p.ControlDelta1 * QSingle::splat(1000.0f);
  }

  void NoteOn() { EnvNoteOn(sw, p, w); }
  void NoteOff() { EnvNoteOff(sw, p, w); }
  // One control tick, as the render loop runs it.
  void Tick() {
    EnvRateCalculate(sw, p, w);
    EnvCalculate(sw, p, w);
  }
  float Value(int lane) const { return w.EnvValue.lane(lane); }
  int32_t StageOf(int lane) const { return w.EnvStage.lane(lane); }
  const float* Curve(uint32_t index) const { return engine.table(EnvCurveTable[index]); }

  testing::EngineFixture engine;
  XSynthWork& sw = *engine.sw;
  XPatch& p = *engine.patch;
  XPatchWork& w = *engine.work;
};

TEST_F(Envelope, CurveTableFollowsTheCurveList) {
  EXPECT_EQ(EnvCurveTable[0], TableOffsets.Ramp);
  for (int n = 1; n <= 10; ++n) {
    EXPECT_EQ(EnvCurveTable[n], TableOffsets.Log[n - 1]) << "Log" << n;
    EXPECT_EQ(EnvCurveTable[10 + n], TableOffsets.Exp[n - 1]) << "Exp" << n;
  }
  EXPECT_EQ(EnvCurveTable[21], TableOffsets.Tanh);
  p.EnvCurve[2] = QWord::of(0, 5, 13, 21);
  EnvPatchRecalculate(p);
  EXPECT_EQ(p.EnvCurves[2].lane(0), TableOffsets.Ramp);
  EXPECT_EQ(p.EnvCurves[2].lane(1), TableOffsets.Log[4]);
  EXPECT_EQ(p.EnvCurves[2].lane(2), TableOffsets.Exp[2]);
  EXPECT_EQ(p.EnvCurves[2].lane(3), TableOffsets.Tanh);
}

TEST_F(Envelope, StageRates) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    int stage;
    float time;
    float rate;
  } cases[] = {
      {0, 0.0f, 10000.0f},
      {1, 0.00001f, 10000.0f},  // below the bound: like 0.0001
      {1, 0.0001f, 10000.0f},
      {2, 2.0f, 0.5f},
      {3, 0.3f, static_cast<float>(1.0 / static_cast<double>(0.3f))},  // divided in double
      {4, 1000.0f, 0.001f},
      {0, -1.0f, 0.0f},  // never ends by itself
      {2, nan, 0.0f},    // treated as negative
      {5, 1.0f, 0.0f},   // the end stage never moves
  };
  for (const Case& c : cases) {
    p.EnvTime[c.stage] = QSingle::splat(c.time);
    EnvPatchRecalculate(p);
    EXPECT_EQ(p.EnvRate[c.stage].lane(2), c.rate) << "stage " << c.stage << " time " << c.time;
  }
}

TEST_F(Envelope, DefaultPatchRisesAtOnceHoldsAndFallsAtOnce) {
  NoteOn();
  Tick();
  EXPECT_EQ(w.EnvDeltaPhase.lane(0), 1.0f);  // a zero-time stage crosses in one tick
  for (int lane = 0; lane < 4; ++lane) EXPECT_EQ(Value(lane), 0.0f);
  for (int tick = 2; tick <= 200; ++tick) {
    Tick();
    for (int lane = 0; lane < 4; ++lane) ASSERT_EQ(Value(lane), 1.0f) << "tick " << tick;
  }
  EXPECT_EQ(StageOf(3), 32);  // sustain repeats itself
  NoteOff();
  EXPECT_EQ(StageOf(3), kStageRelease);
  Tick();
  for (int lane = 0; lane < 4; ++lane) EXPECT_EQ(Value(lane), 1.0f);
  EXPECT_FALSE(VoiceIsIdle(w));
  Tick();
  for (int lane = 0; lane < 4; ++lane) EXPECT_EQ(Value(lane), 0.0f);
  EXPECT_EQ(StageOf(3), kStageEnd);
  EXPECT_TRUE(VoiceIsIdle(w));
}

TEST_F(Envelope, NegativeTimeHoldsItsStartValueUntilNoteOff) {
  Stages stages = kDefaultStages;
  stages[1] = {-1.0f, 0.2f, kLog5, 1};
  SetEnvelope(0, stages);
  NoteOn();
  for (int tick = 0; tick < 2000; ++tick) Tick();
  EXPECT_EQ(StageOf(0), 16);
  EXPECT_EQ(Value(0), 1.0f);  // the decay's start, not its level 0.2
  EXPECT_EQ(w.EnvPhase.lane(0), 0.0f);
  NoteOff();
  Tick();
  Tick();
  EXPECT_EQ(Value(0), 0.0f);
  EXPECT_EQ(StageOf(0), kStageEnd);
}

TEST_F(Envelope, TinyTimesBehaveLikeTheLowerBoundAtAnyControlPeriod) {
  for (float period : {kControlPeriod44k, 1.0f / 192000.0f, 1.0f}) {
    SCOPED_TRACE(period);
    SetControlPeriod(period);
    const float times[4] = {0.00001f, 0.0001f, 0.0f, 0.001f};
    for (int lane = 0; lane < 4; ++lane) {
      Stages stages = kDefaultStages;
      stages[0] = {times[lane], 1.0f, kLinear, 1};
      stages[1] = {times[lane], 0.3f, kLinear, 1};
      SetEnvelope(lane, stages);
    }
    NoteOn();
    for (int tick = 0; tick < 100; ++tick) {
      Tick();
      ASSERT_LE(w.EnvDeltaPhase.lane(3), 1.0f);
      ASSERT_EQ(Value(0), Value(1));
      ASSERT_EQ(Value(0), Value(2));
      ASSERT_EQ(StageOf(0), StageOf(1));
    }
  }
}

TEST_F(Envelope, StepBackFromStageThreeLoopsUntilNoteOff) {
  // Decay, sustain and stage 3 all take no time; stage 3 steps back to the decay.
  SetEnvelope(1, {{{0, 1.0f, kLinear, 1},
                   {0, 0.2f, kLinear, 1},
                   {0, 0.7f, kLinear, 1},
                   {0, -0.4f, kLinear, -2},
                   {0, 0.0f, kLinear, 1}}});
  NoteOn();
  std::vector<int32_t> entered;
  std::vector<float> left_at;
  for (int tick = 0; tick < 40; ++tick) {
    const int32_t before = StageOf(1);
    Tick();
    if (StageOf(1) != before) {
      entered.push_back(StageOf(1));
      left_at.push_back(Value(1));
    }
  }
  const std::vector<int32_t> loop = {16, 32, 48, 16, 32, 48, 16, 32, 48, 16, 32, 48, 16, 32, 48, 16, 32, 48, 16, 32};
  EXPECT_EQ(entered, loop);
  const float levels[] = {1.0f, 0.2f, 0.7f, -0.4f};
  for (size_t k = 0; k < left_at.size(); ++k) {
    const int32_t from = k == 0 ? 0 : entered[k - 1] / 16;
    EXPECT_NEAR(left_at[k], levels[from], 1e-6f) << "change " << k;
  }
  NoteOff();
  Tick();
  Tick();
  EXPECT_EQ(StageOf(1), kStageEnd);
}

TEST_F(Envelope, LegatoLeavesOnlyFlaggedLanesRunning) {
  const Stages adsr = {
      {{0.01f, 1, kLog5, 1}, {0.2f, 0.5f, kExp3, 1}, {0, 0.5f, kLog5, 0}, {0, 0, kLog5, 1}, {0.3f, 0, kLog5, 1}}};
  for (int lane = 0; lane < 4; ++lane) SetEnvelope(lane, adsr);
  p.EnvRetrigger = QWord::of(0, kOn, 0, 0);
  using Hook = void (*)(const XSynthWork&, const XPatch&, XPatchWork&);
  for (Hook hook : {&EnvNoteOn, &EnvNoteOnClick}) {
    w.Retrigger = 0;
    NoteOn();
    for (int tick = 0; tick < 100; ++tick) Tick();  // into the decay
    const XPatchWork before = w;

    w.Retrigger = kOn;  // a legato note
    hook(sw, p, w);
    EXPECT_EQ(StageOf(1), before.EnvStage.lane(1));
    EXPECT_EQ(Value(1), before.EnvValue.lane(1));
    EXPECT_EQ(w.EnvPhase.lane(1), before.EnvPhase.lane(1));
    EXPECT_EQ(w.EnvGain.lane(1), before.EnvGain.lane(1));
    EXPECT_EQ(w.EnvOffset.lane(1), before.EnvOffset.lane(1));
    EXPECT_EQ(w.EnvRate.lane(1), before.EnvRate.lane(1));
    EXPECT_EQ(w.EnvTable.lane(1), before.EnvTable.lane(1));
    for (int lane : {0, 2, 3}) {
      EXPECT_EQ(StageOf(lane), 0);
      EXPECT_EQ(Value(lane), 0.0f);
      EXPECT_EQ(w.EnvPhase.lane(lane), 0.0f);
      EXPECT_EQ(w.EnvGain.lane(lane), 1.0f);
      EXPECT_EQ(w.EnvRate.lane(lane), p.EnvRate[0].lane(lane));
      EXPECT_EQ(w.EnvTable.lane(lane), EnvCurveTable[kLog5]);
    }

    w.Retrigger = 0;  // not legato: the flag alone holds nothing
    hook(sw, p, w);
    EXPECT_EQ(StageOf(1), 0);
    EXPECT_EQ(Value(1), 0.0f);
  }
}

TEST_F(Envelope, DeclickingNoteOnStartsFromTheCurrentValue) {
  // Settle every lane at 0.6, then attack towards 1.0 in 10 ms.
  for (int lane = 0; lane < 4; ++lane)
    SetEnvelope(lane, {{{0, 0.6f, kLinear, 1},
                        {0, 0.6f, kLinear, 1},
                        {0, 0.6f, kLinear, 0},
                        {0, 0, kLinear, 1},
                        {0, 0, kLinear, 1}}});
  NoteOn();
  for (int tick = 0; tick < 10; ++tick) Tick();
  for (int lane = 0; lane < 4; ++lane) ASSERT_EQ(Value(lane), 0.6f);
  for (int lane = 0; lane < 4; ++lane)
    SetEnvelope(lane, {{{0.01f, 1.0f, kLinear, 1},
                        {0, 1.0f, kLinear, 1},
                        {0, 1.0f, kLinear, 0},
                        {0, 0, kLinear, 1},
                        {0, 0, kLinear, 1}}});
  p.EnvDeclick = QWord::of(kOn, 0, kOn, 0);

  EnvNoteOnClick(sw, p, w);
  EXPECT_EQ(Value(0), 0.6f);
  EXPECT_EQ(w.EnvOffset.lane(0), 0.6f);
  EXPECT_EQ(w.EnvGain.lane(0), 1.0f - 0.6f);
  EXPECT_EQ(Value(1), 0.0f);
  EXPECT_EQ(w.EnvGain.lane(1), 1.0f);
  Tick();
  EXPECT_EQ(Value(0), 0.6f);
  EXPECT_EQ(Value(2), 0.6f);
  EXPECT_EQ(Value(1), 0.0f);
  EXPECT_EQ(Value(3), 0.0f);
  float last = Value(0);
  while (StageOf(0) == 0) {
    Tick();
    ASSERT_GE(Value(0), last);
    last = Value(0);
  }
  // The attack left from its last phase below 1 (its time is 55.1 ticks), near its level.
  EXPECT_GT(last, 0.999f);
  EXPECT_LE(last, 1.0f);
  EXPECT_GT(Value(3), 0.99f);
}

TEST_F(Envelope, NoteOffDuringTheAttackReleasesFromTheValueReached) {
  // A tick of 1/8 s: the attack moves 0.1 per tick, the release 0.125 (both in 1.25 s and 1 s).
  SetControlPeriod(0.125f);
  SetEnvelope(0, {{{1.25f, 1.0f, kLinear, 1},
                   {0, 1.0f, kLinear, 1},
                   {0, 1.0f, kLinear, 0},
                   {0, 0, kLinear, 1},
                   {1.0f, 0, kLinear, 1}}});
  NoteOn();
  for (int tick = 0; tick < 4; ++tick) Tick();
  const float reached = Value(0);
  ASSERT_NEAR(reached, 0.3f, 1e-6f);
  NoteOff();
  EXPECT_EQ(w.EnvOffset.lane(0), reached);
  EXPECT_EQ(w.EnvGain.lane(0), -reached);
  Tick();
  EXPECT_EQ(Value(0), reached);  // no jump to the attack's level
  float last = reached;
  int ticks = 1;
  while (StageOf(0) == kStageRelease) {
    Tick();
    ++ticks;
    ASSERT_LE(Value(0), last);
    last = Value(0);
  }
  EXPECT_EQ(ticks, 9);  // phases 0, 1/8, ..., 1, then the end stage
  EXPECT_EQ(last, 0.0f);
  EXPECT_EQ(StageOf(0), kStageEnd);
}

TEST_F(Envelope, TanhCurveEndsItsStageShortOfTheLevel) {
  SetEnvelope(
      2, {{{0, 0.5f, kTanh, 1}, {0, 0.5f, kLinear, 1}, {0, 0.5f, kLinear, 0}, {0, 0, kLinear, 1}, {0, 0, kLinear, 1}}});
  NoteOn();
  Tick();
  Tick();
  const float tanh4 = static_cast<float>(std::tanh(4.0));
  EXPECT_EQ(Value(2), tanh4 * 0.5f);  // about 99.93 % of the way
  EXPECT_EQ(StageOf(2), 16);
  Tick();
  EXPECT_EQ(Value(2), tanh4 * 0.5f);  // the decay starts there
  Tick();
  EXPECT_EQ(Value(2), 0.5f);
}

TEST_F(Envelope, RateModulationIsMirroredAndNeverLeavesTheTable) {
  // A stage that never ends by itself, moved only by the rate modulation.
  SetEnvelope(0, {{{-1.0f, 1.0f, kLinear, 1},
                   {0, 0.25f, kLinear, 0},
                   {0, 0, kLinear, 0},
                   {0, 0, kLinear, 1},
                   {0, 0, kLinear, 1}}});
  const float step = -1.0f * p.ControlDeltaMod.lane(0);  // about -0.18 of a stage per tick
  NoteOn();
  w.EnvRateMod = QSingle::splat(-1.0f);
  Tick();
  EXPECT_EQ(w.EnvPhase.lane(0), std::fabs(step));
  Tick();
  EXPECT_NEAR(Value(0), std::fabs(step), 1e-6f);
  EXPECT_EQ(w.EnvPhase.lane(0), 0.0f);  // |0.18 - 0.18|
  for (int tick = 0; tick < 50; ++tick) {
    Tick();
    ASSERT_GE(w.EnvPhase.lane(0), 0.0f);
    ASSERT_EQ(StageOf(0), 0);
  }

  w.EnvRateMod = QSingle::splat(-10.0f);  // mirrored past 1: the stage ends
  Tick();
  EXPECT_EQ(StageOf(0), 16);
  EXPECT_EQ(w.EnvPhase.lane(0), 0.0f);

  // Non-finite modulation ends the stage too, and the phase stays a table position.
  for (float mod : {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                    std::numeric_limits<float>::quiet_NaN()}) {
    NoteOn();
    w.EnvRateMod = QSingle::splat(mod);
    Tick();
    EXPECT_EQ(w.EnvPhase.lane(0), 0.0f) << mod;
    EXPECT_EQ(StageOf(0), 16) << mod;
    Tick();
    EXPECT_TRUE(std::isfinite(Value(0))) << mod;
  }
}

TEST_F(Envelope, BadStepsAndCurvesFromAFileStayInsideTheTables) {
  Stages bad_curves = kDefaultStages;
  bad_curves[0].step = std::numeric_limits<int32_t>::min() / 16;  // far below stage 0
  bad_curves[1].curve = 22;
  bad_curves[2].curve = 0xFFFFFFFFu;  // -1 in the file
  SetEnvelope(0, bad_curves);
  EXPECT_EQ(p.EnvStep[0].lane(0), 0);  // clamped to stage 0 itself
  EXPECT_EQ(p.EnvCurves[1].lane(0), EnvCurveTable[kLinear]);
  EXPECT_EQ(p.EnvCurves[2].lane(0), EnvCurveTable[kLinear]);

  // Lane 2 loops 0, 1, 2, 3 and back to 0; its release points past the end stage.
  SetEnvelope(1,
              {{{0, 1, kLog5, 1}, {0, 0.5f, kLog5, 1}, {0, 0.2f, kLog5, 1}, {0, 0.7f, kLog5, -10}, {0, 0, kLog5, 5}}});
  EXPECT_EQ(p.EnvStep[3].lane(1), -48);  // target -7 clamped to stage 0
  EXPECT_EQ(p.EnvStep[4].lane(1), 16);   // target 9 clamped to stage 5
  EXPECT_EQ(p.EnvStep[1].lane(1), 16);   // valid steps are kept
  EnvPatchRecalculate(p);                // and recomputing changes nothing
  EXPECT_EQ(p.EnvStep[3].lane(1), -48);

  NoteOn();
  std::vector<int32_t> entered;
  for (int tick = 0; tick < 16; ++tick) {
    const int32_t before = StageOf(1);
    Tick();
    if (StageOf(1) != before) entered.push_back(StageOf(1));
  }
  EXPECT_EQ(entered, (std::vector<int32_t>{16, 32, 48, 0, 16, 32, 48, 0}));
  NoteOff();
  Tick();
  Tick();
  EXPECT_EQ(StageOf(1), kStageEnd);
}

TEST_F(Envelope, DamagedStageValuesReadAsTheNearestStage) {
  const float levels[6] = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f};
  for (int s = 0; s < 6; ++s) p.EnvLevel[s] = QSingle::splat(levels[s]);
  p.EnvStep[5] = QInteger::zero();
  EnvPatchRecalculate(p);
  w.EnvStage = QInteger::of(-5000, 100000, 17, std::numeric_limits<int32_t>::min());
  w.EnvPhase = QSingle::splat(1.0f);  // every lane ends its stage in this tick
  w.EnvRate = QSingle::splat(10000.0f);
  w.EnvGain = QSingle::zero();
  w.EnvOffset = QSingle::zero();
  w.EnvTable = QWord::splat(EnvCurveTable[kLinear]);
  Tick();
  // Read as stages 0, 5, 1 and 0: each moves on by that stage's step.
  EXPECT_EQ(w.EnvStage.lane(0), 16);
  EXPECT_EQ(w.EnvStage.lane(1), kStageEnd);
  EXPECT_EQ(w.EnvStage.lane(2), 32);
  EXPECT_EQ(w.EnvStage.lane(3), 16);
  EXPECT_EQ(w.EnvGain.lane(0), levels[1]);
  EXPECT_EQ(w.EnvGain.lane(1), levels[5]);
  EXPECT_EQ(w.EnvGain.lane(2), levels[2]);
  EXPECT_EQ(w.EnvRate.lane(1), 0.0f);
}

// ---- a scalar evaluation of the envelope, lane by lane, to pin the vector arithmetic ----

struct ScalarEnvelope {
  const float* base;
  const XPatch* p;
  int lane;
  float rate = 0, delta = 0, phase = 0, gain = 0, offset = 0, value = 0, modwheel = 0, pressure = 0;
  int32_t stage = 0;
  uint32_t table = 0;

  static float Rate(int s, float time) {
    if (s == 5 || time < 0.0f) return 0.0f;
    return static_cast<float>(1.0 / static_cast<double>(std::max(time, 0.0001f)));
  }
  static uint32_t Table(uint32_t curve) {
    if (curve == 0) return TableOffsets.Ramp;
    if (curve <= 10) return TableOffsets.Log[curve - 1];
    if (curve <= 20) return TableOffsets.Exp[curve - 11];
    return TableOffsets.Tanh;
  }
  float Level(int s) const { return p->EnvLevel[s].lane(lane); }
  void Enter(int32_t s, float start) {
    stage = s;
    table = Table(p->EnvCurve[s / 16].lane(lane));
    rate = Rate(s / 16, p->EnvTime[s / 16].lane(lane));
    offset = start;
    gain = Level(s / 16) - start;
    phase = 0;
  }
  void NoteOn() {
    Enter(0, 0.0f);
    value = 0;
  }
  void NoteOff() { Enter(64, value); }
  void Tick(float rate_mod) {
    delta = std::min(rate * p->ControlDelta1.lane(lane), 1.0f);
    const float position = phase * 8192.0f;
    const int i = static_cast<int>(position);
    const float f = position - static_cast<float>(i);
    const float a = base[table + i];
    const float b = base[table + i + 1];
    const float v = a - (a - b) * f;
    value = v * gain + offset;
    modwheel = value * p->ControlValue[1];
    pressure = value * p->ControlValue[129];
    const float q = std::fabs(phase + delta + rate_mod * p->ControlDeltaMod.lane(lane));
    if (q <= 1.0f) {
      phase = q;
    } else {
      Enter(stage + p->EnvStep[stage / 16].lane(lane), value);
    }
  }
};

TEST_F(Envelope, MatchesAScalarEvaluationOfTheFormulas) {
  // Lane 1: attack 10 ms Log5, decay 0.2 s Exp3 to 0.5, sustain, release 0.3 s.
  SetEnvelope(0, {{{0.01f, 1.0f, kLog5, 1},
                   {0.2f, 0.5f, kExp3, 1},
                   {0.05f, 0.5f, kLinear, 0},
                   {0, 0, kLog5, 1},
                   {0.3f, 0, kLog5, 1}}});
  // Lane 2: bipolar levels, Tanh attack, a slowly drifting sustain.
  SetEnvelope(
      1,
      {{{0.02f, -0.7f, kTanh, 1}, {0.1f, 0.4f, kLinear, 1}, {0.5f, 0.1f, 11, 0}, {0, 0, kLog5, 1}, {0.15f, 0, 20, 1}}});
  // Lane 3: decay, sustain and stage 3 looping, slowed by rate modulation.
  SetEnvelope(2, {{{0.005f, 1.0f, 1, 1},
                   {0.03f, 0.2f, 10, 1},
                   {0.02f, 0.8f, kExp3, 1},
                   {0.04f, 0.3f, kTanh, -2},
                   {0.1f, 0, kLinear, 1}}});
  // Lane 4: the amplitude envelope, sped up by rate modulation.
  SetEnvelope(
      3,
      {{{0.01f, 1.0f, kLog5, 1}, {0.2f, 0.6f, kExp3, 1}, {0, 0.6f, kLog5, 0}, {0, 0, kLog5, 1}, {0.3f, 0, kExp3, 1}}});
  p.ControlValue[1] = 0.5f;
  p.ControlValue[129] = 0.25f;
  const float rate_mod[4] = {0.0f, 0.0f, -0.01f, 0.003f};

  std::vector<ScalarEnvelope> reference;
  for (int lane = 0; lane < 4; ++lane) reference.push_back({engine.base(), &p, lane});
  NoteOn();
  for (auto& r : reference) r.NoteOn();
  w.EnvRateMod = QSingle::of(rate_mod[0], rate_mod[1], rate_mod[2], rate_mod[3]);
  auto run = [&](int ticks) {
    for (int tick = 0; tick < ticks; ++tick) {
      Tick();
      for (auto& r : reference) {
        r.Tick(rate_mod[r.lane]);
        ASSERT_EQ(w.EnvValue.lane(r.lane), r.value) << "lane " << r.lane + 1 << " tick " << tick;
        ASSERT_EQ(w.EnvModwheel.lane(r.lane), r.modwheel) << "lane " << r.lane + 1 << " tick " << tick;
        ASSERT_EQ(w.EnvPressure.lane(r.lane), r.pressure) << "lane " << r.lane + 1 << " tick " << tick;
        ASSERT_EQ(w.EnvStage.lane(r.lane), r.stage) << "lane " << r.lane + 1 << " tick " << tick;
        ASSERT_EQ(w.EnvPhase.lane(r.lane), r.phase) << "lane " << r.lane + 1 << " tick " << tick;
      }
    }
  };
  run(1300);
  EXPECT_EQ(StageOf(0), 32);  // lane 1 reached its sustain
  NoteOff();
  for (auto& r : reference) r.NoteOff();
  run(2000);
  EXPECT_EQ(StageOf(0), kStageEnd);
  EXPECT_TRUE(VoiceIsIdle(w));
}

}  // namespace
}  // namespace brelix
