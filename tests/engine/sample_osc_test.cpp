// Sample oscillator playback against a scalar evaluation of its steps, and the cases where a
// position could leave the sample.
#include "engine/sample_osc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "engine/engine_tables.h"
#include "engine/rates.h"
#include "patch/patch_derived.h"
#include "engine/sample_memory.h"
#include "support/engine_fixture.h"

namespace {

using brelix::QDouble;
using brelix::QSingle;
using brelix::QWord;

// One lane's sample in its own exactly sized block (guards included), so that a read outside it
// is caught by the address sanitizer.
class LaneSample {
 public:
  explicit LaneSample(const std::vector<float>& frames) : n_(static_cast<int64_t>(frames.size())) {
    memory_ = brelix::SampleMemoryAllocate(frames.size() + 5);
    float* p = memory_ + 2;
    for (int64_t i = 0; i < n_; ++i) p[i] = frames[i];
    const auto at = [&](int64_t i) { return p[((i % n_) + n_) % n_]; };
    p[-2] = at(n_ - 2);
    p[-1] = at(n_ - 1);
    for (int k = 0; k < 3; ++k) p[n_ + k] = at(k);
  }
  ~LaneSample() { brelix::SampleMemoryRelease(memory_); }
  LaneSample(const LaneSample&) = delete;
  LaneSample& operator=(const LaneSample&) = delete;
  const float* frames() const { return memory_ + 2; }
  int64_t size() const { return n_; }

 private:
  int64_t n_;
  float* memory_ = nullptr;
};

class SampleOscTest : public ::testing::Test {
 protected:
  void SetUp() override {
    brelix::SampleRate = 44100.0f;
    p().Oversample = 1;
    p().Upsample = 8;
    for (int l = 0; l < 4; ++l) p().SampleOscPtr.p[l] = brelix::SilentSample();
    p().SampleOscLevel = QSingle::splat(1.0f);
    brelix::PatchSampleRate(p());
  }
  brelix::XPatch& p() { return *engine.patch; }
  brelix::XPatchWork& w() { return *engine.work; }

  void Attach(int lane, const LaneSample& s, bool loop) {
    const int l = lane - 1;
    p().SampleOscPtr.p[l] = s.frames();
    p().SampleOscSize.set_lane(l, static_cast<double>(s.size()));
    p().SampleOscLoop.set_lane(l, loop ? 0xFFFFFFFFu : 0u);
    brelix::SampleRateUpdate(p(), lane);
  }
  void Process() { brelix::SampleOscProcess(*engine.sw, p(), w()); }

  brelix::testing::EngineFixture engine;
};

// The steps of one lane in scalar code, in the same order of single-precision operations.
struct ScalarLane {
  double phase = 0.0;
  float b1[4] = {}, b2[4] = {}, b3[4] = {}, b4[4] = {};

  float Process(const brelix::XPatch& p, const brelix::XPatchWork& w, int l) {
    const float* frames = p.SampleOscPtr.p[l];
    const double size = p.SampleOscSize.lane(l), loop = p._SampleOscLoop.lane(l);
    const float c0 = p.ButterCoef0.lane(l), c1 = p.ButterCoef1.lane(l), c2 = p.ButterCoef2.lane(l),
                c3 = p.ButterCoef3.lane(l), gain = p.ButterGain.lane(l);
    float v = 0.0f;
    for (uint32_t step = 0; step < p.Upsample; ++step) {
      const int i = static_cast<int>(phase);
      const float r = static_cast<float>(phase - i);
      v = frames[i] - (frames[i] - frames[i + 1]) * r;
      phase += w.SampleOscDeltaPhase.lane(l);
      if (phase >= size) phase -= loop;
      phase = std::min(phase, size);
      for (int j = static_cast<int>(p.SampleFilter); j >= 0; --j) {
        v = v * gain;
        const float a = v - c0 * b1[j] - c1 * b2[j];
        const float y = a + 2.0f * b1[j] + b2[j];
        b2[j] = b1[j];
        b1[j] = a;
        const float b = y - c2 * b3[j] - c3 * b4[j];
        v = b + 2.0f * b3[j] + b4[j];
        b4[j] = b3[j];
        b3[j] = b;
      }
    }
    return v * (p.SampleOscLevel.lane(l) + w.SampleOscLevelMod.lane(l));
  }
};

TEST_F(SampleOscTest, MatchesAScalarEvaluationOfItsSteps) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  std::vector<float> a(37), b(50), c(1);
  for (float& x : a) x = value(random);
  for (float& x : b) x = value(random);
  c[0] = 0.75f;
  LaneSample looping(a), one_shot(b), single(c);

