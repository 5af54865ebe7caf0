// The voice oscillators: pitch and key tracking, phase increments, sync, the waveform paths,
// the note-on phase, the fundamental of a rendered second, and a sample-by-sample comparison
// with a scalar evaluation of the same formulas.
#include "engine/oscillator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <vector>

#include "support/audio_measures.h"
#include "support/engine_fixture.h"

namespace brelix {
namespace {

using testing::kAudioRate;
constexpr int kTickPeriod = 16;         // control tick every 8 output samples = 16 sub-samples
constexpr double kTwoPow32 = 4294967296.0;

// The processor's truncating conversion: out-of-range and NaN give 0x80000000.
int32_t Cvtt(float x) {
  if (std::isnan(x) || x >= 2147483648.0f || x < -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(x);
}

class Oscillator : public ::testing::Test {
 protected:
  Oscillator() {
    // The default oscillator settings, voices at twice 44100 Hz.
    p.AuxOscCenter = QSingle::splat(60.0f);
    p.AuxOscTracking = QSingle::splat(1.0f);
    p.AuxOscPW = QSingle::splat(1.0f);
    p.AuxOscMorph = QSingle::splat(0.8f);
    p.AuxOscLevel = QSingle::splat(0.25f);
    p.AuxOscSawSigma1 = QSingle::splat(1.0f);
    p.AuxOscDCFilter = QSingle::splat(0.0001f);
    p._AuxOscDCFilter = QSingle::splat(static_cast<float>(0.0001 * 44100.0 / kAudioRate));
    p.AudioDelta1 = QSingle::splat(static_cast<float>(1.0 / kAudioRate));
    p.AudioPhaseDelta1 = QSingle::splat(static_cast<float>(kTwoPow32 / kAudioRate));
    OscPatchRecalculate(p);
  }

  void NoteOn(int note) {
    w.Notes = QSingle::splat(static_cast<float>(note));
    OscPitchNoteOn(sw, p, w);
    OscPhaseNoteOn(sw, p, w);
  }

  // Runs the oscillator as the render loop does (a control tick before every 16th sub-sample)
  // and returns one lane's output.
  std::vector<float> Render(int samples, int lane = 0, float pitch_mod = 0.0f) {
    std::vector<float> out;
    out.reserve(samples);
    for (int i = 0; i < samples; ++i) {
      if (i % kTickPeriod == 0) OscCalculate(sw, p, w, QSingle::splat(pitch_mod));
      OscProcess(sw, p, w);
      out.push_back(w.AuxOscValue.lane(lane));
    }
    return out;
  }

  const float* Sine() const { return engine.table(TableOffsets.Sine); }

  testing::EngineFixture engine;
  XSynthWork& sw = *engine.sw;
  XPatch& p = *engine.patch;
  XPatchWork& w = *engine.work;
};

// Magnitudes of harmonics 1..count of `freq` over the last `cycles` whole cycles of x, each
// relative to the fundamental.
std::vector<double> HarmonicRatios(const std::vector<float>& x, double freq, int cycles, int count) {
  const int length = static_cast<int>(std::lround(cycles * kAudioRate / freq));
  const int start = static_cast<int>(x.size()) - length;
  std::vector<double> magnitude;
  for (int k = 1; k <= count; ++k) {
    std::complex<double> sum = 0.0;
    for (int n = start; n < static_cast<int>(x.size()); ++n)
      sum += static_cast<double>(x[n]) * std::polar(1.0, -2.0 * M_PI * k * freq * n / kAudioRate);
    magnitude.push_back(std::abs(sum));
  }
  const double fundamental = magnitude.front();
  for (double& m : magnitude) m /= fundamental;
  return magnitude;
}

// ---- pitch --------------------------------------------------------------------------------------

TEST_F(Oscillator, PitchFollowsNoteTranspositionCentreAndTracking) {
  struct Case {
    int note;
    float semitone, detune, centre, tracking;
  };
  const Case cases[] = {
      {60, 0, 0, 60, 1},    {72, 0, 0, 60, 1},     {69, 0, 0, 60, 1},        {21, 0, 0, 60, 1},
      {60, 7, 0, 60, 1},    {60, 0, 0.37f, 60, 1}, {60, -12, -0.5f, 60, 1},  {60, 0, 0, 48, 1},
      {72, 0, 0, 60, 0.5f}, {60, 12, 0, 60, 0.5f}, {84, 5, 0.25f, 48.7f, 2}, {100, 0, 0, 60, -1},
      {0, -4, 0, 127, 1},   {127, 4, 0, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "note " << c.note << " semitone " << c.semitone << " detune " << c.detune
                                      << " centre " << c.centre << " tracking " << c.tracking);
    p.AuxOscSemitone = QSingle::splat(c.semitone);
    p.AuxOscDetune = QSingle::splat(c.detune);
    p.AuxOscCenter = QSingle::splat(c.centre);
    p.AuxOscTracking = QSingle::splat(c.tracking);
    OscPatchRecalculate(p);
    w.Notes = QSingle::splat(static_cast<float>(c.note));
    OscPitchNoteOn(sw, p, w);

    const double base = NoteFrequency[static_cast<int>(c.centre)];
    const double ratio = std::pow(2.0, (c.note + c.semitone + c.detune - c.centre) * c.tracking / 12.0);
    const double pitch = base * std::pow(2.0, (c.note - c.centre) * c.tracking / 12.0);
    for (int lane = 0; lane < 4; ++lane) {
      EXPECT_EQ(p.AuxOscBasePitch.lane(lane), static_cast<float>(base));
      EXPECT_NEAR(w.AuxOscRatio.lane(lane), ratio, ratio * 5e-6);
      EXPECT_NEAR(w.AuxOscFrequency.lane(lane), base * ratio, base * ratio * 5e-6);
      EXPECT_NEAR(w.AuxOscPitch.lane(lane), pitch, pitch * 5e-6);
    }
  }
}

TEST_F(Oscillator, NoteOnCentreSoundsTheBasePitch) {
  w.Notes = QSingle::splat(60.0f);
  OscPitchNoteOn(sw, p, w);
  EXPECT_EQ(w.AuxOscRatio.lane(0), 1.0f);
  EXPECT_EQ(w.AuxOscFrequency.lane(0), p.AuxOscBasePitch.lane(0));
  EXPECT_NEAR(w.AuxOscFrequency.lane(0), 261.63f, 0.005f);
  EXPECT_EQ(w.AuxOscPitch.lane(0), w.AuxOscFrequency.lane(0));
}

TEST_F(Oscillator, FixedFrequencyIgnoresNoteWhileSyncMasterFollows) {
  p.AuxOscFixedFreq = QSingle::of(0.0f, 1000.0f, 0.0f, 55.5f);
  p.AuxOscSemitone = QSingle::splat(5.0f);
  p.AuxOscDetune = QSingle::splat(0.3f);
  OscPatchRecalculate(p);
  EXPECT_EQ(p.AuxOscFixedOsc.lane(0), 0xFFFFFFFFu);
  EXPECT_EQ(p.AuxOscFixedOsc.lane(1), 0u);
  EXPECT_EQ(p.AuxOscFixedOsc.lane(3), 0u);

  for (int note : {30, 60, 90}) {
    SCOPED_TRACE(note);
    w.Notes = QSingle::splat(static_cast<float>(note));
    OscPitchNoteOn(sw, p, w);
    EXPECT_EQ(w.AuxOscFrequency.lane(1), 1000.0f);
    EXPECT_EQ(w.AuxOscFrequency.lane(3), 55.5f);
    const double keyed = NoteFrequency[60] * std::pow(2.0, (note + 5.3 - 60) / 12.0);
    EXPECT_NEAR(w.AuxOscFrequency.lane(0), keyed, keyed * 5e-6);
    // The sync master of every lane follows the note alone.
    const double master = NoteFrequency[60] * std::pow(2.0, (note - 60) / 12.0);
    for (int lane = 0; lane < 4; ++lane) EXPECT_NEAR(w.AuxOscPitch.lane(lane), master, master * 5e-6);
  }
}

TEST_F(Oscillator, PitchUpdateRepitchesInTheVoicesOwnPatch) {
  NoteOn(60);
  const float before = w.AuxOscFrequency.lane(0);
  p.AuxOscSemitone = QSingle::splat(12.0f);
  OscPitchUpdate(w);
  EXPECT_NEAR(w.AuxOscFrequency.lane(0), 2.0f * before, 2.0f * before * 5e-6f);
}

TEST_F(Oscillator, TableLimitsHoldPitchAndCentreInRange) {
  // Offsets beyond +-11 octaves hold at the ends of the 2^x table.
  p.AuxOscSemitone = QSingle::of(200.0f, -200.0f, 131.9f, -132.1f);
  w.Notes = QSingle::splat(60.0f);
  OscPitchNoteOn(sw, p, w);
  EXPECT_EQ(w.AuxOscRatio.lane(0), 2048.0f);
  EXPECT_EQ(w.AuxOscRatio.lane(1), static_cast<float>(std::pow(2.0, -11.0)));
  EXPECT_NEAR(w.AuxOscRatio.lane(2), std::pow(2.0, 131.9 / 12.0), 0.05);
  EXPECT_EQ(w.AuxOscRatio.lane(3), static_cast<float>(std::pow(2.0, -11.0)));

  // Centre notes outside the 129-entry note table are clamped to it before truncation.
  p.AuxOscCenter = QSingle::of(-7.5f, 128.9f, 1e10f, std::nanf(""));
  OscPatchRecalculate(p);
  EXPECT_EQ(p.AuxOscBasePitch.lane(0), NoteFrequency[0]);
  EXPECT_EQ(p.AuxOscBasePitch.lane(1), NoteFrequency[128]);
  EXPECT_EQ(p.AuxOscBasePitch.lane(2), NoteFrequency[128]);
  EXPECT_EQ(p.AuxOscBasePitch.lane(3), NoteFrequency[0]);
}

// ---- control tick -------------------------------------------------------------------------------

TEST_F(Oscillator, IncrementFollowsLinearPitchModulation) {
  struct Case {
    float frequency, range, pitch_mod_field, pitch_mod;
    double expected_hz;  // NAN: saturated to half a cycle per sample
  };
  const Case cases[] = {
      {440, 0, 0, 0, 440},     {440, 0, 0, 1, 880},   {440, 0, -0.25f, -0.75f, 0}, {440, 0, 0, -1, 0},
      {440, 0, 0, -2, -440},   {440, 100, 0, 1, 540}, {440, 100, 0.5f, 0.5f, 540}, {440, 100, 0, -6.4f, -200},
      {44099, 0, 0, 0, 44099}, {44100, 0, 0, 0, NAN}, {60000, 0, 0, 0, NAN},       {440, 0, 0, -200, NAN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.frequency << " Hz, range " << c.range << ", modulation " << c.pitch_mod_field
                                      << " + " << c.pitch_mod);
    p.AuxOscRange = QSingle::splat(c.range);
    OscPatchRecalculate(p);
    w.AuxOscFrequency = QSingle::splat(c.frequency);
    w.AuxOscPitchMod = QSingle::splat(c.pitch_mod_field);
    OscCalculate(sw, p, w, QSingle::splat(c.pitch_mod));
    const int32_t delta = static_cast<int32_t>(w.AuxOscDeltaPhase.lane(0));
    if (std::isnan(c.expected_hz)) {
      EXPECT_EQ(w.AuxOscDeltaPhase.lane(0), 0x80000000u);
    } else {
      const double expected = c.expected_hz * kTwoPow32 / kAudioRate;
      EXPECT_NEAR(delta, expected, std::abs(expected) * 1e-6);
    }
  }
}

TEST_F(Oscillator, DepthCorrectionAndGainFollowTheNormalisedFrequency) {
  struct Case {
    float frequency;                  // n = frequency / 88200
    double scaling, dc_adjust, norm;  // for morph 0.8 + 0.1, level 0.25 + 0.05
  };
  const double morph = 0.9, level = 0.3;
  const Case cases[] = {
      {0, 54.0 / 64.0 * morph, 0.376, level},
      {22050, 54.0 * std::pow(0.25, 6) * morph, 0.188, 0.5 * level},
      {44100, 0, 0, 0},
      {-22050, 54.0 * std::pow(0.75, 6) * morph, 0.564, 1.5 * level},
  };
  w.AuxOscMorphMod = QSingle::splat(0.1f);
  w.AuxOscLevelMod = QSingle::splat(0.05f);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frequency);
    w.AuxOscFrequency = QSingle::splat(c.frequency);
    OscCalculate(sw, p, w, QSingle::zero());
    EXPECT_NEAR(w.AuxOscScaling.lane(0), c.scaling, 1e-6 * (1.0 + c.scaling));
    EXPECT_NEAR(w.AuxOscDCAdjust.lane(0), c.dc_adjust, 1e-6);
    EXPECT_NEAR(w.AuxOscNorm.lane(0), c.norm, 1e-6);
  }
}

// ---- sync ---------------------------------------------------------------------------------------

struct SyncCase {
  float ratio, ratio_mod, pitch_mod;
  double master_hz;  // for note 60 (261.63 Hz)
};

TEST_F(Oscillator, SyncResetsOncePerMasterCycle) {
  const double note60 = NoteFrequency[60];
  const SyncCase cases[] = {
      {0, 0, 0, 0},     {1, 0, 0, note60},     {2, 0, 0, 2 * note60}, {0.5f, 0.5f, 0, note60},
      {-1, 0.5f, 0, 0}, {1, 0, 1, 2 * note60}, {1, 0, -1, 0},         {1, 0, -1.5f, 0},
  };
  // Below zero pitch (modulation -1.5) the master stands still instead of firing every other sample.
  p.AuxOscSemitone = QSingle::splat(7.0f);  // the slave a fifth above the master
  p.AuxOscPW = QSingle::splat(0.25f);
  for (const SyncCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "ratio " << c.ratio << " + " << c.ratio_mod << ", pitch modulation "
                                      << c.pitch_mod);
    p.AuxOscSync = QSingle::splat(c.ratio);
    w.AuxOscSyncMod = QSingle::splat(c.ratio_mod);
    NoteOn(60);
    OscCalculate(sw, p, w, QSingle::splat(c.pitch_mod));
    const uint32_t delta = w.AuxOscDeltaPhase.lane(0);
    uint32_t free_phase = w.AuxOscPhase.lane(0);
    int resets = 0;
    for (int i = 0; i < static_cast<int>(kAudioRate); ++i) {
      const uint32_t master_before = w.AuxOscSyncPhase.lane(0);
      OscProcess(sw, p, w);
      free_phase += delta;
      if (w.AuxOscSyncPhase.lane(0) < master_before) {
        ++resets;
        // Both generators restart at phase 0 with cleared smoothing states.
        ASSERT_EQ(w.AuxOscPhase.lane(0), 0u);
        ASSERT_EQ(w.AuxOscSyncPhase.lane(0), 0u);
        ASSERT_EQ(w.AuxOscSawz1.lane(0), 0.5f * Sine()[0]);
        ASSERT_EQ(w.AuxOscPulsez1.lane(0), 0.5f * Sine()[1024]);  // PW 0.25: an eighth of a cycle ahead
        free_phase = 0;
      } else {
        ASSERT_EQ(w.AuxOscPhase.lane(0), free_phase);
      }
    }
    // A reset restarts the master at 0, so its period is rounded up to whole samples.
    const double resets_per_second = c.master_hz == 0.0 ? 0.0 : kAudioRate / std::ceil(kAudioRate / c.master_hz);
    EXPECT_NEAR(resets, resets_per_second, 1.0);
  }
}

