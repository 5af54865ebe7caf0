// Numbers in the edit boxes: how a mask shows a value, and what a typed text stands for.
#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "widgets/value_text.h"

namespace brelix {
namespace {

constexpr const char* kMask = "####0.#######";

TEST(FormatMasked, ShowsUpToTheMasksDecimalsRoundedHalfAwayFromZero) {
  const struct {
    double value;
    const char* mask;
    const char* text;
  } cases[] = {
      {0.25, kMask, "0.25"},
      {4, kMask, "4"},
      {-4, kMask, "-4"},
      {0.1f, kMask, "0.1"},                        // a single's 0.100000001490116...
      {12543.854f, "####0.###", "12543.854"},      // 12543.8544921875
      {0.0001f, kMask, "0.0001"},
      {1.0 / 3, kMask, "0.3333333"},
      {2.0 / 3, kMask, "0.6666667"},
      {0.00000005, kMask, "0.0000001"},            // the half goes up, read to 15 digits
      {-0.00000005, kMask, "-0.0000001"},
      {0.00000004, kMask, "0"},
      {1e-300, kMask, "0"},
      {3.4e38, "0", "340000000000000000000000000000000000000"},
      {-0.00000004, kMask, "0"},                   // no sign on what shows as zero
      {-0.0, kMask, "0"},
      {0.125, "####0.##", "0.13"},
      {9.99999996, kMask, "10"},
      {9.9999999, kMask, "9.9999999"},
      {-99999.99999999, "####0.###", "-100000"},
      {1234567890, kMask, "1234567890"},           // no grouping
      {0.5, "0", "1"},
      {2.5, "0.00", "2.50"},
      {std::numeric_limits<double>::quiet_NaN(), kMask, "NAN"},
      {std::numeric_limits<double>::infinity(), kMask, "INF"},
      {-std::numeric_limits<double>::infinity(), kMask, "-INF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatMasked(c.value, c.mask), c.text);
  }
}

TEST(ReadEditNumber, ReadsDecimalHexadecimalAndTheShortForms) {
  using K = TParamKind;
  const std::optional<double> none;
  const struct {
    const char* text;
    K kind;
    std::optional<double> value;
  } cases[] = {
      {"0.25", K::SingleSingle, 0.25},
      {"  -3.5 ", K::SingleSingle, -3.5},
      {"", K::SingleSingle, 0},
      {"", K::IntegerInteger, 0},
      {".5", K::SingleSingle, 0.5},
      {"-.5", K::SingleSingle, -0.5},
      {"-", K::SingleSingle, 0},
      {"-", K::SingleInteger, 0},
      {"-", K::IntegerInteger, none},
      {"$1A", K::IntegerInteger, 26},
      {"$1A.7", K::SingleInteger, 26},
      {"$ff", K::IntegerInteger, 255},
      {"$FFFFFFFF", K::IntegerInteger, -1},
      {"$", K::IntegerInteger, none},
      {"-$1A", K::IntegerInteger, none},
      {"2.5", K::SingleInteger, 2},   // halves to even
      {"3.5", K::IntegerInteger, 4},
      {"-2.5", K::IntegerInteger, -2},
      {"2.5", K::SingleSingle, 2.5},
      {"1E3", K::SingleInteger, 1000},
      {"1-2", K::SingleSingle, none},
      {"--5", K::SingleSingle, none},
      {"1A", K::SingleInteger, none},
      {"NAN", K::SingleSingle, none},
      {"INF", K::SingleSingle, none},
      {"1e999", K::SingleSingle, none},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ReadEditNumber(c.text, c.kind), c.value);
  }
}

}  // namespace
}  // namespace brelix