  struct Config {
    uint32_t upsample, sections;
  };
  for (const Config config : {Config{3, 3}, Config{1, 0}, Config{8, 1}}) {
    SCOPED_TRACE(::testing::Message() << "Upsample " << config.upsample << " SampleFilter " << config.sections);
    p().Upsample = config.upsample;
    p().SampleFilter = config.sections;
    brelix::PatchSampleRate(p());
    Attach(1, looping, true);
    Attach(2, one_shot, false);
    Attach(3, single, true);  // lane 4 stays without a sample
    p().SampleOscLevel = QSingle::of(0.5f, 1.0f, 0.25f, 1.0f);
    w().SampleOscLevelMod = QSingle::of(0.25f, 0.0f, -0.125f, 0.5f);
    brelix::SampleNoteOn(*engine.sw, p(), w());
    w().SampleOscDeltaPhase.lo = _mm_setr_pd(0.37, 1.9);
    w().SampleOscDeltaPhase.hi = _mm_setr_pd(0.05, 0.7);

    ScalarLane lanes[4];
    for (int n = 0; n < 300; ++n) {
      Process();
      for (int l = 0; l < 4; ++l) {
        const float expected = lanes[l].Process(p(), w(), l);
        ASSERT_EQ(w().SampleOscValue.lane(l), expected) << "sample " << n << " lane " << l + 1;
        ASSERT_EQ(w().SampleOscPhase.lane(l), lanes[l].phase) << "sample " << n << " lane " << l + 1;
      }
    }
    EXPECT_EQ(w().SampleOscValue.lane(3), 0.0f);  // a lane without a sample reads the silent pair
    EXPECT_EQ(w().SampleOscPhase.lane(1), 50.0);  // the one-shot lane has stopped at its end
  }
}

TEST_F(SampleOscTest, AFinishedOneShotHoldsItsFirstFrame) {
  LaneSample s({0.5f, -0.25f, 0.125f, 1.0f});
  Attach(1, s, false);
  brelix::SampleNoteOn(*engine.sw, p(), w());
  w().SampleOscDeltaPhase = QDouble::splat(0.5);
  for (int n = 0; n < 4000; ++n) Process();
  EXPECT_EQ(w().SampleOscPhase.lane(0), 4.0);
  // The low-pass passes a constant unchanged: the output settles at frame 0.
  EXPECT_NEAR(w().SampleOscValue.lane(0), 0.5f, 1e-5);
}

TEST_F(SampleOscTest, QuadSectionsPassAConstantWithUnitGain) {
  LaneSample ones(std::vector<float>(16, 1.0f));
  p().SampleFilter = 3;
  Attach(1, ones, true);
  brelix::SampleNoteOn(*engine.sw, p(), w());
  w().SampleOscDeltaPhase = QDouble::splat(0.3);
  for (int n = 0; n < 2000; ++n) Process();
  EXPECT_NEAR(w().SampleOscValue.lane(0), 1.0f, 1e-4);
}

TEST_F(SampleOscTest, AtItsBasePitchALoopStepsOneFramePerSampleWhenRatesAgree) {
  p().Oversample = 0;
  p().Upsample = 1;
  p().AuxOscBasePitch = QSingle::splat(brelix::NoteFrequency[60]);
  p().SampleOscRate = QSingle::splat(44100.0f);
  p().AuxOscFixedRange = QWord::ones();
  brelix::PatchSampleRate(p());
  LaneSample s(std::vector<float>(10, 0.0f));
  Attach(1, s, true);
  w().AuxOscFrequency = p().AuxOscBasePitch;
  w().AuxOscPitchMod = QSingle::zero();
  brelix::SampleOscCalculate(*engine.sw, p(), w(), QSingle::zero());
  EXPECT_NEAR(w().SampleOscDeltaPhase.lane(0), 1.0, 1e-15);
  brelix::SampleNoteOn(*engine.sw, p(), w());
  for (int n = 1; n <= 25; ++n) {
    Process();
    EXPECT_NEAR(w().SampleOscPhase.lane(0), n % 10, 1e-12) << n;
  }
}

