// The engine memory arena, the constant block and the small numeric helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "engine/engine_tables.h"
#include "engine/global_memory.h"
#include "engine/rates.h"
#include "engine/synth_work.h"

namespace brelix {
namespace {

TEST(GlobalMemory, AllocRoundsToSixteenAndStartsAtTheBase) {
  XGlobalMemory memory(1);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(memory.GlobalStart) % 16, 0u);
  EXPECT_EQ(memory.GlobalSize, 1048576);
  EXPECT_EQ(memory.GlobalEnd - memory.GlobalStart, 1048576);
  uint8_t* first = static_cast<uint8_t*>(memory.Alloc(0));
  EXPECT_EQ(first, memory.GlobalStart);
  EXPECT_EQ(memory.GlobalPtr, memory.GlobalStart);  // Alloc(0) advances nothing
  memory.Alloc(1);
  EXPECT_EQ(memory.GlobalPtr - memory.GlobalStart, 16);
  EXPECT_EQ(memory.Offset(memory.GlobalStart), 0u);
  EXPECT_EQ(memory.Offset(memory.GlobalPtr), 16u);
}

TEST(GlobalMemory, IsZeroFilled) {
  XGlobalMemory memory(1);
  for (uint8_t* p = memory.GlobalStart; p < memory.GlobalEnd; p += 4093) ASSERT_EQ(*p, 0);
}

TEST(GlobalMemory, AnAllocEndingExactlyAtTheEndFails) {
  XGlobalMemory memory(1);
  memory.Alloc(1048576 - 32);
  try {
    memory.Alloc(32);
    FAIL() << "expected the arena to be exhausted";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Out of global memory!");
  }
  EXPECT_THROW(memory.Alloc(1), std::runtime_error);  // the pointer stays advanced
  XGlobalMemory other(1);
  other.Alloc(1048576 - 32);
  EXPECT_NO_THROW(other.Alloc(16));  // ends 16 bytes before the end
  EXPECT_THROW(other.Alloc(SIZE_MAX - 8), std::runtime_error);  // no wrap-around
}

TEST(SynthWork, ConstantsAreBitExact) {
  XGlobalMemory memory(1);
  auto* sw = memory.AllocRecord<XSynthWork>();
  ASSERT_EQ(static_cast<void*>(sw), memory.GlobalStart);
  SynthWorkFill(*sw);
  struct Case {
    const char* name;
    QSingle value;
    uint32_t bits;
  };
  // Bit patterns, so that a literal that rounds to a neighbouring single fails.
  const Case cases[] = {
      {"S0", sw->S0, 0x00000000},
      {"S1", sw->S1, 0x3F800000},
      {"S0_5", sw->S0_5, 0x3F000000},
      {"S_1", sw->S_1, 0xBF800000},
      {"S1_5", sw->S1_5, 0x3FC00000},
      {"S_1_5", sw->S_1_5, 0xBFC00000},
      {"S2", sw->S2, 0x40000000},
      {"S2_5", sw->S2_5, 0x40200000},
      {"F40_9", sw->F40_9, 0x408E38E4},
      {"InvTablePhaseMask", sw->InvTablePhaseMask, 0x36000000},
      {"TwoPow31", sw->TwoPow31, 0x4F000000},
      {"TableSize", sw->TableSize, 0x46000000},
      {"RealDelta1", sw->RealDelta1, 0x3F800000},
      {"Minormal", sw->Minormal, 0x3456BF95},
      {"S11", sw->S11, 0x41300000},
      {"SInv12", sw->SInv12, 0x3DAAAAAB},
      {"Pow2Size", sw->Pow2Size, 0x443A2E8C},
      {"TuneSize", sw->TuneSize, 0x44800000},
      {"S0_99", sw->S0_99, 0x3F7D70A4},
      {"S0_376", sw->S0_376, 0x3EC08312},
      {"S0_752", sw->S0_752, 0x3F408312},
      {"S54", sw->S54, 0x42580000},
  };
  for (const Case& c : cases)
    for (int lane = 0; lane < 4; ++lane) EXPECT_EQ(bits_of(c.value.lane(lane)), c.bits) << c.name << " lane " << lane;
  const struct {
    const char* name;
    QWord value;
    uint32_t word;
  } words[] = {{"I80000000", sw->I80000000, 0x80000000}, {"I4x16", sw->I4x16, 64},
               {"TablePhaseMask", sw->TablePhaseMask, 0x0007FFFF}, {"PhaseDrift", sw->PhaseDrift, 0x00FFFFFF}};
  for (const auto& w : words)
    for (int lane = 0; lane < 4; ++lane) EXPECT_EQ(w.value.lane(lane), w.word) << w.name;
  EXPECT_EQ(sw->RealSampleRate.lane(0), 44100.0f);
  // Offset 0 reads the constant 0.0.
  EXPECT_EQ(reinterpret_cast<const float*>(memory.GlobalStart)[0], 0.0f);
}

TEST(NextPrime, SmallestPrimeAtOrAbove) {
  const std::pair<uint32_t, uint32_t> cases[] = {{0, 1}, {1, 1}, {2, 2}, {3, 3}, {4, 5},
                                                 {8, 11}, {13, 13}, {44100, 44101}, {96001, 96001}};
  for (auto [n, prime] : cases) EXPECT_EQ(NextPrime(n), prime) << n;
}

TEST(RateScales, FollowTheProcessRates) {
  SampleRate = 88200.0f;
  RealSampleBase = 44100.0f;
  OversampleBase = 44100.0f;
  EXPECT_FLOAT_EQ(RealRateScale(0.0001f), 0.00005f);
  EXPECT_FLOAT_EQ(OversampledRateScale(0.0001f, 1), 0.000025f);
  EXPECT_FLOAT_EQ(OversampledRateScale(0.0001f, 33), 0.000025f);  // the shift is taken modulo 32
  SampleRate = 0.0f;
  EXPECT_EQ(RealRateScale(0.25f), 0.25f);
  EXPECT_EQ(OversampledRateScale(0.25f, 1), 0.25f);
  SampleRate = 44100.0f;
}

TEST(XorshiftSeed, GivesAValueInOneToTwoAndTheFinalState) {
  float word;
  uint32_t start = 0x12345678;
  std::memcpy(&word, &start, 4);
  uint32_t state = 0;
  XorshiftSeed(3, &word, &state);
  uint32_t s = start;
  for (int i = 0; i < 3; ++i) {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
  }
  EXPECT_EQ(state, s);
  EXPECT_EQ(bits_of(word), (s >> 8) | 0x3F800000u);
  EXPECT_GE(word, 1.0f);
  EXPECT_LT(word, 2.0f);
}

TEST(NoiseGenerator, StaysInRangeAndAZeroSeedStaysZero) {
  XGlobalMemory memory(1);
  auto* sw = memory.AllocRecord<XSynthWork>();
  SynthWorkFill(*sw);
  sw->Noiseed = QWord::of(1, 0xDEADBEEF, 0x80000000, 0);
  for (int i = 0; i < 100000; ++i) {
    NoiseStep(*sw);
    for (int lane = 0; lane < 3; ++lane) {
      ASSERT_GE(sw->NoiseGenerator.lane(lane), -0.5f);
      ASSERT_LT(sw->NoiseGenerator.lane(lane), 0.5f);
      ASSERT_LE(std::fabs(sw->Denormal.lane(lane)), 1.0e-7f);
    }
    ASSERT_EQ(sw->Noiseed.lane(3), 0u);
    ASSERT_EQ(sw->NoiseGenerator.lane(3), -0.5f);
  }
}

}  // namespace
}  // namespace brelix
