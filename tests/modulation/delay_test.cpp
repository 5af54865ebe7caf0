// The two stereo delays: line lengths, echo timing and gains, clocked times, serial routing, the
// routine selection, and bad input (odd sample rates, tempos and file values) staying inside the
// lines and finite.
#include "modulation/delay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "engine/rates.h"
#include "support/audio_measures.h"
#include "support/engine_fixture.h"

namespace brelix {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
// Each line's arena piece, rounded up to whole 16-byte steps.
constexpr uint32_t kLinePiece = (kDelayLineSize + 3) & ~3u;

// An engine with the delay lines fenced by NaN: a read outside a line's working length turns
// the output into NaN, a write outside it overwrites a fence.
class DelayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_rate_ = SampleRate;
    fence_before_ = engine.memory.AllocFloats(4);
    DelayBuffersAllocate(p_, engine.memory);
    fence_after_ = engine.memory.AllocFloats(4);
    UseRate(44100.0f);
    // The default patch's delay values: Delay #1 dry, both wet levels 0.
    p_.DelayInput = p_.AuxDelayInput = 1.0f;
    p_.DelayDry = 1.0f;
    p_.DelayTimeL = p_.DelayTimeR = p_.AuxDelayTimeL = p_.AuxDelayTimeR = 0.25f;
    p_.DelayStereoWidth = p_.AuxDelayStereoWidth = 1.0f;
    p_.DelayMix = p_.AuxDelayMix = 1.0f;
    p_.FXControlRate = 255;
    p_._FXDCFilter = QSingle::splat(0.0001f);
    p_.FX1Calculate = NoOperation;
    p_.FX1Process = NoOperation;
  }
  void TearDown() override {
    DelayRelease(p_);
    SampleRate = saved_rate_;
  }

  void UseRate(float rate) {
    SampleRate = rate;
    engine.sw->RealSampleRate = QSingle::splat(rate);
  }
  void SetTempoBarsPerSecond(float tempo) { engine.sw->Tempo = QSingle::splat(tempo); }

  // The loader's path: a fresh object with cleared lines, the values, the routine selection.
  void Rebuild() {
    DelayRebuild(p_, true);
    Fence();
  }
  int32_t Length() const { return p_.Delay->DelayWork->BufferSize.lane(0); }

  void Fence() {
    std::fill(fence_before_, fence_before_ + 4, kNaN);
    std::fill(fence_after_, fence_after_ + 4, kNaN);
    for (float* line : p_.DelayBuffer.p) std::fill(line + Length(), line + kLinePiece, kNaN);
  }
  bool FencesIntact() const {
    auto all_nan = [](const float* from, const float* to) {
      for (; from < to; ++from)
        if (!std::isnan(*from)) return false;
      return true;
    };
    bool intact = all_nan(fence_before_, fence_before_ + 4) && all_nan(fence_after_, fence_after_ + 4);
    for (const float* line : p_.DelayBuffer.p) intact = intact && all_nan(line + Length(), line + kLinePiece);
    return intact;
  }

  // The render loop's delay steps for one output sample: the control step every FXControlRate + 1
  // samples, then the audio step.
  QSingle Step(QSingle x) {
    if (p_.FXControlCounter == 0) {
      p_.FX1Calculate(p_.FX1Ptr);
      p_.FXControlCounter = p_.FXControlRate;
    } else {
      --p_.FXControlCounter;
    }
    return p_.FX1Process(p_.FX1Ptr, x);
  }
  // The outputs of `frames` samples whose first input is `at_first_sample`, the rest silence.
  std::vector<QSingle> Impulse(QSingle at_first_sample, int frames) {
    std::vector<QSingle> out;
    out.reserve(frames);
    for (int i = 0; i < frames; ++i) out.push_back(Step(i == 0 ? at_first_sample : QSingle::zero()));
    return out;
  }

  testing::EngineFixture engine;
  XPatch& p_ = *engine.patch;
  float* fence_before_ = nullptr;
  float* fence_after_ = nullptr;
  float saved_rate_ = 44100.0f;
};

using testing::Peak;

const QSingle kLeftImpulse = QSingle::of(1.0f, 0.0f, 1.0f, 0.0f);  // (L, R, L, R) x 0.5, L = 2

