// The voice filters: key tracking, the control step, the ladder, the saturator, the pole weights
// of the filter types, input mixing, level and pan, note-on and the frequency response.
#include "engine/filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "engine/engine_tables.h"
#include "support/audio_measures.h"
#include "support/engine_fixture.h"

namespace brelix {
namespace {

using testing::kAudioRate;
using testing::kPi;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

QSingle Splat(float x) { return QSingle::splat(x); }

class Filter : public ::testing::Test {
 protected:
  // The default patch's filter settings at an audio rate of 88200 Hz: "LowPass4" wide open, only
  // filter 1 heard, oscillator n routed to filter n.
  void SetUp() override {
    FilterInitTables(engine.memory);
    p.FilterCutoff = Splat(12543.853515625f);
    p.FilterRange = Splat(12543.853515625f);
    p.FilterCenter = Splat(60.0f);
    p.FilterGain = Splat(1.0f);
    p.FilterFeedback = Splat(1.2f);
    for (int lane = 0; lane < 4; ++lane) SetType(lane, 0);
    p.FilterLevel = QSingle::of(1, 0, 0, 0);
    p.AuxOscMix = QSingle::of(-1, 1, -1, 1);
    SetAudioRate(kAudioRate);
    FilterPatchRecalculate(p);
    w.Notes = Splat(60.0f);
    FilterKeyTrack(sw, p, w);
  }

  void SetAudioRate(double ar) {
    p.FilterDelta4 = Splat(static_cast<float>(4.0 / ar));
    p.AudioSampleScale = Splat(static_cast<float>(44100.0 / ar));
  }
  void SetType(int lane, uint32_t type) {
    FilterTypeWeights(type, p.FilterPole0.lanes()[lane], p.FilterPole1.lanes()[lane], p.FilterPole2.lanes()[lane],
                      p.FilterPole3.lanes()[lane], p.FilterPole4.lanes()[lane]);
  }
  // Filter 1 as a plain saturator: "Bypass", no resonance, unit drive.
  void SaturatorOnly() {
    SetType(0, kFilterTypeBypass);
    p.FilterFeedback = Splat(1.0f);
  }
  void SetCutoff(float hz) {
    p.FilterCutoff = Splat(hz);
    p.FilterRange = Splat(hz);
    FilterPatchRecalculate(p);
    FilterCalculate(sw, p, w);
  }
  QSingle Process() { return FilterProcess(sw, p, w); }
  // Filters one sample of `input` (into all four filters); returns L + R, which is the sum of the
  // filters' levelled outputs whatever their pan.
  float Mono(float input) {
    w.AuxOscValue = Splat(input);
    QSingle out = Process();
    return out.lane(0) + out.lane(1);
  }

  // Gain of the filters at `hz` for a sine of amplitude `amp`, once the filter has settled.
  double ToneGain(double hz, double amp) {
    return testing::ToneGain([this](float x) { return Mono(x); }, hz, amp);
  }