TEST_F(Oscillator, SyncedOutputRepeatsEveryMasterCycle) {
  p.AuxOscSemitone = QSingle::splat(7.0f);
  p.AuxOscSync = QSingle::splat(1.0f);
  p._AuxOscDCFilter = QSingle::zero();  // no blocker drift between cycles
  NoteOn(60);
  OscCalculate(sw, p, w, QSingle::zero());
  std::vector<std::vector<float>> cycles;
  for (int i = 0; i < 20000; ++i) {
    OscProcess(sw, p, w);
    if (w.AuxOscSyncPhase.lane(0) == 0) cycles.emplace_back();
    if (!cycles.empty()) cycles.back().push_back(w.AuxOscValue.lane(0));
  }
  ASSERT_GE(cycles.size(), 50u);
  for (size_t c = 1; c + 1 < cycles.size(); ++c)
    for (size_t i = 0; i < 300; ++i) ASSERT_EQ(cycles[c][i], cycles[0][i]) << "cycle " << c << " sample " << i;
}

// ---- waveform paths -----------------------------------------------------------------------------

TEST_F(Oscillator, MorphWeightsAndPulseWidthShapeTheSpectrum) {
  struct Case {
    const char* name;
    float morph, sigma1, sigma2, pw;
    std::vector<double> low, high;  // bounds of harmonics 2..5 relative to the fundamental
  };
  const Case cases[] = {
      // No self modulation: a smoothed sine.
      {"sine", 0.0f, 1, 0, 1, {0, 0, 0, 0}, {1e-3, 1e-3, 1e-3, 1e-3}},
      // Self modulation towards a saw, harmonics near 1/k.
      {"saw", 0.8f, 1, 0, 1, {0.4, 0.8 / 3, 0.8 / 4, 0.8 / 5}, {0.53, 1.05 / 3, 1.05 / 4, 1.05 / 5}},
      // Equal and opposite weights half a cycle apart: the even harmonics cancel.
      {"pulse", 0.8f, 1, -1, 1, {0, 0.8 / 3, 0, 0.8 / 5}, {1e-3, 1.05 / 3, 1e-3, 1.05 / 5}},
      // A quarter cycle apart: every fourth harmonic cancels.
      {"quarter pulse", 0.8f, 1, -1, 0.5f, {0.3, 0.2, 0, 0.1}, {1, 1, 1e-3, 1}},
  };
  p.AuxOscFixedFreq = QSingle::splat(441.0f);  // 200 samples per cycle
  OscPatchRecalculate(p);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    p.AuxOscMorph = QSingle::splat(c.morph);
    p.AuxOscSawSigma1 = QSingle::splat(c.sigma1);
    p.AuxOscSawSigma2 = QSingle::splat(c.sigma2);
    p.AuxOscPW = QSingle::splat(c.pw);
    NoteOn(60);
    const std::vector<double> h = HarmonicRatios(Render(44100), 441.0, 150, 5);
    for (int k = 2; k <= 5; ++k) {
      EXPECT_GE(h[k - 1], c.low[k - 2]) << "harmonic " << k;
      EXPECT_LE(h[k - 1], c.high[k - 2]) << "harmonic " << k;
    }
  }
}