TEST_F(SampleOscTest, TheStepFollowsTheOscillatorsModulatedFrequency) {
  p().SampleDelta1.lo = _mm_setr_pd(1e-3, 2e-3);
  p().SampleDelta1.hi = _mm_setr_pd(0.5, 3.0);
  p().AuxOscRange = QSingle::of(0.0f, 100.0f, 0.0f, 7.0f);
  p().AuxOscFixedRange = p().AuxOscRange == QSingle::zero();
  w().AuxOscFrequency = QSingle::of(440.0f, 220.0f, 55.5f, 1000.0f);
  w().AuxOscPitchMod = QSingle::of(0.5f, -0.25f, -3.0f, 0.0f);
  const float pm = 0.125f;
  brelix::SampleOscCalculate(*engine.sw, p(), w(), QSingle::splat(pm));
  for (int l = 0; l < 4; ++l) {
    const float range = p().AuxOscRange.lane(l) == 0.0f ? w().AuxOscFrequency.lane(l) : p().AuxOscRange.lane(l);
    const float f = (w().AuxOscPitchMod.lane(l) + pm) * range + w().AuxOscFrequency.lane(l);
    EXPECT_EQ(w().SampleOscDeltaPhase.lane(l), static_cast<double>(f) * p().SampleDelta1.lane(l)) << l;
  }
}

TEST_F(SampleOscTest, PositionsNeverLeaveTheSample) {
  LaneSample loop({0.1f, 0.2f, 0.3f, 0.4f, 0.5f}), once({0.1f, 0.2f, 0.3f}), shorter({0.9f, 0.8f});
  Attach(1, loop, true);
  Attach(2, once, false);
  Attach(3, shorter, true);
  Attach(4, loop, false);
  brelix::SampleNoteOn(*engine.sw, p(), w());
  // A negative frequency plays backwards: the loop wraps forward at its start, the one-shot stops
  // there. Lane 3 was left far beyond the end of its (new, shorter) sample; lane 4 steps by more
  // than the whole sample.
  w().SampleOscPhase.lo = _mm_setr_pd(0.0, 0.0);
  w().SampleOscPhase.hi = _mm_setr_pd(1000.0, 0.0);
  w().SampleOscDeltaPhase.lo = _mm_setr_pd(-0.7, -0.3);
  w().SampleOscDeltaPhase.hi = _mm_setr_pd(0.1, 1e9);
  for (int n = 0; n < 200; ++n) {
    Process();
    for (int l = 0; l < 4; ++l) {
      const double phase = w().SampleOscPhase.lane(l);
      ASSERT_GE(phase, 0.0) << l;
      ASSERT_LE(phase, p().SampleOscSize.lane(l)) << l;
    }
  }
  EXPECT_GT(w().SampleOscPhase.lane(0), 0.0);  // still looping
  EXPECT_EQ(w().SampleOscPhase.lane(1), 0.0);
  EXPECT_EQ(w().SampleOscPhase.lane(3), 5.0);
  EXPECT_TRUE(std::isfinite(w().SampleOscValue.lane(2)));
}

TEST_F(SampleOscTest, ResettingAVoiceLaneClearsOnlyThatLane) {
  w().SampleOscPhase = QDouble::splat(3.0);
  w().SampleOscDeltaPhase = QDouble::splat(0.5);
  w().SampleOscValue = QSingle::splat(0.25f);
  brelix::SampleVoiceLaneReset(w(), 2);
  for (int l = 0; l < 4; ++l) {
    const bool cleared = l == 1;
    EXPECT_EQ(w().SampleOscPhase.lane(l), cleared ? 0.0 : 3.0);
    EXPECT_EQ(w().SampleOscDeltaPhase.lane(l), cleared ? 0.0 : 0.5);
    EXPECT_EQ(w().SampleOscValue.lane(l), cleared ? 0.0f : 0.25f);
  }
}

}  // namespace