TEST_F(DelayTest, LinesComeFromTheArenaAndTheWorkingLengthFollowsTheHostRate) {
  EXPECT_EQ(kDelayLineSize, NextPrime(96000));
  for (int lane = 0; lane < 4; ++lane) {
    const auto* line = reinterpret_cast<const uint8_t*>(p_.DelayBuffer.p[lane]);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(line) % 16, 0u);
    EXPECT_GE(line, engine.memory.GlobalStart);
    EXPECT_LE(line + kDelayLineSize * 4, engine.memory.GlobalEnd);
    if (lane > 0) {
      EXPECT_GE(p_.DelayBuffer.p[lane] - p_.DelayBuffer.p[lane - 1], ptrdiff_t{kDelayLineSize});
    }
  }
  const struct {
    float rate;
    int32_t length;
  } cases[] = {{44100.0f, 44101}, {48000.0f, 48017}, {96000.0f, 96001}, {192000.0f, 96001}, {0.0f, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate);
    UseRate(c.rate);
    std::fill(p_.DelayBuffer.p[2], p_.DelayBuffer.p[2] + kDelayLineSize, 3.0f);
    p_.DelayValue = QSingle::splat(5.0f);
    Rebuild();
    const XDelayWork& w = *p_.Delay->DelayWork;
    for (int lane = 0; lane < 4; ++lane) {
      EXPECT_EQ(w.BufferSize.lane(lane), c.length);
      EXPECT_EQ(w.Buffer.lane(lane), engine.memory.Offset(p_.DelayBuffer.p[lane]));
      EXPECT_EQ(w.DelayPtr.lane(lane), 0);
      EXPECT_EQ(w.MaxDelayTime.lane(lane), 1.0f);
      EXPECT_EQ(p_.DelayValue.lane(lane), 0.0f);
    }
    EXPECT_EQ(p_.DelayBuffer.p[2][c.length - 1], 0.0f);
  }
}

