#include "widgets/value_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "patch/number_text.h"

namespace brelix {

namespace {

// The value is read to 15 significant digits (all a double holds reliably) before it is rounded
// to the mask: 0.00000005 shows as 0.0000001 although its double lies a hair below the half.
constexpr int kSignificantDigits = 15;
constexpr int kMaxDecimals = 60;

struct MaskShape {
  int min_integer_digits = 1;
  int min_decimals = 0;
  int max_decimals = 0;
};

MaskShape ShapeOf(std::string_view mask) {
  MaskShape shape{0, 0, 0};
  const size_t point = mask.find('.');
  const std::string_view integer = mask.substr(0, point);
  for (char c : integer)
    if (c == '0') ++shape.min_integer_digits;
  if (point != std::string_view::npos)
    for (char c : mask.substr(point + 1)) {
      if (c == '0') ++shape.min_decimals;
      if (c == '0' || c == '#') ++shape.max_decimals;
    }
  shape.max_decimals = std::min(shape.max_decimals, kMaxDecimals);
  shape.min_decimals = std::min(shape.min_decimals, shape.max_decimals);
  return shape;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A decimal number and nothing else; "nan" and "inf" are not numbers here.
std::optional<double> ReadDecimal(std::string_view s) {
  if (s.empty()) return std::nullopt;
  double value = 0.0;
  const char* end = s.data() + s.size();
  const auto [stop, error] = std::from_chars(s.data(), end, value, std::chars_format::general);
  if (error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace

size_t FormatMaskedInto(double value, std::string_view mask, char* out, size_t capacity) {
  if (capacity == 0) return 0;
  size_t length = 0;
  const auto put = [&](char c) {
    if (length + 1 < capacity) out[length++] = c;
  };
  const auto puts = [&](std::string_view text) {
    for (char c : text) put(c);
  };
  const auto finish = [&] {
    out[length] = '\0';
    return length;
  };
  if (std::isnan(value)) {
    puts("NAN");
    return finish();
  }
  if (std::isinf(value)) {
    puts(value < 0 ? "-INF" : "INF");
    return finish();
  }
  const MaskShape shape = ShapeOf(mask);

  // The value's 15 significant digits and the decimal exponent of the first.
  char buffer[64];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific,
                                     kSignificantDigits - 1);
  const std::string_view scientific(buffer, static_cast<size_t>(written.ptr - buffer));  // d.dddde+XX
  const size_t e = scientific.find('e');
  int exponent = 0;
  std::from_chars(scientific.data() + e + (scientific[e + 1] == '+' ? 2 : 1), scientific.data() + scientific.size(),
                  exponent);
  // All digits in one row with the point after `point` of them, cut after the last decimal of
  // the mask and rounded there, half away from zero. The row has room for the largest double's
  // integer digits and the mask's most decimals, so nothing here allocates.
  constexpr int kRow = 1 + 310 + kMaxDecimals + kSignificantDigits + 2;
  char all[kRow];
  int size = 0;
  int point = exponent + 1;
  if (point <= 0) {
    for (int i = 0; i < 1 - point; ++i) all[size++] = '0';
    point = 1;
  }
  all[size++] = scientific[0];
  for (size_t i = 2; i < e; ++i) all[size++] = scientific[i];
  const int keep = point + shape.max_decimals;
  while (size < keep + 1) all[size++] = '0';
  const bool round_up = all[keep] >= '5';
  size = keep;
  int first = 0;  // a carry past the first digit starts the row one place earlier
  char carried[kRow + 1];
  if (round_up) {
    int i = size - 1;
    while (i >= 0 && all[i] == '9') all[i--] = '0';
    if (i >= 0) {
      ++all[i];
    } else {
      carried[0] = '1';
      std::memcpy(carried + 1, all, static_cast<size_t>(size));
      ++size;
      ++point;
      first = -1;
    }
  }
  const char* row = first < 0 ? carried : all;
  std::string_view integer(row, static_cast<size_t>(point));
  std::string_view fraction(row + point, static_cast<size_t>(size - point));
  while (static_cast<int>(fraction.size()) > shape.min_decimals && !fraction.empty() && fraction.back() == '0')
    fraction.remove_suffix(1);
  integer.remove_prefix(std::min(integer.find_first_not_of('0'), integer.size()));
  const int padding = shape.min_integer_digits - static_cast<int>(integer.size());

  const bool zero = integer.find_first_not_of('0') == std::string_view::npos &&
                    fraction.find_first_not_of('0') == std::string_view::npos;
  if (value < 0 && !zero) put('-');
  if (integer.empty() && fraction.empty() && padding <= 0) {
    put('0');
  } else {
    for (int i = 0; i < padding; ++i) put('0');
    puts(integer);
  }
  if (!fraction.empty()) {
    put('.');
    puts(fraction);
  }
  return finish();
}

std::string FormatMasked(double value, std::string_view mask) {
  char text[kMaskedTextCapacity];
  const size_t length = FormatMaskedInto(value, mask, text, sizeof text);
  return std::string(text, length);
}

std::optional<double> ReadEditNumber(std::string_view text, TParamKind kind) {
  std::string s(Trimmed(text));
  if (s.empty()) return 0.0;
  std::optional<double> result;
  if (s.front() == '$') {
    s = std::string(Trimmed(std::string_view(s).substr(0, s.find('.'))));
    const std::optional<int32_t> integer = TextToInteger(s);
    if (integer) result = *integer;
  } else {
    if (s.starts_with("-."))
      s.insert(1, "0");
    else if (s.starts_with("."))
      s.insert(0, "0");
    if (kind != TParamKind::IntegerInteger && s == "-") s = "0";
    result = ReadDecimal(s);
  }
  if (!result) return std::nullopt;
  if (kind != TParamKind::SingleSingle) result = RoundHalfEven(*result);
  return result;
}

}  // namespace brelix