TEST_F(Oscillator, MorphZeroLeavesOnlyTheSmoothingCorrection) {
  p.AuxOscMorph = QSingle::zero();
  p._AuxOscDCFilter = QSingle::zero();
  NoteOn(60);
  for (int i = 0; i < 2000; ++i) {
    if (i % kTickPeriod == 0) OscCalculate(sw, p, w, QSingle::zero());
    ASSERT_EQ(w.AuxOscScaling.lane(0), 0.0f);
    OscProcess(sw, p, w);
    // Output = level x (1 - 2n) x (sin + DC correction), up to the two-point smoothing's lag.
    const double phase = w.AuxOscPhase.lane(0) / kTwoPow32;
    const double expected = w.AuxOscNorm.lane(0) * (std::sin(2.0 * M_PI * phase) + w.AuxOscDCAdjust.lane(0));
    ASSERT_NEAR(w.AuxOscValue.lane(0), expected, 0.25 * 0.015) << "sample " << i;
  }
}

TEST_F(Oscillator, SawShapeSetsLeakAndGainCompensation) {
  struct Case {
    float shape, shape_mod;
    float leak, gain;
  };
  const Case cases[] = {
      {0, 0, 0, 1},
      {0.5f, 0, 0.5f, 0.5f},
      {-0.25f, -0.25f, 0.5f, 0.5f},
      {0.995f, 0, 0.995f, 1.0f - 0.99f},
      {1, 0, 1, 1.0f - 0.99f},
      {-3, 0, 1, 1.0f - 0.99f},
  };
  p._AuxOscDCFilter = QSingle::zero();
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "shape " << c.shape << " + " << c.shape_mod);
    p.AuxOscSawShape = QSingle::splat(c.shape);
    w.AuxOscSawShapeMod = QSingle::splat(c.shape_mod);
    p.AuxOscSawSigma1 = QSingle::splat(1.0f);
    NoteOn(60);
    Render(500);
    // With both weights 0 only the integrator's leak acts on its state.
    p.AuxOscSawSigma1 = QSingle::zero();
    w.AuxOscSaw = QSingle::splat(2.0f);
    w.AuxOscDCBlocker = QSingle::zero();
    for (int i = 1; i <= 3; ++i) {
      OscProcess(sw, p, w);
      const float state = 2.0f * std::pow(c.leak, static_cast<float>(i));
      EXPECT_NEAR(w.AuxOscSaw.lane(0), state, 1e-6f);
      EXPECT_NEAR(w.AuxOscValue.lane(0), state * c.gain * w.AuxOscNorm.lane(0), 1e-7f);
    }
  }
}

