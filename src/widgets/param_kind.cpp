#include "widgets/param_kind.h"

#include <cmath>
#include <limits>

namespace brelix {
namespace {

template <typename Real>
Real RoundHalfEvenOf(Real value) {
  if (!std::isfinite(value)) return value;
  const Real whole = std::floor(value);
  const Real rest = value - whole;  // exact: 0 <= rest < 1
  if (rest < Real(0.5)) return whole;
  if (rest > Real(0.5)) return whole + 1;
  return std::fmod(whole, Real(2)) == 0 ? whole : whole + 1;
}

}  // namespace

float RoundHalfEven(float value) { return RoundHalfEvenOf(value); }
double RoundHalfEven(double value) { return RoundHalfEvenOf(value); }

float KindValue(TParamKind kind, float value) {
  return kind == TParamKind::SingleSingle ? value : RoundHalfEven(value);
}

int32_t TruncateToInt32(float value) {
  if (std::isnan(value)) return 0;
  constexpr auto kLowest = std::numeric_limits<int32_t>::min();
  constexpr auto kHighest = std::numeric_limits<int32_t>::max();
  // -2^31 is a single; 2^31 is the first single above the integer range.
  if (value <= static_cast<float>(kLowest)) return kLowest;
  if (value >= 2147483648.0f) return kHighest;
  return static_cast<int32_t>(value);
}

float MaskedReadValue(int32_t field, uint32_t getMask) {
  if (getMask == 0) return static_cast<float>(field);
  return static_cast<float>(static_cast<uint32_t>(field) & getMask);
}

int32_t MaskedWriteWord(float value, uint32_t setMask) {
  return static_cast<int32_t>(static_cast<uint32_t>(TruncateToInt32(value)) | setMask);
}

}  // namespace brelix