  testing::EngineFixture engine;
  XSynthWork& sw = *engine.sw;
  XPatch& p = *engine.patch;
  XPatchWork& w = *engine.work;
};

// ---- tables and derived patch values -------------------------------------------------------

TEST_F(Filter, TuningTableAndDerivedPatchValues) {
  EXPECT_EQ(FilterTuneTable[0], 0.0f);
  EXPECT_EQ(FilterTuneTable[512], static_cast<float>(std::tan(kPi / 8)));
  EXPECT_EQ(FilterTuneTable[1024], 1.0f);
  EXPECT_EQ(FilterTuneTable[1025], 1.0f);

  p.FilterRange = QSingle::of(0, 100, -0.0f, 12543.854f);
  FilterPatchRecalculate(p);
  EXPECT_EQ(movemask(p.FilterFixedRange), 0b0101);
  EXPECT_TRUE(all(p.FilterFeedbackTable == QWord::splat(TableOffsets.Tanh)));
  EXPECT_EQ(p.FilterFeedbackSize.lane(2), 8192.0f);
  EXPECT_EQ(p.FilterFeedbackGain.lane(3), 2048.0f);

  // The saturator table is refilled from scratch.
  float* tanh_table = const_cast<float*>(engine.table(TableOffsets.Tanh));
  tanh_table[100] = 7.0f;
  tanh_table[8193] = 7.0f;
  FilterInitTables(engine.memory);
  EXPECT_EQ(tanh_table[100], static_cast<float>(std::tanh(4.0 * 100 / 8192)));
  EXPECT_EQ(tanh_table[8193], tanh_table[8192]);
}

TEST(FilterTypes, WeightsOfEveryType) {
  struct Case {
    uint32_t type;
    float weights[5];
  };
  const Case cases[] = {
      {0, {0, 0, 0, 0, 1}},    {1, {0, 0, 0, 1, 0}},   {2, {0, 0, 1, 0, 0}},         {3, {0, 1, 0, 0, 0}},
      {4, {1, -4, 6, -4, 1}},  {5, {0, 0, 2, -4, 2}},  {6, {1, -2, 2, 0, 0}},        {7, {0, -1, 0, 0, 1}},
      {8, {1, 0, 0, 0, 0}},    {9, {1, 0, 0, 0, 0}},   {0xFFFFFFFFu, {1, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    float got[5] = {9, 9, 9, 9, 9};
    FilterTypeWeights(c.type, got[0], got[1], got[2], got[3], got[4]);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(got[i], c.weights[i]) << "type " << c.type << " pole " << i;
  }
}

// ---- key tracking ----------------------------------------------------------------------------

TEST_F(Filter, KeyTrackingFollowsNoteCentreAndTracking) {
  struct Case {
    float note, centre, tracking;
    double ratio;
  };
  const Case cases[] = {
      {60, 60, 1, 1.0},          {72, 60, 1, 2.0},           {48, 60, 1, 0.5},
      {72, 60, 0.5f, std::sqrt(2.0)}, {84, 60, -1, 0.25},   {30, 60, 0, 1.0},
      {127, 0, 8, 2048.0},       // 84 octaves: held at the table's top, 2^11
      {0, 127, 8, 1.0 / 2048},   // and at its bottom
      {60, 0, kNaN, 1.0 / 2048},
  };
  for (const Case& c : cases) {
    w.Notes = Splat(c.note);
    p.FilterCenter = Splat(c.centre);
    p.FilterTracking = Splat(c.tracking);
    FilterKeyTrack(sw, p, w);
    for (int lane = 0; lane < 4; ++lane)
      EXPECT_NEAR(w.FilterRatio.lane(lane), c.ratio, c.ratio * 5e-6) << c.note << " " << c.centre << " " << c.tracking;
  }

  // The editor's tracking update recomputes the ratio of a sounding voice from the patch.
  w.Notes = Splat(72.0f);
  p.FilterCenter = QSingle::of(60, 72, 84, 48);
  p.FilterTracking = Splat(1.0f);
  FilterTrackUpdate(w);
  EXPECT_NEAR(w.FilterRatio.lane(0), 2.0, 1e-5);
  EXPECT_EQ(w.FilterRatio.lane(1), 1.0f);
  EXPECT_NEAR(w.FilterRatio.lane(2), 0.5, 1e-5);
  EXPECT_NEAR(w.FilterRatio.lane(3), 4.0, 2e-5);
}

// ---- control step ----------------------------------------------------------------------------

TEST_F(Filter, ControlStepGivesThePrewarpedCoefficient) {
  const double quarter = kAudioRate / 4;  // 22050 Hz
  struct Case {
    const char* what;
    float note, tracking, cutoff, range, cutoff_mod, velocity_mod;
    double fc;  // expected cutoff in Hz
  };
  const Case cases[] = {
      {"plain", 60, 0, 1000, 1000, 0, 0, 1000},
      {"an eighth of the rate", 60, 0, 11025, 11025, 0, 0, 11025},
      {"a quarter of the rate", 60, 0, 22050, 22050, 0, 0, quarter},
      {"beyond a quarter", 60, 0, 40000, 40000, 0, 0, quarter},
      {"huge", 60, 0, 1e30f, 1e30f, 0.5f, 0, quarter},
      {"zero", 60, 0, 0, 0, 0, 0, 0},
      {"negative", 60, 0, -500, -500, 0, 0, 0},
      {"proportional range, -1", 60, 0, 1000, 0, -1, 0, 0},
      {"proportional range, +1", 60, 0, 1000, 0, 1, 0, 2000},
      {"range in Hz", 60, 0, 1000, 500, 1, 0, 1500},
      {"range follows the key", 72, 1, 1000, 500, 1, 0, 3000},
      {"velocity adds to the modulation", 60, 0, 1000, 400, 0.25f, 0.5f, 1300},
      {"NaN modulation", 60, 0, 1000, 400, kNaN, 0, 0},
  };
  for (const Case& c : cases) {
    w.Notes = Splat(c.note);
    p.FilterTracking = Splat(c.tracking);
    FilterKeyTrack(sw, p, w);
    p.FilterCutoff = Splat(c.cutoff);
    p.FilterRange = Splat(c.range);
    FilterPatchRecalculate(p);
    w.FilterCutoffMod = Splat(c.cutoff_mod);
    w.FilterVelocityMod = Splat(c.velocity_mod);
    FilterCalculate(sw, p, w);
    const double g = std::tan(kPi * c.fc / kAudioRate);
    for (int lane = 0; lane < 4; ++lane) EXPECT_NEAR(w.Polef0.lane(lane), g, 2e-6) << c.what;
    if (c.fc == quarter || c.fc == 0) {
      EXPECT_EQ(w.Polef0.lane(0), static_cast<float>(c.fc / quarter)) << c.what;
    }
  }
}

TEST_F(Filter, ClosedFilterHoldsItsStates) {
  SetCutoff(0);
  w.FilterBuf1 = Splat(0.4f);
  w.FilterBuf2 = Splat(-0.3f);
  w.FilterBuf3 = Splat(0.2f);
  w.FilterBuf4 = Splat(0.1f);
  for (int n = 0; n < 10; ++n) EXPECT_EQ(Mono(0.5f), 0.1f);  // LowPass4 reads the held s4
  EXPECT_EQ(w.FilterBuf1.lane(0), 0.4f);
  EXPECT_EQ(w.FilterBuf2.lane(1), -0.3f);
  EXPECT_EQ(w.FilterBuf3.lane(2), 0.2f);
  EXPECT_EQ(w.FilterBuf4.lane(3), 0.1f);
}

// ---- per-sample coefficients -------------------------------------------------------------------

TEST_F(Filter, NegativeCoefficientAndResonanceFloor) {
  // A negative control coefficient runs as its magnitude; a resonance that sums below 0, or to NaN,
  // runs as none. Each lane of the first run must leave the states of its twin bit for bit.
  auto run = [this](QSingle g, QSingle reso, QSingle reso_mod) {
    FilterNoteOn(sw, p, w);
    w.FilterQompensator = QSingle::zero();
    w.Polef0 = g;
    p.FilterReso = reso;
    w.FilterResoMod = reso_mod;
    for (int i = 0; i < 50; ++i) Mono(static_cast<float>(i % 7) * 0.1f - 0.3f);
    return std::array<QSingle, 4>{w.FilterBuf1, w.FilterBuf2, w.FilterBuf3, w.FilterBuf4};
  };
  const auto got = run(QSingle::of(-0.25f, 0.25f, 0.3f, 0.3f), QSingle::of(0.9f, 0.5f, -1.0f, 0.2f),
                       QSingle::of(0.0f, -0.25f, 0.5f, kNaN));
  const auto twin = run(QSingle::of(0.25f, 0.25f, 0.3f, 0.3f), QSingle::of(0.9f, 0.25f, 0.0f, 0.0f), QSingle::zero());
  for (int stage = 0; stage < 4; ++stage)
    for (int lane = 0; lane < 4; ++lane)
      EXPECT_EQ(bits_of(got[stage].lane(lane)), bits_of(twin[stage].lane(lane))) << "stage " << stage << " lane " << lane;
  EXPECT_NE(got[3].lane(0), got[3].lane(2));  // the resonance of lane 1 does act
}

// ---- the ladder against its equations ----------------------------------------------------------

// One filter lane evaluated from its equations in double precision.
struct LadderReference {
  double s[4] = {1, 0, 0, 0};  // after a plain note-on
  double q = 0;

  // The lane's output before level and pan.
  double Step(double x, double g, double k, double drive, double follow, bool post_feed, const double pole[5]) {
    auto stage = [g](double in, double state) { return (g * in + state) / (1 + g); };
    // The ladder is affine in its input, y4 = a + b in; with in = x - k y4 this solves to
    // y4 = (a + b x) / (1 + b k).
    double a = 0, b = 1;
    for (double state : s) {
      a = stage(a, state);
      b = stage(b, 0.0);
    }
    const double y4 = (a + b * x) / (1 + b * k);
    const double d = y4 - q;
    q += d * follow;
    const double fb = k * d;
    const double u0 = post_feed ? -fb : x - fb;
    const double shaped = drive * u0;
    const double u = std::copysign(std::tanh(std::min(std::fabs(shaped), 4.0)), shaped) + (post_feed ? x : 0);
    const double y1 = stage(u, s[0]);
    const double y2 = stage(y1, s[1]);
    const double y3 = stage(y2, s[2]);
    const double out = pole[0] * u + pole[1] * y1 + pole[2] * y2 + pole[3] * y3 + pole[4] * y4;
    s[0] += 2 * g * (u - y1);
    s[1] += 2 * g * (y1 - y2);
    s[2] += 2 * g * (y2 - y3);
    s[3] += 2 * g * (y3 - y4);
    return out;
  }
};

TEST_F(Filter, LadderMatchesItsEquationsInDoublePrecision) {
  struct Lane {
    float cutoff, reso, gain, qompensate, drive;
    uint32_t type;
    bool post_feed;
    float level, pan;
  };
  const Lane lanes[4] = {
      {2000, 0.5f, 1.0f, 0.3f, 1.2f, 0, false, 1.0f, -0.5f},     // LowPass4, compensated
      {8000, 0.8f, 1.5f, 0.0f, 2.0f, 4, false, 0.7f, 0.3f},      // HighPass4, driven hard
      {500, 0.2f, 0.8f, 1.0f, 1.0f, 5, true, 0.5f, 1.0f},        // BandPass2+2 with PostFeed
      {30000, 0.85f, 1.0f, 0.05f, 0.7f, 6, false, 0.9f, -1.0f},  // Notch, cutoff beyond AR/4
  };
  QSingle cutoff = QSingle::zero(), reso = cutoff, gain = cutoff, qompensate = cutoff, drive = cutoff, level = cutoff,
          pan = cutoff;
  for (int n = 0; n < 4; ++n) {
    cutoff.set_lane(n, lanes[n].cutoff);
    reso.set_lane(n, lanes[n].reso);
    gain.set_lane(n, lanes[n].gain);
    qompensate.set_lane(n, lanes[n].qompensate);
    drive.set_lane(n, lanes[n].drive);
    level.set_lane(n, lanes[n].level);
    pan.set_lane(n, lanes[n].pan);
    p.FilterPostFeed.set_lane(n, lanes[n].post_feed ? ~0u : 0u);
    SetType(n, lanes[n].type);
  }
  p.FilterCutoff = p.FilterRange = cutoff;
  p.FilterReso = reso;
  p.FilterGain = gain;
  p.FilterQompensate = qompensate;
  p.FilterFeedback = drive;
  p.FilterLevel = level;
  p.FilterPan = pan;
  p.ControlValue[10] = 0.1f;
  w.FilterPanMod = QSingle::of(0.2f, 0, 0, 0);
  FilterPatchRecalculate(p);
  FilterCalculate(sw, p, w);
  FilterNoteOn(sw, p, w);

  LadderReference reference[4];
  const double scale = p.AudioSampleScale.lane(0);
  for (int i = 0; i < 400; ++i) {
    // a chord of two tones with some noise, large enough to reach the saturator
    const double t = i / kAudioRate;
    const QSingle input = QSingle::of(static_cast<float>(0.8 * std::sin(2 * kPi * 440 * t)),
                                      static_cast<float>(0.6 * std::sin(2 * kPi * 3000 * t) + 0.1 * ((i * 7919) % 13 - 6) / 6.0),
                                      static_cast<float>(0.9 * std::sin(2 * kPi * 150 * t)),
                                      static_cast<float>(0.5 * std::sin(2 * kPi * 5000 * t)));
    w.AuxOscValue = input;
    const QSingle out = Process();

    double left = 0, right = 0;
    for (int n = 0; n < 4; ++n) {
      const Lane& c = lanes[n];
      const double pole[5] = {p.FilterPole0.lane(n), p.FilterPole1.lane(n), p.FilterPole2.lane(n),
                              p.FilterPole3.lane(n), p.FilterPole4.lane(n)};
      const double follow = std::min(c.qompensate * scale, 1.0);
      const double v = c.level * reference[n].Step(static_cast<double>(input.lane(n)) * c.gain, w.Polef0.lane(n),
                                                   c.reso * 40.0 / 9.0, c.drive, follow, c.post_feed, pole);
      const double panning = 0.1 + c.pan + (n == 0 ? 0.2 : 0.0);
      left += v * std::clamp((1 - panning) * 0.5, 0.0, 1.0);
      right += v * std::clamp((1 + panning) * 0.5, 0.0, 1.0);

      const float* states[4] = {w.FilterBuf1.lanes(), w.FilterBuf2.lanes(), w.FilterBuf3.lanes(), w.FilterBuf4.lanes()};
      for (int j = 0; j < 4; ++j) ASSERT_NEAR(states[j][n], reference[n].s[j], 2e-5) << "sample " << i << " lane " << n;
      ASSERT_NEAR(w.FilterQompensator.lane(n), reference[n].q, 2e-5) << "sample " << i << " lane " << n;
    }
    ASSERT_NEAR(out.lane(0), left, 5e-5) << "sample " << i;
    ASSERT_NEAR(out.lane(1), right, 5e-5) << "sample " << i;
    ASSERT_EQ(out.lane(2), out.lane(0));
    ASSERT_EQ(out.lane(3), out.lane(1));
  }
}

// ---- saturator -------------------------------------------------------------------------------

TEST_F(Filter, BypassWithoutResonanceGivesTanh) {
  SaturatorOnly();
  for (float x : {-3.9f, -1.0f, -0.3f, -0.01f, 0.0f, 0.01f, 0.5f, 1.0f, 2.5f, 3.99f})
    EXPECT_NEAR(Mono(x), std::tanh(static_cast<double>(x)), 2e-7) << x;
  EXPECT_LT(Mono(1.0f), 0.77f);  // tanh(1) = 0.7616, not 1
}

TEST_F(Filter, SaturatorClampsAtTheLastEntry) {
  SaturatorOnly();
  const float last = engine.table(TableOffsets.Tanh)[8192];
  EXPECT_EQ(last, static_cast<float>(std::tanh(4.0)));
  for (float x : {4.001f, 4.5f, 10.0f, 1e6f, 1e30f}) {
    EXPECT_EQ(Mono(x), last) << x;
    EXPECT_EQ(Mono(-x), -last) << x;
  }
  // An infinite or NaN drive reads the last entry too.
  p.FilterFeedback = Splat(kInf);
  EXPECT_EQ(Mono(0.25f), last);
  p.FilterFeedback = Splat(kNaN);
  EXPECT_EQ(std::fabs(Mono(0.25f)), last);
}

TEST_F(Filter, NaNFeedbackIsShapedInsideTheTable) {
  // A broken compensator state makes the feedback NaN; the saturator still reads its last entry,
  // so the stages it drives stay finite.
  SetCutoff(1000);
  p.FilterReso = Splat(0.5f);
  w.FilterQompensator = Splat(kNaN);
  Mono(0.1f);
  for (int lane = 0; lane < 4; ++lane) {
    EXPECT_TRUE(std::isfinite(w.FilterBuf1.lane(lane)));
    EXPECT_TRUE(std::isfinite(w.FilterBuf3.lane(lane)));
  }
}

// ---- filter types ------------------------------------------------------------------------------

TEST_F(Filter, TypesShapeTheResponse) {
  struct Case {
    uint32_t type;
    double dc, nyquist, at_cutoff;
  };
  // A trapezoidal stage passes DC, blocks Nyquist and has gain 1/(1+j) at its cutoff.
  const Case cases[] = {
      {0, 1, 0, 0.25},      // LowPass4
      {1, 1, 0, 0.353553},  // LowPass3
      {2, 1, 0, 0.5},       // LowPass2
      {3, 1, 0, 0.707107},  // LowPass1
      {4, 0, 1, 0.25},      // HighPass4
      {5, 0, 0, 0.5},       // BandPass2+2
      {6, 1, 1, 0},         // BandStop2 (Notch2)
      {7, 0, 0, 0.901388},  // LowPass4-1
      {8, 1, 1, 1},         // Bypass
  };
  const double cutoff = kAudioRate / 40;  // 2205 Hz, 40 samples a cycle
  const float amp = 1e-3f;               // small: the saturator is linear here
  p.FilterFeedback = Splat(1.0f);
  SetCutoff(static_cast<float>(cutoff));
  for (const Case& c : cases) {
    SetType(0, c.type);

    float y = 0;
    for (int n = 0; n < 4000; ++n) y = Mono(amp);
    EXPECT_NEAR(y / amp, c.dc, 1e-3) << "type " << c.type << " at DC";
    for (int n = 0; n < 4000; ++n) y = Mono(n % 2 ? -amp : amp);
    EXPECT_NEAR(std::fabs(y) / amp, c.nyquist, 1e-3) << "type " << c.type << " at Nyquist";
    EXPECT_NEAR(ToneGain(cutoff, amp), c.at_cutoff, 2e-3) << "type " << c.type << " at the cutoff";
  }
}

TEST_F(Filter, LowPass4FallsBy24DecibelsAnOctave) {
  SetCutoff(1000);
  const float amp = 0.01f;
  auto db = [](double gain) { return 20 * std::log10(gain); };
  // The default drive of 1.2 is the pass-band gain; at the cutoff each stage gives -3 dB.
  EXPECT_NEAR(ToneGain(50, amp), 1.2, 0.01);
  EXPECT_NEAR(ToneGain(1000, amp), 1.2 * 0.25, 0.005);
  // Well above the cutoff: an octave up costs about 24 dB, exactly as the trapezoidal design says.
  auto design = [](double hz) {
    const double ratio = std::tan(kPi * hz / kAudioRate) / std::tan(kPi * 1000 / kAudioRate);
    return 1.2 / (1 + ratio * ratio) / (1 + ratio * ratio);
  };
  for (double hz : {4000.0, 5000.0}) {
    const double low = ToneGain(hz, amp);
    const double high = ToneGain(2 * hz, amp);
    EXPECT_NEAR(db(low) - db(high), 24.0, 1.0) << hz;
    EXPECT_NEAR(db(low), db(design(hz)), 0.1) << hz;
    EXPECT_NEAR(db(high), db(design(2 * hz)), 0.1) << 2 * hz;
  }
}

// ---- compensator ---------------------------------------------------------------------------------

TEST_F(Filter, QompensateRestoresTheBass) {
  SetCutoff(1000);
  p.FilterReso = Splat(0.5f);
  const double k = 0.5 * 40 / 9;
  float y = 0;
  for (int n = 0; n < 20000; ++n) y = Mono(1e-3f);
  EXPECT_NEAR(y / 1e-3, 1.2 / (1 + 1.2 * k), 0.005);  // resonance feedback thins the lows

  p.FilterQompensate = Splat(0.2f);
  for (int n = 0; n < 20000; ++n) y = Mono(1e-3f);
  EXPECT_NEAR(y / 1e-3, 1.2, 0.005);
}

TEST_F(Filter, FastCompensatorStaysStable) {
  // A follow coefficient of (8 + 2) x 0.5 = 5 would overshoot and diverge; it stops at 1.
  SetCutoff(3000);
  p.FilterReso = Splat(0.6f);
  p.FilterQompensate = Splat(8.0f);
  w.FilterQompensateMod = Splat(2.0f);
  for (int n = 0; n < 20000; ++n) {
    const float y = Mono(static_cast<float>(0.7 * std::sin(n * 0.05)));
    ASSERT_TRUE(std::isfinite(y)) << n;
    ASSERT_LT(std::fabs(w.FilterQompensator.lane(0)), 10.0f) << n;
  }
}

// ---- input mixing, level and pan -----------------------------------------------------------------

TEST_F(Filter, InputsMixIntoTheirFilters) {
  SaturatorOnly();
  for (int lane = 1; lane < 4; ++lane) SetType(lane, kFilterTypeBypass);
  w.AuxOscValue = QSingle::of(0.1f, 0.2f, 0.3f, 0.4f);
  w.SampleOscValue = QSingle::of(0.01f, 0.02f, 0.03f, 0.04f);
  p.AuxOscMix = QSingle::of(0.0f, 0.5f, -0.5f, 0.5f);
  w.AuxOscMixMod = QSingle::of(0.0f, 0.5f, 0.0f, 0.0f);  // oscillator 2 all the way to filter 2
  p.NoiseMix = QSingle::of(0.0f, 0.0f, 0.5f, 0.0f);
  w.NoiseMixMod = QSingle::of(0.0f, 0.0f, 0.0f, -1.0f);
  sw.NoiseGenerator = QSingle::of(0.3f, 0.3f, 0.2f, 0.1f);
  p.FilterGain = QSingle::of(1.0f, 1.0f, 1.0f, 2.0f);
  // oscillator n with its sample oscillator: o = 0.11, 0.22, 0.33, 0.44
  const double expected[4] = {
      0.11 * 0.5,                              // half of oscillator 1, none of oscillator 2
      0.11 * 0.5 + 0.22,                       // the other half, all of oscillator 2
      0.33 * 0.75 + 0.44 * 0.25 + 0.5 * 0.2,   // oscillator 3 mostly, noise lane 3
      (0.33 * 0.25 + 0.44 * 0.75 - 0.1) * 2,   // noise lane 4 through its modulation, gain 2
  };
  for (int lane = 0; lane < 4; ++lane) {
    QSingle level = QSingle::zero();
    level.set_lane(lane, 1.0f);
    p.FilterLevel = level;
    const QSingle out = Process();
    EXPECT_NEAR(out.lane(0) + out.lane(1), std::tanh(expected[lane]), 1e-6) << "filter " << lane + 1;
  }
}

TEST_F(Filter, LevelAndPan) {
  SaturatorOnly();
  const float v = Mono(0.5f);  // tanh(0.5) at the centre, level 1
  struct Case {
    float pan, controller, pan_mod;
    double left, right;
  };
  const Case cases[] = {
      {0, 0, 0, 0.5, 0.5},   {-1, 0, 0, 1, 0},       {1, 0, 0, 0, 1},
      {0, -1, 0, 1, 0},      {0, 0.984375f, 0, 0.0078125, 0.9921875},
      {0.5f, 0.5f, 0, 0, 1}, {1, 1, 0, 0, 1},        // beyond the right: held at 0 and 1
      {-0.5f, 0, -0.25f, 0.875, 0.125},
  };
  for (const Case& c : cases) {
    p.FilterPan = Splat(c.pan);
    p.ControlValue[10] = c.controller;
    w.FilterPanMod = Splat(c.pan_mod);
    w.AuxOscValue = Splat(0.5f);
    const QSingle out = Process();
    EXPECT_NEAR(out.lane(0), v * c.left, 1e-7) << c.pan << " " << c.controller << " " << c.pan_mod;
    EXPECT_NEAR(out.lane(1), v * c.right, 1e-7) << c.pan << " " << c.controller << " " << c.pan_mod;
    EXPECT_EQ(out.lane(2), out.lane(0));
    EXPECT_EQ(out.lane(3), out.lane(1));
  }

  // Four filters sum into the pair; the level modulation adds to the level.
  for (int lane = 1; lane < 4; ++lane) SetType(lane, kFilterTypeBypass);
  p.ControlValue[10] = 0;
  w.FilterPanMod = QSingle::zero();
  p.FilterPan = QSingle::of(-1, 1, -1, 0);
  p.FilterLevel = QSingle::of(1.0f, 0.5f, 0.0f, 0.25f);
  w.FilterLevelMod = QSingle::of(0.0f, 0.0f, 0.25f, 0.0f);
  w.AuxOscValue = Splat(0.5f);
  const QSingle out = Process();
  EXPECT_NEAR(out.lane(0), v * (1.0 + 0.25 + 0.125), 1e-6);
  EXPECT_NEAR(out.lane(1), v * (0.5 + 0.125), 1e-6);
}

// ---- note-on -----------------------------------------------------------------------------------

TEST_F(Filter, NoteOnResetsAndDeclickKeepsPerLane) {
  auto charge = [this] {
    w.FilterBuf1 = QSingle::of(0.1f, 0.2f, 0.3f, 0.4f);
    w.FilterBuf2 = QSingle::of(0.5f, 0.6f, 0.7f, 0.8f);
    w.FilterBuf3 = QSingle::of(-0.1f, -0.2f, -0.3f, -0.4f);
    w.FilterBuf4 = QSingle::of(-0.5f, -0.6f, -0.7f, -0.8f);
    w.FilterQompensator = Splat(0.7f);
    w.Polef0 = Splat(0.2f);
  };
  charge();
  FilterNoteOn(sw, p, w);
  for (int lane = 0; lane < 4; ++lane) {
    EXPECT_EQ(w.FilterBuf1.lane(lane), 1.0f);
    EXPECT_EQ(w.FilterBuf2.lane(lane), 0.0f);
    EXPECT_EQ(w.FilterBuf3.lane(lane), 0.0f);
    EXPECT_EQ(w.FilterBuf4.lane(lane), 0.0f);
    EXPECT_EQ(w.FilterQompensator.lane(lane), 0.7f);  // the compensator and coefficients stay
    EXPECT_EQ(w.Polef0.lane(lane), 0.2f);
  }

  charge();
  p.FilterDeclick = QWord::of(~0u, 0, ~0u, 0);
  FilterNoteOnClick(sw, p, w);
  const float kept[4][4] = {{0.1f, 0.5f, -0.1f, -0.5f}, {1, 0, 0, 0}, {0.3f, 0.7f, -0.3f, -0.7f}, {1, 0, 0, 0}};
  for (int lane = 0; lane < 4; ++lane) {
    EXPECT_EQ(w.FilterBuf1.lane(lane), kept[lane][0]) << lane;
    EXPECT_EQ(w.FilterBuf2.lane(lane), kept[lane][1]) << lane;
    EXPECT_EQ(w.FilterBuf3.lane(lane), kept[lane][2]) << lane;
    EXPECT_EQ(w.FilterBuf4.lane(lane), kept[lane][3]) << lane;
  }
}

TEST_F(Filter, PlainNoteOnRingsWithSilentInputs) {
  SetCutoff(1000);
  FilterNoteOn(sw, p, w);
  float peak = 0, y = 0;
  for (int n = 0; n < 200; ++n) peak = std::max(peak, std::fabs(Mono(0.0f)));
  EXPECT_GT(peak, 0.01f);
  for (int n = 0; n < 20000; ++n) y = Mono(0.0f);
  EXPECT_LT(std::fabs(y), 1e-5f);  // and dies away
}

}  // namespace
}  // namespace brelix