// ---- note-on phase ------------------------------------------------------------------------------

TEST_F(Oscillator, PhaseNoteOnKeepsOrRestartsByStartPhase) {
  sw.NoiseGenerator = QSingle::of(0.3f, -0.2f, 0.49999997f, -0.5f);
  p.AuxOscStartPhase = QWord::of(0xFFFFFFFFu, 0xFFFFFFFFu, 0u, 0u);
  w.AuxOscPhase = QWord::of(0x12345678u, 0xFFFFFFF0u, 0x55555555u, 0xAAAAAAAAu);
  w.AuxOscSaw = QSingle::splat(1.0f);
  w.AuxOscSyncPhase = QWord::splat(0x40000000u);
  w.AuxOscSawz1 = QSingle::splat(0.5f);
  w.AuxOscPulsez1 = QSingle::splat(-0.5f);
  w.AuxOscDCBlocker = QSingle::splat(0.125f);
  OscPhaseNoteOn(sw, p, w);

  // Kept phases move on by the noise's low 24 bits: less than 1/256 cycle, with wrap-around.
  EXPECT_EQ(w.AuxOscPhase.lane(0), 0x12345678u + (bits_of(0.3f) & 0x00FFFFFFu));
  EXPECT_EQ(w.AuxOscPhase.lane(1), 0xFFFFFFF0u + (bits_of(-0.2f) & 0x00FFFFFFu));
  EXPECT_LT(w.AuxOscPhase.lane(1), 0x01000000u);
  EXPECT_EQ(w.AuxOscPhase.lane(2), 0u);
  EXPECT_EQ(w.AuxOscPhase.lane(3), 0u);
  for (int lane = 0; lane < 4; ++lane) {
    EXPECT_EQ(w.AuxOscSaw.lane(lane), 0.0f);
    EXPECT_EQ(w.AuxOscSyncPhase.lane(lane), 0u);
    EXPECT_EQ(w.AuxOscSawz1.lane(lane), 0.0f);
    EXPECT_EQ(w.AuxOscPulsez1.lane(lane), 0.0f);
    EXPECT_EQ(w.AuxOscDCBlocker.lane(lane), 0.125f);
  }
}

