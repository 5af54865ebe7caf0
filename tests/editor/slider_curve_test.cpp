// The slider response curves: their shape at the points musicians feel, exact ends, and the two
// directions undoing each other over the whole bar.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "editor/slider_curve.h"

namespace brelix {
namespace {

constexpr double kCutoffMax = 12543.854;  // a filter cutoff range 0..12543.854

TSliderCurve CurveOf(int ordinal) { return static_cast<TSliderCurve>(ordinal); }

constexpr TSliderRange kRanges[] = {{0.0, 1.0}, {-1.0, 1.0}, {0.0, kCutoffMax}, {20.0, 20000.0}};

TEST(SliderCurve, Exp1PutsTheMiddleValueAtAbout0622OfTheBar) {
  const float middle = static_cast<float>(kCutoffMax / 2);
  const float position = CurveValueToPosition(TSliderCurve::Exp1, middle, {0.0, kCutoffMax});
  const double expected = 1.0 - (std::exp(0.5) - 1.0) / (std::exp(1.0) - 1.0);
  EXPECT_NEAR(position / kCutoffMax, expected, 1e-6);
  EXPECT_NEAR(position / kCutoffMax, 0.622, 0.001);
  // and the bar's middle back to the value: fine resolution near the minimum
  EXPECT_NEAR(CurvePositionToValue(TSliderCurve::Exp5, 0.5f, {0.0, 1.0}), 0.137, 0.001);
  EXPECT_NEAR(CurvePositionToValue(TSliderCurve::Log5, 0.5f, {0.0, 1.0}), 1 - 0.137, 0.001);
  EXPECT_NEAR(CurveValueToPosition(TSliderCurve::Sin1, 0.5f, {0.0, 1.0}), 1.0 / 3.0, 1e-6);
}

TEST(SliderCurve, TheEndsOfEveryRangeAreExact) {
  for (int c = 0; c < kSliderCurveCount; ++c) {
    for (const TSliderRange& r : kRanges) {
      const auto min = static_cast<float>(r.Min);
      const auto max = static_cast<float>(r.Max);
      EXPECT_EQ(CurveValueToPosition(CurveOf(c), min, r), min) << c;
      EXPECT_EQ(CurveValueToPosition(CurveOf(c), max, r), max) << c;
      EXPECT_EQ(CurvePositionToValue(CurveOf(c), min, r), min) << c;
      EXPECT_EQ(CurvePositionToValue(CurveOf(c), max, r), max) << c;
    }
  }
}

TEST(SliderCurve, EveryPositionOfTheBarSurvivesTheRoundTrip) {
  for (int c = 0; c < kSliderCurveCount; ++c) {
    // A few single-precision steps times the curve's steepest slope (up to 20 for Exp20 and
    // Log20); the arcsine's slope at the ends magnifies one rounding of the sine by about 3000.
    const double tolerance = CurveOf(c) == TSliderCurve::Sin1 ? 2e-4 : 1e-5;
    for (const TSliderRange& r : kRanges) {
      const double width = r.Max - r.Min;
      for (int i = 0; i <= 1000; ++i) {
        const auto position = static_cast<float>(r.Min + width * i / 1000);
        const float value = CurvePositionToValue(CurveOf(c), position, r);
        ASSERT_GE(value, static_cast<float>(r.Min));
        ASSERT_LE(value, static_cast<float>(r.Max));
        const float back = CurveValueToPosition(CurveOf(c), value, r);
        ASSERT_NEAR((back - position) / width, 0.0, tolerance) << c << " at " << i;
      }
    }
  }
}

TEST(SliderCurve, ValuesSurviveTheRoundTripWhereTheBarCanTellThemApart) {
  // A strong Exp curve packs the upper values into the last millionths of the bar (a strong Log
  // curve the lower values into the first); there no single-precision position can hold them
  // apart, and the round trip is only as good as the bar.
  for (int c = 0; c < kSliderCurveCount; ++c) {
    for (const TSliderRange& r : kRanges) {
      const double width = r.Max - r.Min;
      for (int i = 0; i <= 1000; ++i) {
        const auto value = static_cast<float>(r.Min + width * i / 1000);
        const float position = CurveValueToPosition(CurveOf(c), value, r);
        const double travel = (position - r.Min) / width;
        if (travel < 0.001 || travel > 0.999) continue;
        const float back = CurvePositionToValue(CurveOf(c), position, r);
        ASSERT_NEAR((back - value) / width, 0.0, 1e-5) << c << " at " << i;
      }
    }
  }
}

TEST(SliderCurve, PositionsMoveTheSameWayAsValues) {
  for (int c = 0; c < kSliderCurveCount; ++c) {
    float last = -1.0f;
    for (int i = 0; i <= 200; ++i) {
      const float position = CurveValueToPosition(CurveOf(c), i / 200.0f, {0.0, 1.0});
      ASSERT_GE(position, last) << c << " at " << i;
      last = position;
    }
  }
}

TEST(SliderCurve, ValuesItCannotPlaceAreHandedBackUnchanged) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (int c = 0; c < kSliderCurveCount; ++c) {
    for (float x : {-0.5f, 1.5f, 1e30f, -inf, inf}) {
      EXPECT_EQ(CurveValueToPosition(CurveOf(c), x, {0.0, 1.0}), x) << c;
      EXPECT_EQ(CurvePositionToValue(CurveOf(c), x, {0.0, 1.0}), x) << c;
    }
    EXPECT_TRUE(std::isnan(CurveValueToPosition(CurveOf(c), nan, {0.0, 1.0})));
    // a range without width: its only value stays put (the curve of 5 would not be finite)
    EXPECT_EQ(CurveValueToPosition(CurveOf(c), 5.0f, {5.0, 5.0}), 5.0f) << c;
    EXPECT_EQ(CurvePositionToValue(CurveOf(c), 5.0f, {5.0, 5.0}), 5.0f) << c;
  }
  // Lin never warps; an ordinal beyond the last curve acts as Lin
  EXPECT_EQ(CurveValueToPosition(TSliderCurve::Lin, 0.3f, {0.0, 1.0}), 0.3f);
  EXPECT_EQ(CurveValueToPosition(CurveOf(99), 0.3f, {0.0, 1.0}), 0.3f);
  // the bounds are taken as singles: 0.1 as a double bound is the single 0.1f
  EXPECT_EQ(CurvePositionToValue(TSliderCurve::Exp3, 0.1f, {0.1, 1.0}), 0.1f);
}

}  // namespace
}  // namespace brelix
