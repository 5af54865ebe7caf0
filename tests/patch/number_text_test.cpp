// Number text of the patch and settings files: the float form the writer produces, the notations
// the readers accept, and what they refuse.
#include <gtest/gtest.h>

#include <bit>
#include <locale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "patch/number_text.h"

namespace brelix {
namespace {

TEST(FloatToText, WritesFifteenDigitsOfTheWidenedSingle) {
  struct Case {
    float value;
    const char* text;
  };
  const Case cases[] = {
      {0.25f, "0.25"},
      {60.0f, "60"},
      {0.1f, "0.100000001490116"},
      {0.0001f, "9.99999974737875E-5"},  // just below 0.0001: scientific
      {0.00010001f, "0.000100010001915507"},
      {12543.853515625f, "12543.853515625"},
      {0.8f, "0.800000011920929"},  // ...928955 rounds up
      {1.2f, "1.20000004768372"},
      {-0.5f, "-0.5"},
      {-3.0e-7f, "-3.00000010611257E-7"},
      {1.0f, "1"},
      {1.0e14f, "100000000376832"},
      {1.0e15f, "999999986991104"},  // the single nearest 10^15 lies below it: still fixed
      {1.0e16f, "1.00000002725642E16"},
      {std::ldexp(1.0f, 60), "1.15292150460685E18"},
      {0.001f, "0.00100000004749745"},
      {1.0e-5f, "9.99999974737875E-6"},
      {std::ldexp(1.0f, -22), "2.38418579101563E-7"},  // an exact tie at the 16th digit rounds up
      {std::numeric_limits<float>::denorm_min(), "1.40129846432482E-45"},
      {std::numeric_limits<float>::max(), "3.40282346638529E38"},
      {0.0f, "0"},
      {-0.0f, "-0"},
      {std::numeric_limits<float>::quiet_NaN(), "NAN"},
      {std::numeric_limits<float>::infinity(), "INF"},
      {-std::numeric_limits<float>::infinity(), "-INF"},
  };
  for (const Case& c : cases) EXPECT_EQ(FloatToText(c.value), c.text) << c.text;
}

TEST(FloatToText, NotationFollowsTheMagnitude) {
  EXPECT_EQ(FloatToText(1.0e20f), "1.00000002004088E20");
  EXPECT_EQ(FloatToText(std::ldexp(1.0f, 100)), "1.26765060022823E30");
  EXPECT_EQ(FloatToText(std::ldexp(1.0f, -20)), "9.5367431640625E-7");
  EXPECT_EQ(FloatToText(std::ldexp(1.0f, -14)), "6.103515625E-5");
  EXPECT_EQ(FloatToText(std::ldexp(1.0f, -13)), "0.0001220703125");
}

TEST(FloatToText, EverySingleReadsBackToItsOwnBits) {
  std::mt19937 random(20240611u);
  std::uniform_int_distribution<uint32_t> bits;
  int checked = 0;
  while (checked < 200000) {
    const float value = std::bit_cast<float>(bits(random));
    if (!std::isfinite(value)) continue;
    const std::optional<float> back = TextToFloat(FloatToText(value));
    ASSERT_TRUE(back.has_value()) << FloatToText(value);
    ASSERT_EQ(std::bit_cast<uint32_t>(*back), std::bit_cast<uint32_t>(value)) << FloatToText(value);
    ++checked;
  }
}

// A decimal comma and digit grouping, as some hosts' locales have.
struct CommaNumbers : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

TEST(FloatToText, IgnoresTheProcessLocale) {
  const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaNumbers));
  EXPECT_EQ(FloatToText(1234.5f), "1234.5");
  EXPECT_EQ(TextToFloat("1234.5"), 1234.5f);
  EXPECT_FALSE(TextToFloat("1234,5").has_value());
  EXPECT_EQ(IntegerToText(1234567), "1234567");
  std::locale::global(previous);
}

TEST(TextToFloat, ReadsBothNotationsAndRefusesWhatIsNoNumber) {
  EXPECT_EQ(TextToFloat("0.25"), 0.25f);
  EXPECT_EQ(TextToFloat("9.99999974737875E-5"), 0.0001f);
  EXPECT_EQ(TextToFloat("9.99999974737875e-5"), 0.0001f);
  EXPECT_EQ(TextToFloat("1E15"), 1.0e15f);
  EXPECT_EQ(TextToFloat("1e+3"), 1000.0f);
  EXPECT_EQ(TextToFloat("+2.5"), 2.5f);
  EXPECT_EQ(TextToFloat("-2.5"), -2.5f);
  EXPECT_EQ(TextToFloat(".5"), 0.5f);
  EXPECT_EQ(TextToFloat("60"), 60.0f);
  EXPECT_EQ(TextToFloat("0.100000001490116"), 0.1f);
  for (const char* bad : {"", "abc", "0.5abc", "0,5", "1.2.3", "nan", "NAN", "-nan", "inf", "INF", "-INF", "+inf",
                          "infinity", "1e39", "-1e39", "0x1p3", "$10", "+-1", "--1", "+", "-", " 1", "1 ", "1e"}) {
    EXPECT_FALSE(TextToFloat(bad).has_value()) << "'" << bad << "'";
  }
}

TEST(TextToInteger, ReadsDecimalAndBothHexadecimalPrefixes) {
  struct Case {
    const char* text;
    int32_t value;
  };
  const Case cases[] = {
      {"0", 0},           {"-1", -1},          {"+7", 7},           {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},              {"4294967295", -1},  {"$FF", 255},
      {"$ff", 255},       {"0x1F", 31},        {"0X1f", 31},        {"-$10", -16},
      {"$FFFFFFFF", -1},  {"0xFFFFFFFE", -2},  {"268435454", 268435454},
  };
  for (const Case& c : cases) EXPECT_EQ(TextToInteger(c.text), c.value) << c.text;
  for (const char* bad : {"", "abc", "1.5", "12abc", "1e3", "4294967296", "-2147483649", "$", "0x", "$100000000",
                          "--1", "$-1", "0x-1", "+-1", " 1", "1 ", "$G"}) {
    EXPECT_FALSE(TextToInteger(bad).has_value()) << "'" << bad << "'";
  }
}

}  // namespace
}  // namespace brelix