// ---- a rendered second --------------------------------------------------------------------------

// Frequency from the upward zero crossings (interpolated) after the first 0.1 s.
double ZeroCrossingFrequency(const std::vector<float>& x) {
  double first = -1, last = -1;
  int crossings = 0;
  for (size_t n = static_cast<size_t>(0.1 * kAudioRate); n < x.size(); ++n) {
    if (x[n - 1] < 0.0f && x[n] >= 0.0f) {
      const double t = (n - 1) + x[n - 1] / (x[n - 1] - x[n]);
      if (first < 0) first = t;
      last = t;
      ++crossings;
    }
  }
  return crossings < 2 ? 0.0 : (crossings - 1) * kAudioRate / (last - first);
}

TEST_F(Oscillator, RenderedSecondHasTheNotesFundamental) {
  struct Case {
    int note;
    float pitch_mod, fixed_frequency, sigma2;
    double expected_hz;
  };
  const Case cases[] = {
      {33, 0, 0, 0, NoteFrequency[33]},
      {45, 0, 0, 0, NoteFrequency[45]},
      {60, 0, 0, 0, NoteFrequency[60]},
      {69, 0, 0, 0, 440.0},
      {84, 0, 0, 0, NoteFrequency[84]},
      {96, 0, 0, 0, NoteFrequency[96]},
      {69, 1, 0, 0, 880.0},
      {69, -0.5f, 0, 0, 220.0},
      {60, 0, 0, -1, NoteFrequency[60]},
      {40, 0, 1000, 0, 1000.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "note " << c.note << ", modulation " << c.pitch_mod);
    p.AuxOscFixedFreq = QSingle::splat(c.fixed_frequency);
    p.AuxOscSawSigma2 = QSingle::splat(c.sigma2);
    OscPatchRecalculate(p);
    NoteOn(c.note);
    const double measured = ZeroCrossingFrequency(Render(static_cast<int>(kAudioRate), 0, c.pitch_mod));
    EXPECT_NEAR(measured, c.expected_hz, c.expected_hz * 1e-3);
  }
}

