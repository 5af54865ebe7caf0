// The process-wide and per-instance engine tables.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/engine_tables.h"
#include "engine/global_memory.h"
#include "engine/synth_work.h"

namespace brelix {
namespace {

class EngineTables : public ::testing::Test {
 protected:
  void SetUp() override {
    SynthWorkFill(*memory.AllocRecord<XSynthWork>());
    EngineTablesBuild(memory);
  }
  const float* Table(uint32_t offset) const { return reinterpret_cast<const float*>(memory.GlobalStart) + offset; }
  XGlobalMemory memory{4};
};

TEST_F(EngineTables, NoteFrequencyAndPow2) {
  EXPECT_EQ(NoteFrequency[69], 440.0f);
  EXPECT_NEAR(NoteFrequency[0], 8.175799f, 1e-6);
  EXPECT_NEAR(NoteFrequency[127], 12543.854f, 1e-2);
  EXPECT_EQ(Pow2Table[0], 1.0f);
  EXPECT_NEAR(Pow2Table[744], 2.0f, 2e-3);
  EXPECT_EQ(Pow2Table[-8192], static_cast<float>(std::pow(2.0, -11.0)));
  EXPECT_EQ(Pow2Table[8192], 2048.0f);
  EXPECT_EQ(Pow2Table[8193], Pow2Table[8192]);
}

TEST_F(EngineTables, TablesFollowTheConstantBlockInTheirOrder) {
  // Waveforms first (Tanh, Sine, Ramp, Saw, Square, Triangle), then Log1, Exp1, Log2, ...
  uint32_t first = TableOffsets.Tanh;
  EXPECT_EQ(first * 4, (sizeof(XSynthWork) + 15) / 16 * 16);
  const uint32_t step = (8194 * 4 + 15) / 16 * 16 / 4;
  const uint32_t order[] = {TableOffsets.Tanh, TableOffsets.Sine, TableOffsets.Ramp,
                            TableOffsets.Saw,  TableOffsets.Square, TableOffsets.Triangle};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(order[i], first + i * step);
  for (int n = 0; n < kCurveOrders; ++n) {
    EXPECT_EQ(TableOffsets.Log[n], first + (6 + 2 * n) * step);
    EXPECT_EQ(TableOffsets.Exp[n], first + (7 + 2 * n) * step);
  }
}

TEST_F(EngineTables, WaveformEntriesAndGuards) {
  const float* sine = Table(TableOffsets.Sine);
  EXPECT_EQ(sine[0], 0.0f);
  EXPECT_EQ(sine[2048], 1.0f);
  EXPECT_EQ(sine[4096], 0.0f);
  EXPECT_EQ(sine[8192], sine[0]);
  EXPECT_EQ(sine[8193], sine[1]);
  const float* saw = Table(TableOffsets.Saw);
  EXPECT_EQ(saw[0], -1.0f);
  EXPECT_EQ(saw[4096], 0.0f);
  EXPECT_EQ(saw[8192], 1.0f);
  const float* square = Table(TableOffsets.Square);
  EXPECT_EQ(square[4095], 1.0f);
  EXPECT_EQ(square[4096], -1.0f);
  EXPECT_EQ(square[8193], -1.0f);
  const float* triangle = Table(TableOffsets.Triangle);
  EXPECT_EQ(triangle[0], -1.0f);
  EXPECT_EQ(triangle[2048], 0.0f);
  EXPECT_EQ(triangle[4096], 1.0f);
  EXPECT_EQ(triangle[6144], 0.0f);
  EXPECT_EQ(triangle[8192], -1.0f);
  const float* ramp = Table(TableOffsets.Ramp);
  EXPECT_EQ(ramp[4096], 0.5f);
  EXPECT_EQ(ramp[8192], 1.0f);
  EXPECT_EQ(ramp[8193], 1.0f);
}

TEST_F(EngineTables, CurvesRiseFromZeroToOne) {
  const float* tanh_table = Table(TableOffsets.Tanh);
  EXPECT_EQ(tanh_table[0], 0.0f);
  EXPECT_EQ(tanh_table[8192], static_cast<float>(std::tanh(4.0)));
  EXPECT_EQ(tanh_table[8193], tanh_table[8192]);
  for (int n = 1; n <= kCurveOrders; ++n) {
    for (const float* curve : {Table(TableOffsets.Log[n - 1]), Table(TableOffsets.Exp[n - 1])}) {
      EXPECT_EQ(curve[0], 0.0f);
      EXPECT_EQ(curve[8192], 1.0f);
      EXPECT_EQ(curve[8193], 1.0f);
      for (int k = 1; k < 8192; ++k) ASSERT_LE(curve[k - 1], curve[k]) << "order " << n << " entry " << k;
    }
    // A log curve rises fast, an exp curve slowly; they mirror each other.
    EXPECT_GT(Table(TableOffsets.Log[n - 1])[4096], 0.5f);
    EXPECT_LT(Table(TableOffsets.Exp[n - 1])[4096], 0.5f);
    EXPECT_NEAR(Table(TableOffsets.Log[n - 1])[1000] + Table(TableOffsets.Exp[n - 1])[8192 - 1000], 1.0f, 1e-6);
  }
  EXPECT_EQ(Table(TableOffsets.Exp[4])[4096], static_cast<float>((std::exp(2.5) - 1) / (std::exp(5.0) - 1)));
}

}  // namespace
}  // namespace brelix
