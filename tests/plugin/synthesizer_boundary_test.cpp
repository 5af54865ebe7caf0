// The synthesizer's own answers at the boundary, seen in-process: construction of the engine
// memory, the host rate, and what a render call leaves behind on the host's thread.
#include <gtest/gtest.h>
#include <xmmintrin.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "engine/rates.h"
#include "support/synth_instance.h"
#include "synth/synthesizer.h"

namespace {

using brelix::XSynthesizer;

using brelix::testing::MakeSynth;
using brelix::testing::Synth;

void ExpectAllLanes(const brelix::QSingle& q, float expected) {
  for (int i = 0; i < 4; ++i) EXPECT_EQ(q.lane(i), expected) << "lane " << i + 1;
}

TEST(SynthesizerBoundary, ConstructionBuildsTheEngineMemory) {
  Synth synth = MakeSynth();
  ASSERT_NE(synth->GlobalMemory, nullptr);
  // The constant block is the first record: offset 0 reads 0.0.
  EXPECT_EQ(reinterpret_cast<uint8_t*>(synth->SynthWork), synth->GlobalMemory->GlobalStart);
  ExpectAllLanes(synth->SynthWork->S0, 0.0f);
  ExpectAllLanes(synth->SynthWork->S1, 1.0f);
  ASSERT_NE(synth->Downsampler2, nullptr);
  auto* decimator = reinterpret_cast<uint8_t*>(synth->Downsampler2);
  EXPECT_GT(decimator, synth->GlobalMemory->GlobalStart);
  EXPECT_LT(decimator, synth->GlobalMemory->GlobalEnd);
  EXPECT_NE(synth->Downsampler2->c[0].lane(0), 0.0f);
  EXPECT_EQ(synth->Mute(), 0);
  EXPECT_FALSE(synth->Processing());
  EXPECT_FALSE(synth->Modifying);
  EXPECT_EQ(synth->MidiCount, 0);
}

// Every rate a host may send, the absurd ones included, gives an engine rate from which every
// value can be derived (no float-to-integer overflow, no division by a denormal) and a block of
// finite samples.
TEST(SynthesizerBoundary, SampleRateRetunesTheEngine) {
  struct Case {
    float host_rate;
    float engine_rate;
    int32_t midi_period;
  };
  constexpr float kInf = std::numeric_limits<float>::infinity();
  // 0 means the default rate; so does anything else that is not a positive number. A positive
  // rate outside 8000..384000 is taken as the nearest end.
  const Case cases[] = {{48000.0f, 48000.0f, 144},
                        {44100.0f, 44100.0f, 132},
                        {96000.0f, 96000.0f, 288},
                        {22050.0f, 22050.0f, 66},
                        {8000.0f, 8000.0f, 24},
                        {384000.0f, 384000.0f, 1152},
                        {0.0f, 44100.0f, 132},
                        {-0.0f, 44100.0f, 132},
                        {-1.0f, 44100.0f, 132},
                        {-48000.0f, 44100.0f, 132},
                        {-kInf, 44100.0f, 132},
                        {NAN, 44100.0f, 132},
                        {std::numeric_limits<float>::denorm_min(), 8000.0f, 24},
                        {std::numeric_limits<float>::min(), 8000.0f, 24},
                        {1.0f, 8000.0f, 24},
                        {400000.0f, 384000.0f, 1152},
                        {std::numeric_limits<float>::max(), 384000.0f, 1152},
                        {kInf, 384000.0f, 1152}};
  Synth synth = MakeSynth();
  AEffect* e = synth->Effect();
  std::vector<float> left(256), right(256);
  float* outputs[2] = {left.data(), right.data()};
  const uint8_t note_on[3] = {0x90, 60, 100};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host_rate);
    EXPECT_EQ(e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, c.host_rate), 0);
    if (std::isnan(c.host_rate)) {
      EXPECT_TRUE(std::isnan(synth->GetSampleRate()));
    } else {
      EXPECT_EQ(synth->GetSampleRate(), c.host_rate);  // the stored rate is the host's own
    }
    EXPECT_EQ(brelix::SampleRate.load(), c.engine_rate);
    EXPECT_EQ(brelix::MidiPeriod.load(), c.midi_period);
    ExpectAllLanes(synth->SynthWork->RealDelta1, 1.0f / c.engine_rate);
    ExpectAllLanes(synth->SynthWork->RealSampleRate, c.engine_rate);
    ExpectAllLanes(synth->SynthWork->SampleScale, brelix::RealSampleBase.load() / c.engine_rate);
    synth->Multi->ProcessEvent(note_on);
    e->processReplacing(e, nullptr, outputs, 256);
    for (int i = 0; i < 256; ++i) ASSERT_TRUE(std::isfinite(left[i]) && std::isfinite(right[i])) << i;
  }
}

TEST(SynthesizerBoundary, BlockSizeAndRateCallLeavesTheEngineAlone) {
  Synth synth = MakeSynth();
  AEffect* e = synth->Effect();
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  EXPECT_EQ(e->dispatcher(e, effSetBlockSizeAndSampleRate, 0, 512, nullptr, 96000.0f), 1);
  EXPECT_EQ(synth->GetSampleRate(), 96000.0f);
  EXPECT_EQ(synth->GetBlockSize(), 512);
  EXPECT_EQ(brelix::SampleRate.load(), 48000.0f);
  EXPECT_EQ(brelix::MidiPeriod.load(), 144);
  ExpectAllLanes(synth->SynthWork->RealSampleRate, 48000.0f);
}

TEST(SynthesizerBoundary, RenderWritesTheBlockAndGivesTheHostItsFloatingPointMode) {
  Synth synth = MakeSynth();
  AEffect* e = synth->Effect();
  const unsigned host_mode = _mm_getcsr();
  float left[64], right[64];
  for (int i = 0; i < 64; ++i) left[i] = right[i] = 7.0f;
  float* outputs[2] = {left, right};
  e->processReplacing(e, nullptr, outputs, 64);
  for (int i = 0; i < 64; ++i) {
    EXPECT_LE(std::fabs(left[i]), 1e-6f) << i;
    EXPECT_LE(std::fabs(right[i]), 1e-6f) << i;
  }
  EXPECT_EQ(_mm_getcsr(), host_mode);
  EXPECT_FALSE(synth->Processing());
}

TEST(SynthesizerBoundary, ParameterCallsEndServed) {
  Synth synth = MakeSynth();
  AEffect* e = synth->Effect();
  e->setParameter(e, 0, 0.5f);
  EXPECT_EQ(e->getParameter(e, 0), 0.0f);
  EXPECT_FALSE(synth->Modifying);
}

}  // namespace