// ---- scalar reference ---------------------------------------------------------------------------

// One lane of the oscillator formulas in plain single-precision arithmetic, in the same order.
struct ScalarOscillator {
  const XPatch& p;
  const float* sine;
  int l;  // lane

  static float Pow2(float octaves) {
    const float* table = Pow2Table - 8192;
    float x = (octaves + 11.0f) * float_of(0x443A2E8C);
    x = std::min(std::max(x, 0.0f), 16384.0f);
    const int i = static_cast<int>(x);
    const float f = x - static_cast<float>(i);
    return table[i] - (table[i] - table[i + 1]) * f;
  }

  void PitchNoteOn(XPatchWork& r) const {
    const float inv12 = float_of(0x3DAAAAAB);
    const float note = r.Notes.lanes()[l];
    const float o = (note + p.AuxOscSemitone.lanes()[l] + p.AuxOscDetune.lanes()[l] - p.AuxOscCenter.lanes()[l]) *
                    p.AuxOscTracking.lanes()[l] * inv12;
    const float ratio = Pow2(o);
    r.AuxOscRatio.lanes()[l] = ratio;
    r.AuxOscFrequency.lanes()[l] =
        (p.AuxOscFixedFreq.lanes()[l] == 0.0f ? ratio * p.AuxOscBasePitch.lanes()[l] : 0.0f) +
        p.AuxOscFixedFreq.lanes()[l];
    const float o2 = (note - p.AuxOscCenter.lanes()[l]) * p.AuxOscTracking.lanes()[l] * inv12;
    r.AuxOscPitch.lanes()[l] = Pow2(o2) * p.AuxOscBasePitch.lanes()[l];
  }