// Delay #1 only (Delay #2 wet and dry 0), the impulse in the left channel. The echo comes back
// whole after exactly t x rate samples, as 0.5 x Wet1 on the left and 0.5 x Wet2 on the right,
// times input and mix; the dry part leaves at once.
TEST_F(DelayTest, AnImpulseReturnsAfterTheDelayWithTheWetGains) {
  const struct {
    const char* name;
    float time, width, wet, dry, mix, input;
    int delay;
  } cases[] = {
      {"wet 1, dry 1, 0.25 s", 0.25f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 11025},
      {"width 0.5, levels", 0.1f, 0.5f, 0.8f, 0.3f, 0.5f, 0.8f, 4410},
      {"width 0 is mono", 0.5f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 22050},
      {"width -1 swaps", 0.25f, -1.0f, 0.6f, 0.0f, 1.0f, 1.0f, 11025},
      {"one second is the longest", 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 44100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    p_.DelayTimeL = p_.DelayTimeR = c.time;
    p_.DelayStereoWidth = c.width;
    p_.DelayWet = c.wet;
    p_.DelayDry = c.dry;
    p_.DelayMix = c.mix;
    p_.DelayInput = c.input;
    Rebuild();
    ASSERT_EQ(Length(), 44101);
    const auto out = Impulse(kLeftImpulse, c.delay + 2);

    const float wet1 = (c.width * 0.5f + 0.5f) * c.wet;
    const float wet2 = (1.0f - c.width) * 0.5f * c.wet;
    EXPECT_FLOAT_EQ(out[0].lane(0), c.input * c.dry * c.mix);
    EXPECT_EQ(Peak(out, 0, 1, c.delay), 0.0f);
    EXPECT_EQ(Peak(out, 1, 0, c.delay), 0.0f);
    EXPECT_FLOAT_EQ(out[c.delay].lane(0), 0.5f * (wet1 * c.input) * c.mix);
    EXPECT_FLOAT_EQ(out[c.delay].lane(1), 0.5f * (wet2 * c.input) * c.mix);
    EXPECT_LT(Peak(out, 0, c.delay + 1, out.size()), 1e-3f);  // only the DC blocker's tail
    EXPECT_EQ(Peak(out, 2, 0, out.size()), 0.0f);
    EXPECT_EQ(Peak(out, 3, 0, out.size()), 0.0f);
    EXPECT_TRUE(FencesIntact());
  }
}

// Clocked times are bars over the tempo in bars per second, limited to one second; a tempo of 0
// (never handed over by the render loop) also ends at one second.
TEST_F(DelayTest, ClockedTimesFollowTheTempoUpToOneSecond) {
  const struct {
    const char* name;
    float bars, tempo;
    int delay;
  } cases[] = {
      {"0.25 bar at 120 bpm", 0.25f, 120.0f * 0.0041666669f, 22050},
      {"1 bar at 60 bpm is 4 s, limited", 1.0f, 60.0f * 0.0041666669f, 44100},
      {"tempo 0", 0.25f, 0.0f, 44100},
      {"negative tempo", 0.25f, -0.5f, 22050},
  };
  p_.DelayWet = 1.0f;
  p_.DelayDry = 0.0f;
  p_.DelayClocked = QWord::of(~0u, ~0u, 0, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    p_.DelayTimeL = p_.DelayTimeR = c.bars;
    SetTempoBarsPerSecond(c.tempo);
    Rebuild();
    const auto out = Impulse(kLeftImpulse, c.delay + 2);
    EXPECT_EQ(Peak(out, 0, 0, c.delay), 0.0f);
    EXPECT_FLOAT_EQ(out[c.delay].lane(0), 0.5f);
    EXPECT_TRUE(FencesIntact());
  }
}

// "Serial": Delay #2's input gets Delay #1's output of the previous sample (before Delay #1's
// mix), through its dry path at once and through its line as an echo; Delay #1 never hears
// Delay #2.
TEST_F(DelayTest, SerialRoutingFeedsDelayOneIntoDelayTwo) {
  p_.DelayWet = 1.0f;
  p_.DelayDry = 0.0f;
  p_.DelayMix = 0.5f;
  p_.AuxDelayWet = 1.0f;
  p_.AuxDelayDry = 1.0f;
  p_.AuxDelayInput = 1.0f;
  p_._FXDCFilter = QSingle::zero();  // no DC blocker tails: every value below is exact
  const int n = 11025;
  struct Sample {
    int frame, lane;
    float value;
    const char* what;
  };
  const struct {
    float routing;
    std::vector<Sample> samples;
  } cases[] = {
      {1.0f,
       {{n, 0, 0.5f * 0.5f, "Delay #1's echo, after its mix"},
        {0, 2, 1.0f, "Delay #2's own dry input"},
        {n + 1, 2, 0.5f, "Delay #1's output, one sample later, dry"},
        {n + 1, 3, 0.0f, "width 1: nothing crosses to the right"},
        {2 * n + 1, 2, 0.25f, "and its echo through Delay #2's line"}}},
      {0.0f,
       {{n, 0, 0.25f, "Delay #1's echo"},
        {n + 1, 2, 0.0f, "nothing of it in Delay #2"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.routing);
    p_.DelayRouting = c.routing;
    Rebuild();
    const auto out = Impulse(kLeftImpulse, 2 * n + 3);
    EXPECT_EQ(Peak(out, 0, 1, n), 0.0f);  // Delay #1 never hears Delay #2
    for (const Sample& s : c.samples) EXPECT_FLOAT_EQ(out[s.frame].lane(s.lane), s.value) << s.what;
  }
}

// A straightforward reading of the delay in double precision: each lane remembers everything
// written into its line; a is the value written n samples ago, b n + 1 samples ago.
class ReferenceDelay {
 public:
  ReferenceDelay(int length, double rate) : length_(length), rate_(rate) {}

  void Load(const XPatch& p, float tempo) {
    auto clamp01 = [](float x) { return std::min(std::max(double{x}, 0.0), 1.0); };
    // Per lane: Delay #1 left and right, Delay #2 left and right.
    const float time[4] = {p.DelayTimeL, p.DelayTimeR, p.AuxDelayTimeL, p.AuxDelayTimeR};
    const float feedback[4] = {p.DelayFeedbackL, p.DelayFeedbackR, p.AuxDelayFeedbackL, p.AuxDelayFeedbackR};
    // Per delay.
    const float damp[2] = {p.DelayDamp, p.AuxDelayDamp};
    const float wet[2] = {p.DelayWet, p.AuxDelayWet};
    const float width[2] = {p.DelayStereoWidth, p.AuxDelayStereoWidth};
    const float dry[2] = {p.DelayDry, p.AuxDelayDry};
    const float input[2] = {p.DelayInput, p.AuxDelayInput};
    const float routing[2] = {0.0f, p.DelayRouting};  // only Delay #2 is fed by the other
    const float mix[2] = {p.DelayMix, p.AuxDelayMix};
    for (int lane = 0; lane < 4; ++lane) {
      const int delay = lane / 2;
      float t = p.DelayClocked.lane(lane) != 0 ? time[lane] / tempo : time[lane];
      t = std::min(std::fabs(t), 1.0f);
      // The position is formed in single precision, as the engine forms it.
      const float position = std::min(std::max(t * static_cast<float>(rate_), 1.0f), float(length_ - 1));
      n_[lane] = static_cast<int>(position);
      coefficient_[lane] = 1.0 - (double{position} - n_[lane]);
      feedback_[lane] = clamp01(feedback[lane]);
      damp_[lane] = clamp01(damp[delay]);
      wet1_[lane] = (0.5 + 0.5 * width[delay]) * wet[delay];
      wet2_[lane] = 0.5 * (1.0 - width[delay]) * wet[delay];
      dry_[lane] = dry[delay];
      input_[lane] = input[delay];
      routing_[lane] = routing[delay];
      mix_[lane] = mix[delay];
      dc_coefficient_[lane] = p._FXDCFilter.lane(lane);
    }
  }

  std::array<double, 4> Step(const double x[4]) {
    double s[4], d[4];
    for (int lane = 0; lane < 4; ++lane) {
      s[lane] = x[lane] * input_[lane] + previous_[lane ^ 2] * routing_[lane];
      const std::vector<double>& h = written_[lane];
      const auto k = static_cast<long>(h.size());
      const double a = k - n_[lane] >= 0 ? h[k - n_[lane]] : 0.0;
      const double b = k - n_[lane] - 1 >= 0 ? h[k - n_[lane] - 1] : 0.0;
      const double y = b + (a - z1_[lane]) * coefficient_[lane];
      z1_[lane] = y;
      filter_[lane] = damp_[lane] * filter_[lane] + (1.0 - damp_[lane]) * y;
      written_[lane].push_back(filter_[lane] * feedback_[lane] + s[lane]);
      d[lane] = y - dc_[lane];
      dc_[lane] += d[lane] * dc_coefficient_[lane];
    }
    std::array<double, 4> out;
    for (int lane = 0; lane < 4; ++lane) {
      const int other = lane ^ 1;  // the other channel of the same delay
      previous_[lane] = 0.5 * (d[lane] * wet1_[lane] + d[other] * wet2_[other]) + s[lane] * dry_[lane];
      out[lane] = previous_[lane] * mix_[lane];
    }
    return out;
  }

 private:
  int length_;
  double rate_;
  int n_[4] = {};
  double coefficient_[4] = {}, feedback_[4] = {}, damp_[4] = {}, wet1_[4] = {}, wet2_[4] = {};
  double dry_[4] = {}, input_[4] = {}, routing_[4] = {}, mix_[4] = {}, dc_coefficient_[4] = {};
  double z1_[4] = {}, filter_[4] = {}, dc_[4] = {}, previous_[4] = {};
  std::vector<double> written_[4];
};

// Fractional times, feedback, damping, widths, serial routing, a clocked lane and a fast DC
// blocker on noise, with edits arriving through Update and through the control step, against the
// double-precision reading above.
TEST_F(DelayTest, FollowsTheFormulasOnNoise) {
  p_.DelayWet = 0.8f;
  p_.AuxDelayWet = 0.7f;
  p_.DelayDry = 0.9f;
  p_.AuxDelayDry = 0.4f;
  p_.DelayInput = 1.0f;
  p_.AuxDelayInput = 0.8f;
  p_.DelayTimeL = 0.00731f;
  p_.DelayTimeR = 0.0113f;
  p_.AuxDelayTimeL = 0.0052f;  // bars, clocked
  p_.AuxDelayTimeR = 0.00417f;
  p_.DelayClocked = QWord::of(0, 0, ~0u, 0);
  p_.DelayFeedbackL = 0.7f;
  p_.DelayFeedbackR = 0.5f;
  p_.AuxDelayFeedbackL = 0.9f;
  p_.AuxDelayFeedbackR = 0.3f;
  p_.DelayDamp = 0.3f;
  p_.AuxDelayDamp = 0.6f;
  p_.DelayStereoWidth = 0.6f;
  p_.AuxDelayStereoWidth = -0.4f;
  p_.DelayMix = 0.9f;
  p_.AuxDelayMix = 1.1f;
  p_.DelayRouting = 1.0f;
  p_._FXDCFilter = QSingle::splat(0.01f);
  const float tempo = 0.5f;
  SetTempoBarsPerSecond(tempo);
  Rebuild();

  ReferenceDelay reference(Length(), 44100.0);
  reference.Load(p_, tempo);
  std::mt19937 random(7);
  std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
  double worst = 0.0;
  for (int i = 0; i < 8000; ++i) {
    if (i == 2500) {  // an edit with Update: in force at once
      p_.DelayTimeL = 0.00377f;
      p_.DelayFeedbackR = 0.85f;
      p_.Delay->Update();
      reference.Load(p_, tempo);
    }
    if (i == 5000) p_.AuxDelayTimeR = 0.0161f;  // a host parameter: in force at the control step
    if (p_.FXControlCounter == 0) reference.Load(p_, tempo);
    const float left = noise(random), right = noise(random);
    const QSingle got = Step(QSingle::of(left, right, left, right) * QSingle::splat(0.5f));
    const double x[4] = {left * 0.5, right * 0.5, left * 0.5, right * 0.5};
    const auto want = reference.Step(x);
    for (int lane = 0; lane < 4; ++lane) worst = std::max(worst, std::fabs(got.lane(lane) - want[lane]));
  }
  EXPECT_LT(worst, 1e-5);
  EXPECT_TRUE(FencesIntact());
}

// A time of 0 stays inside the line as a delay of one sample: the read comes before the write,
// and pairing the oldest entry with the newest would leave the interpolator ringing at half the
// sample rate after a single click.
TEST_F(DelayTest, ATimeOfZeroIsOneSampleInsideTheLine) {
  p_.DelayWet = 1.0f;
  p_.DelayDry = 0.0f;
  p_.AuxDelayWet = 1.0f;
  p_.DelayTimeL = p_.DelayTimeR = p_.AuxDelayTimeL = p_.AuxDelayTimeR = 0.0f;
  p_.DelayClocked = QWord::of(0, 0, ~0u, ~0u);  // 0 bars as well
  SetTempoBarsPerSecond(0.5f);
  Rebuild();
  const auto out = Impulse(QSingle::of(1.0f, 0.0f, 1.0f, 0.0f), Length() + 10);
  for (int lane : {0, 2}) {
    EXPECT_EQ(out[0].lane(lane), 0.0f);
    EXPECT_FLOAT_EQ(out[1].lane(lane), 0.5f);
    EXPECT_LT(Peak(out, lane, 2, out.size()), 1e-3f);  // no ringing, no second echo a line later
  }
  EXPECT_EQ(p_.Delay->DelayWork->IntOffset.lane(0), 1);
  EXPECT_TRUE(FencesIntact());
}

// Above 96 kHz the line is 96001 long while times reach one second (192000 samples): the read
// stops at the longest delay the line holds.
TEST_F(DelayTest, HostRatesAbove96kHzStayInsideTheLine) {
  UseRate(192000.0f);
  p_.DelayWet = 1.0f;
  p_.DelayDry = 0.0f;
  p_.AuxDelayWet = 1.0f;
  p_.DelayTimeL = 1.0f;       // 192000 samples
  p_.DelayTimeR = 0.7f;       // 134400
  p_.AuxDelayTimeL = 0.25f;   // 48000, inside
  p_.AuxDelayTimeR = 0.4999f; // 95980.8, fractional, inside
  p_.DelayFeedbackL = p_.AuxDelayFeedbackR = 0.9f;
  Rebuild();
  ASSERT_EQ(Length(), 96001);
  const auto out = Impulse(QSingle::splat(1.0f), 2 * 96000 + 5);
  for (int lane = 0; lane < 4; ++lane) EXPECT_TRUE(std::isfinite(Peak(out, lane, 0, out.size())));
  EXPECT_FLOAT_EQ(out[96000].lane(0), 0.5f);  // the longest delay: N - 1 samples
  EXPECT_EQ(Peak(out, 0, 1, 96000), 0.0f);
  EXPECT_FLOAT_EQ(out[96000].lane(1), 0.5f);
  EXPECT_FLOAT_EQ(out[48000].lane(2), 0.5f);
  EXPECT_EQ(Peak(out, 2, 0, 48000), 0.0f);
  EXPECT_TRUE(FencesIntact());
}

TEST_F(DelayTest, SelectionRunsTheDelayWhenEitherWetLevelIsNonZero) {
  const QSingle x = QSingle::of(0.25f, -0.5f, 0.25f, -0.5f);

  Rebuild();  // default levels: both wet levels 0
  EXPECT_EQ(p_.FX1Ptr, nullptr);
  EXPECT_EQ(p_.FX1Calculate, static_cast<FXCalculateRoutine>(NoOperation));
  EXPECT_EQ(p_.FX1Process, static_cast<FXProcessRoutine>(NoOperation));
  QSingle y = Step(x);
  for (int lane = 0; lane < 4; ++lane) EXPECT_EQ(y.lane(lane), x.lane(lane));

  p_.AuxDelayWet = 0.0001f;  // a wet-level edit
  p_.Delay->Update();
  DelaySelect(p_);
  EXPECT_EQ(p_.FX1Ptr, p_.Delay);
  y = Step(x);
  EXPECT_EQ(y.lane(0), x.lane(0));  // Delay #1 dry 1
  EXPECT_EQ(y.lane(2), 0.0f);       // Delay #2 dry 0: the delay runs

  XDelay* kept = p_.Delay;
  p_.AuxDelayWet = 0.0f;
  DelayRebuild(p_, false);  // keeps the object
  EXPECT_EQ(p_.Delay, kept);
  EXPECT_EQ(p_.FX1Ptr, nullptr);

  // Without a delay object there is nothing to run.
  DelayRelease(p_);
  p_.DelayWet = 1.0f;
  DelaySelect(p_);
  EXPECT_EQ(p_.FX1Process, static_cast<FXProcessRoutine>(NoOperation));
}

// Values a file may carry that would run the loop away within one control period, with a time
// of about one sample: the work record never sees them outside [0, 1].
TEST_F(DelayTest, FeedbackAndDampingFromAFileAreClampedBeforeTheyRun) {
  const struct {
    const char* name;
    float feedback, damp, feedback_in_force, damp_in_force;
  } cases[] = {
      {"feedback 1.5", 1.5f, 0.0f, 1.0f, 0.0f},
      {"feedback 1e30", 1e30f, 0.0f, 1.0f, 0.0f},
      {"feedback NaN", kNaN, 0.0f, 0.0f, 0.0f},
      {"damping 2", 1.0f, 2.0f, 1.0f, 1.0f},
      {"damping -1", 1.0f, -1.0f, 1.0f, 0.0f},
  };
  p_.DelayWet = 1.0f;
  p_.DelayDry = 0.0f;
  p_.DelayTimeL = p_.DelayTimeR = 1.3f / 44100.0f;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    p_.DelayFeedbackL = p_.DelayFeedbackR = c.feedback;
    p_.DelayDamp = c.damp;
    Rebuild();
    const XDelayWork& w = *p_.Delay->DelayWork;
    EXPECT_EQ(w.Feedback.lane(0), c.feedback_in_force);
    EXPECT_EQ(w.Damp.lane(1), c.damp_in_force);
    const auto out = Impulse(QSingle::of(1.0f, 1.0f, 0.0f, 0.0f), 4096);
    EXPECT_LT(Peak(out, 0, 0, out.size()), 4.0f);
    EXPECT_LT(Peak(out, 1, 0, out.size()), 4.0f);
  }
}

}  // namespace
}  // namespace brelix
