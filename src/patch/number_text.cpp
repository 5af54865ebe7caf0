#include "patch/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace brelix {

namespace {

constexpr int kSignificantDigits = 15;
// Enough digits to hold the exact decimal expansion of any single (the smallest subnormal has
// 105 significant digits), so the rounding below sees the true value.
constexpr int kExactDigits = 120;
constexpr int kLowestFixedExponent = -4;   // 0.0001
constexpr int kHighestFixedExponent = 14;  // below 10^15

// The decimal digits of |x| rounded to 15 significant digits, without trailing zeros, and the
// decimal exponent of the first digit.
struct Decimal {
  std::string digits;
  int exponent = 0;
};

Decimal RoundedDecimal(double magnitude) {
  char text[kExactDigits + 16];
  const auto result = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific, kExactDigits);
  const std::string_view exact(text, static_cast<size_t>(result.ptr - text));  // d.ddd...e+XX
  const size_t e = exact.find('e');
  Decimal d;
  d.digits = std::string(1, exact[0]) + std::string(exact.substr(2, e - 2));
  std::from_chars(exact.data() + e + (exact[e + 1] == '+' ? 2 : 1), exact.data() + exact.size(), d.exponent);

  const bool round_up = d.digits[kSignificantDigits] >= '5';
  d.digits.resize(kSignificantDigits);
  if (round_up) {
    int i = kSignificantDigits - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {  // 9.99...9 became 10.00...0
      d.digits.insert(d.digits.begin(), '1');
      d.digits.pop_back();
      ++d.exponent;
    }
  }
  d.digits.erase(d.digits.find_last_not_of('0') + 1);
  return d;
}

std::string FixedNotation(const Decimal& d) {
  if (d.exponent < 0) return "0." + std::string(static_cast<size_t>(-d.exponent - 1), '0') + d.digits;
  const size_t integer_digits = static_cast<size_t>(d.exponent) + 1;
  if (d.digits.size() <= integer_digits) return d.digits + std::string(integer_digits - d.digits.size(), '0');
  return d.digits.substr(0, integer_digits) + "." + d.digits.substr(integer_digits);
}

std::string ScientificNotation(const Decimal& d) {
  std::string text(1, d.digits[0]);
  if (d.digits.size() > 1) text += "." + d.digits.substr(1);
  return text + "E" + std::to_string(d.exponent);
}

}  // namespace

std::string FloatToText(float value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0.0f ? "-INF" : "INF";
  if (value == 0.0f) return std::signbit(value) ? "-0" : "0";
  const Decimal d = RoundedDecimal(std::fabs(static_cast<double>(value)));
  const bool fixed = d.exponent >= kLowestFixedExponent && d.exponent <= kHighestFixedExponent;
  return (value < 0.0f ? "-" : "") + (fixed ? FixedNotation(d) : ScientificNotation(d));
}

std::optional<float> TextToFloat(std::string_view text) {
  // from_chars takes a leading "-" but not "+".
  if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  float value = 0.0f;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::general);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::string IntegerToText(int32_t value) { return std::to_string(value); }

std::optional<int32_t> TextToInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  // A second sign ("--5", "$-5") is refused by the unsigned conversion.
  if (text.empty() || text[0] == '+' || text[0] == '-') return std::nullopt;
  uint64_t magnitude = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, magnitude, base);
  if (error != std::errc() || stop != end) return std::nullopt;
  if (magnitude > (negative ? uint64_t{1} << 31 : 0xFFFFFFFFull)) return std::nullopt;
  const uint32_t bits = static_cast<uint32_t>(negative ? 0 - magnitude : magnitude);
  return static_cast<int32_t>(bits);
}

}  // namespace brelix