  void Calculate(XPatchWork& r, float pm) const {
    const float frequency = r.AuxOscFrequency.lanes()[l];
    const float range = p.AuxOscRange.lanes()[l] == 0.0f ? frequency : p.AuxOscRange.lanes()[l];
    const float f = (r.AuxOscPitchMod.lanes()[l] + pm) * range + frequency;
    r.AuxOscDeltaPhase.lanes()[l] = static_cast<uint32_t>(Cvtt(f * p.AudioPhaseDelta1.lanes()[l]));
    const float n = std::clamp(f * p.AudioDelta1.lanes()[l], -1.0f, 1.0f);  // held within one cycle per sample
    const float sync_ratio = std::max(p.AuxOscSync.lanes()[l] + r.AuxOscSyncMod.lanes()[l], 0.0f);
    const float master = r.AuxOscPitch.lanes()[l] * (1.0f + pm) * p.AudioPhaseDelta1.lanes()[l] * sync_ratio;
    r.AuxOscDeltaSync.lanes()[l] = static_cast<uint32_t>(Cvtt(std::max(master, 0.0f))) >> 1;
    float a = 0.5f - n;
    a = a * a;
    r.AuxOscScaling.lanes()[l] = a * a * a * 54.0f * (p.AuxOscMorph.lanes()[l] + r.AuxOscMorphMod.lanes()[l]);
    r.AuxOscDCAdjust.lanes()[l] = float_of(0x3EC08312) - float_of(0x3F408312) * n;
    r.AuxOscNorm.lanes()[l] = (1.0f - 2.0f * n) * (p.AuxOscLevel.lanes()[l] + r.AuxOscLevelMod.lanes()[l]);
  }

  float Generator(const XPatchWork& r, uint32_t phase, float z, float& smoothed) const {
    const uint32_t modulated = phase + static_cast<uint32_t>(Cvtt(r.AuxOscScaling.lanes()[l] * z * 2147483648.0f));
    const uint32_t i = modulated >> 19;
    const float f = static_cast<float>(modulated & 0x0007FFFFu) * float_of(0x36000000);
    float v = sine[i] - (sine[i] - sine[i + 1]) * f;
    v = (v + z) * 0.5f;
    smoothed = v;
    return v * 2.5f + z * -1.5f + r.AuxOscDCAdjust.lanes()[l];
  }

  void Process(XPatchWork& r) const {
    uint32_t phase = r.AuxOscPhase.lanes()[l] + r.AuxOscDeltaPhase.lanes()[l];
    uint32_t sync = r.AuxOscSyncPhase.lanes()[l] + r.AuxOscDeltaSync.lanes()[l];
    const bool reset = (sync & 0x80000000u) != 0;
    if (reset) phase = sync = 0;
    r.AuxOscPhase.lanes()[l] = phase;
    r.AuxOscSyncPhase.lanes()[l] = sync;
    const uint32_t second =
        phase + static_cast<uint32_t>(Cvtt((p.AuxOscPW.lanes()[l] + r.AuxOscPWMod.lanes()[l]) * 2147483648.0f));
    const float z1 = reset ? 0.0f : r.AuxOscSawz1.lanes()[l];
    const float z2 = reset ? 0.0f : r.AuxOscPulsez1.lanes()[l];
    const float w1 = Generator(r, phase, z1, r.AuxOscSawz1.lanes()[l]);
    const float w2 = Generator(r, second, z2, r.AuxOscPulsez1.lanes()[l]);
    const float h = std::min(std::fabs(p.AuxOscSawShape.lanes()[l] + r.AuxOscSawShapeMod.lanes()[l]), 1.0f);
    const float a = r.AuxOscSaw.lanes()[l] * h + w1 * (p.AuxOscSawSigma1.lanes()[l] + r.AuxOscSawSigma1Mod.lanes()[l]) +
                    w2 * (p.AuxOscSawSigma2.lanes()[l] + r.AuxOscSawSigma2Mod.lanes()[l]);
    r.AuxOscSaw.lanes()[l] = a;
    const float o = a * (1.0f - std::min(h, float_of(0x3F7D70A4))) * r.AuxOscNorm.lanes()[l];
    const float y = o - r.AuxOscDCBlocker.lanes()[l];
    r.AuxOscDCBlocker.lanes()[l] = r.AuxOscDCBlocker.lanes()[l] + y * p._AuxOscDCFilter.lanes()[l];
    r.AuxOscValue.lanes()[l] = y;
  }
};

void ExpectSameOscillatorState(const XPatchWork& actual, const XPatchWork& expected, int step) {
  static constexpr QWord XPatchWork::*kWords[] = {&XPatchWork::AuxOscDeltaPhase, &XPatchWork::AuxOscPhase,
                                                  &XPatchWork::AuxOscDeltaSync, &XPatchWork::AuxOscSyncPhase};
  static constexpr QSingle XPatchWork::*kSingles[] = {
      &XPatchWork::AuxOscFrequency, &XPatchWork::AuxOscPitch, &XPatchWork::AuxOscRatio,   &XPatchWork::AuxOscValue,
      &XPatchWork::AuxOscSaw,       &XPatchWork::AuxOscSawz1, &XPatchWork::AuxOscPulsez1, &XPatchWork::AuxOscDCAdjust,
      &XPatchWork::AuxOscDCBlocker, &XPatchWork::AuxOscNorm,  &XPatchWork::AuxOscScaling};
  for (int lane = 0; lane < 4; ++lane) {
    for (size_t k = 0; k < std::size(kWords); ++k)
      ASSERT_EQ((actual.*kWords[k]).lane(lane), (expected.*kWords[k]).lane(lane))
          << "word field " << k << ", lane " << lane + 1 << ", step " << step;
    for (size_t k = 0; k < std::size(kSingles); ++k)
      ASSERT_EQ(bits_of((actual.*kSingles[k]).lane(lane)), bits_of((expected.*kSingles[k]).lane(lane)))
          << "single field " << k << ", lane " << lane + 1 << ", step " << step;
  }
}

