// The decimator: unity gain at DC, a steep half-band low-pass, histories that persist.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/downsampler.h"
#include "support/audio_measures.h"

namespace brelix {
namespace {

using testing::kPi;

// Output amplitude (RMS x sqrt 2) of a sine at `frequency` (a fraction of the high rate) after
// settling.
double Response(double frequency) {
  TDownsampler d{};
  DownsamplerInit(d);
  double energy = 0.0;
  for (int n = 0; n < 4000; ++n) {
    const auto x1 = static_cast<float>(std::sin(2 * kPi * frequency * (2 * n)));
    const auto x2 = static_cast<float>(std::sin(2 * kPi * frequency * (2 * n + 1)));
    float l = 0, r = 0;
    DownsamplerProcess(d, x1, -x1, x2, -x2, l, r);
    if (n >= 2000) energy += static_cast<double>(l) * l;
    EXPECT_FLOAT_EQ(l, -r);  // both channels alike
  }
  return std::sqrt(2.0 * energy / 2000.0);
}

TEST(Downsampler, CoefficientsAndLayout) {
  TDownsampler d{};
  DownsamplerInit(d);
  EXPECT_EQ(bits_of(d.c[0].lane(0)), 0x3D163F58u);  // LA, path A
  EXPECT_EQ(bits_of(d.c[0].lane(1)), 0x3E0BD324u);  // LB, path B
  EXPECT_EQ(bits_of(d.c[5].lane(2)), 0x3F764BD4u);  // RA
  EXPECT_EQ(bits_of(d.c[5].lane(3)), 0x3F7CE189u);  // RB
}

TEST(Downsampler, AConstantInputComesOutUnchanged) {
  TDownsampler d{};
  DownsamplerInit(d);
  float l = 0, r = 0;
  for (int n = 0; n < 2000; ++n) DownsamplerProcess(d, 0.5f, -0.25f, 0.5f, -0.25f, l, r);
  EXPECT_NEAR(l, 0.5f, 1e-5);
  EXPECT_NEAR(r, -0.25f, 1e-5);
}

TEST(Downsampler, PassesTheLowBandAndStopsTheHighBand) {
  // Frequencies as fractions of the high rate: below 0.2 passes, above a quarter is stopped.
  for (double f : {0.01, 0.05, 0.1, 0.15}) EXPECT_NEAR(Response(f), 1.0, 0.01) << f;
  EXPECT_NEAR(Response(0.18), 1.0, 0.02);  // near the band edge
  for (double f : {0.3, 0.35, 0.4, 0.45}) EXPECT_LT(Response(f), 0.001) << f;  // beyond -60 dB
}

TEST(Downsampler, HistoriesCarryOnFromWhereTheyWere) {
  TDownsampler a{}, b{};
  DownsamplerInit(a);
  DownsamplerInit(b);
  float l = 0, r = 0;
  for (int n = 0; n < 10; ++n) DownsamplerProcess(a, 1.0f, 1.0f, 1.0f, 1.0f, l, r);
  float la = 0, lb = 0;
  DownsamplerProcess(a, 0.0f, 0.0f, 0.0f, 0.0f, la, r);
  DownsamplerProcess(b, 0.0f, 0.0f, 0.0f, 0.0f, lb, r);
  EXPECT_NE(la, lb);
  EXPECT_EQ(lb, 0.0f);
}

}  // namespace
}  // namespace brelix
