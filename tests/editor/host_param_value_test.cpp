// A slider's two ranges; host parameter values (0..1) to control values and back, for sliders (normal and extended
// range), option lists by value number and switches; and what a host's NaN or infinity does.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "editor/host_param_value.h"
#include "editor/param_core.h"  // the guide header compiles on its own
#include "editor/slider_ranges.h"

namespace brelix {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

TEST(SliderRanges, TheExtendedRangeAndItsOverflowSides) {
  struct Case {
    const char* what;
    TSliderRanges ranges;
    double extMin, extMax;
    bool below, above;
  };
  const Case cases[] = {
      {"1e9 means the normal bound", MakeSliderRanges(-1, 1, 1e9, 1e9), -1, 1, false, false},
      {"wider on both sides", MakeSliderRanges(-1, 1, -8, 8), -8, 8, true, true},
      {"wider above only", MakeSliderRanges(0, 2, 1e9, 8), 0, 8, false, true},
      {"wider below only", MakeSliderRanges(0, 1, -8, 1e9), -8, 1, true, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.ranges.ExtMin, c.extMin) << c.what;
    EXPECT_EQ(c.ranges.ExtMax, c.extMax) << c.what;
    EXPECT_EQ(c.ranges.OverflowBelow(), c.below) << c.what;
    EXPECT_EQ(c.ranges.OverflowAbove(), c.above) << c.what;
  }
  const TSliderRanges r = MakeSliderRanges(-1, 1, -8, 8);
  EXPECT_EQ(r.Chosen(false).Max, 1);
  EXPECT_EQ(r.Chosen(true).Max, 8);
}

TEST(HostParamValue, SliderWithNormalAndExtendedRange) {
  const TSliderRanges r = MakeSliderRanges(-1, 1, -8, 8);
  EXPECT_EQ(SliderFromHost(r, false, 0.75f), 0.5f);
  EXPECT_EQ(SliderFromHost(r, true, 0.75f), 4.0f);
  EXPECT_EQ(SliderToHost(r, false, 4.0f), 2.5f);  // not clamped
  EXPECT_EQ(SliderToHost(r, true, 4.0f), 0.75f);
  EXPECT_EQ(SliderToHost(r, false, -1.0f), 0.0f);
  EXPECT_EQ(SliderToHost(r, false, 1.0f), 1.0f);
  EXPECT_EQ(SliderFromHost(r, false, 0.0f), -1.0f);
  EXPECT_EQ(SliderFromHost(r, false, 1.0f), 1.0f);
  // beyond 0..1 the normal range is left, up to the extended range and no further
  EXPECT_EQ(SliderFromHost(r, false, 2.0f), 3.0f);
  EXPECT_EQ(SliderFromHost(r, false, 100.0f), 8.0f);
  EXPECT_EQ(SliderFromHost(r, true, -3.0f), -8.0f);
  EXPECT_EQ(SliderFromHost(r, false, kInf), 8.0f);
  EXPECT_EQ(SliderFromHost(r, false, -kInf), -8.0f);
  EXPECT_EQ(SliderFromHost(r, false, 3.4e38f), 8.0f);
  EXPECT_EQ(SliderFromHost(r, false, kNaN), std::nullopt);
}

TEST(HostParamValue, SliderRoundTripIsComputedInDouble) {
  const TSliderRanges r = MakeSliderRanges(0, 12543.854, 1e9, 1e9);
  for (float value : {0.0f, 1.0f, 440.0f, 6271.927f, 12543.854f}) {
    EXPECT_EQ(SliderFromHost(r, false, SliderToHost(r, false, value)), value) << value;
  }
  EXPECT_EQ(SliderToHost(r, false, 440.0f), static_cast<float>(440.0 / 12543.854));
}

TEST(HostParamValue, SliderWithoutWidth) {
  const TSliderRanges r = MakeSliderRanges(3, 3, 1e9, 1e9);
  EXPECT_EQ(SliderToHost(r, false, 3.0f), 3.0f);  // the value itself
  EXPECT_EQ(SliderFromHost(r, false, 0.7f), 3.0f);
  EXPECT_EQ(SliderFromHost(r, false, kInf), 3.0f);
}

TEST(HostParamValue, ListsByValueNumber) {
  // 4 items: 0.5 x 3 = 1.5 rounds to 2; 5 items: 0.5 x 4 = 2 exactly
  EXPECT_EQ(ListFromHost(4, 0.5f), 2u);
  EXPECT_EQ(ListFromHost(5, 0.5f), 2u);
  EXPECT_EQ(ListFromHost(6, 0.5f), 2u);  // 2.5 rounds to 2
  EXPECT_EQ(ListFromHost(4, 0.0f), 0u);
  EXPECT_EQ(ListFromHost(4, 1.0f), 3u);
  EXPECT_EQ(ListToHost(4, 2), static_cast<float>(2.0 / 3.0));
  EXPECT_EQ(ListToHost(5, 2), 0.5f);
  EXPECT_EQ(ListToHost(5, 9), 2.25f);  // a number beyond the positions reads beyond 1
  // a host value outside 0..1 counts as the nearer end
  EXPECT_EQ(ListFromHost(4, -0.5f), 0u);
  EXPECT_EQ(ListFromHost(4, 7.0f), 3u);
  EXPECT_EQ(ListFromHost(4, kInf), 3u);
  EXPECT_EQ(ListFromHost(4, -kInf), 0u);
  EXPECT_EQ(ListFromHost(4, kNaN), std::nullopt);
  // one item, or none: always value 0
  for (int count : {1, 0, -3}) {
    EXPECT_EQ(ListToHost(count, 5), 0.0f);
    EXPECT_EQ(ListFromHost(count, 0.9f), 0u);
  }
}

TEST(HostParamValue, SwitchesAndTheExtendedEntryRoundHalfToEven) {
  struct Case {
    float host;
    std::optional<bool> on;
  };
  const Case cases[] = {{0.0f, false}, {0.5f, false}, {0.51f, true}, {0.6f, true}, {1.0f, true},
                        {1.5f, true},  {-0.4f, false}, {-0.6f, true}, {kInf, true},  {kNaN, std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(SwitchFromHost(c.host), c.on) << c.host;
  EXPECT_EQ(SwitchToHost(true), 1.0f);
  EXPECT_EQ(SwitchToHost(false), 0.0f);
  EXPECT_STREQ(SwitchDisplayText(true), "On");
  EXPECT_STREQ(SwitchDisplayText(false), "Off");
}

}  // namespace
}  // namespace brelix