TEST_F(Oscillator, StepByStepEqualsTheScalarFormulas) {
  // Four differently configured oscillators, with modulation, sync, a fixed frequency, a
  // clamped leak and a lane beyond half the audio rate.
  p.AuxOscSemitone = QSingle::of(0.0f, 7.0f, 0.0f, -3.0f);
  p.AuxOscDetune = QSingle::of(0.0f, 0.11f, 0.0f, -0.3f);
  p.AuxOscCenter = QSingle::of(60.0f, 57.0f, 60.0f, 64.5f);
  p.AuxOscTracking = QSingle::of(1.0f, 1.0f, 1.0f, 0.5f);
  p.AuxOscFixedFreq = QSingle::of(0.0f, 0.0f, 1234.5f, 0.0f);
  p.AuxOscRange = QSingle::of(0.0f, 0.0f, 3000.0f, 0.0f);
  p.AuxOscMorph = QSingle::of(0.8f, 0.5f, 1.2f, 0.3f);
  p.AuxOscPW = QSingle::of(1.0f, 0.3f, 0.77f, -0.4f);
  p.AuxOscSync = QSingle::of(0.0f, 1.5f, 0.0f, 1.0f);
  p.AuxOscSawShape = QSingle::of(0.0f, 0.2f, 0.6f, -1.3f);
  p.AuxOscSawSigma1 = QSingle::of(1.0f, 0.7f, 0.9f, 1.0f);
  p.AuxOscSawSigma2 = QSingle::of(0.0f, -0.7f, 0.4f, -0.5f);
  p.AuxOscLevel = QSingle::of(0.25f, 0.5f, 0.3f, 0.7f);
  p._AuxOscDCFilter = QSingle::of(0.00005f, 0.001f, 0.0001f, 0.00002f);
  OscPatchRecalculate(p);
  w.AuxOscPitchMod = QSingle::of(0.0f, 0.05f, -0.2f, 0.0f);
  w.AuxOscLevelMod = QSingle::of(0.0f, 0.1f, 0.0f, -0.2f);
  w.AuxOscMorphMod = QSingle::of(0.1f, 0.0f, 0.0f, 0.2f);
  w.AuxOscPWMod = QSingle::of(0.0f, 0.1f, 0.0f, 0.05f);
  w.AuxOscSyncMod = QSingle::of(0.0f, 0.25f, 0.0f, 0.0f);
  w.AuxOscSawShapeMod = QSingle::of(0.0f, 0.1f, -0.1f, 0.0f);
  w.AuxOscSawSigma1Mod = QSingle::of(0.0f, 0.0f, 0.05f, 0.0f);
  w.AuxOscSawSigma2Mod = QSingle::of(0.0f, 0.0f, 0.0f, -0.1f);
  w.AuxOscPhase = QWord::of(0x01234567u, 0x89ABCDEFu, 0xFEDCBA98u, 0x76543210u);
  w.Notes = QSingle::splat(67.0f);

  XPatchWork ref = w;
  const float* sine = Sine();
  const ScalarOscillator lanes[4] = {{p, sine, 0}, {p, sine, 1}, {p, sine, 2}, {p, sine, 3}};

  OscPitchNoteOn(sw, p, w);
  for (const auto& lane : lanes) lane.PitchNoteOn(ref);
  ASSERT_NO_FATAL_FAILURE(ExpectSameOscillatorState(w, ref, -1));

  // The voice pitch modulation sweeps from -0.3 upwards; lane 3 passes half the audio rate.
  for (int step = 0; step < 800; ++step) {
    if (step % kTickPeriod == 0) {
      const float pm = -0.3f + 0.003f * static_cast<float>(step);
      if (step == 400) {
        w.AuxOscFrequency.set_lane(3, 47000.0f);
        ref.AuxOscFrequency.lanes()[3] = 47000.0f;
      }
      OscCalculate(sw, p, w, QSingle::splat(pm));
      for (const auto& lane : lanes) lane.Calculate(ref, pm);
    }
    OscProcess(sw, p, w);
    for (const auto& lane : lanes) lane.Process(ref);
    ASSERT_NO_FATAL_FAILURE(ExpectSameOscillatorState(w, ref, step));
  }
}

}  // namespace
}  // namespace brelix
