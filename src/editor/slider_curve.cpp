#include "editor/slider_curve.h"

#include <cmath>
#include <numbers>

namespace brelix {
namespace {

enum class TDirection { ValueToPosition, PositionToValue };

// The shape on the unit interval: n in 0..1 (as a single), the result rounded to a single.
float UnitCurve(TSliderCurve curve, TDirection direction, float n) {
  const auto ordinal = static_cast<int>(curve);
  const double x = n;
  const bool forward = direction == TDirection::ValueToPosition;
  if (curve == TSliderCurve::Sin1) {
    return static_cast<float>(forward ? 2.0 / std::numbers::pi * std::asin(x)
                                      : std::sin(x * std::numbers::pi / 2.0));
  }
  if (ordinal <= 20) {  // Exp k
    const double k = ordinal;
    const double span = std::exp(k) - 1.0;
    return static_cast<float>(forward ? 1.0 - (std::exp(k * (1.0 - x)) - 1.0) / span
                                      : 1.0 - std::log(1.0 - (x - 1.0) * span) / k);
  }
  const double k = ordinal - 20;  // Log k
  const double span = std::exp(k) - 1.0;
  return static_cast<float>(forward ? (std::exp(k * x) - 1.0) / span
                                    : std::log(x * span + 1.0) / k);
}

float Convert(TSliderCurve curve, TDirection direction, float x, TSliderRange range) {
  const auto min = static_cast<float>(range.Min);
  const auto max = static_cast<float>(range.Max);
  // Lin, and an ordinal beyond the last curve, leave the value where it is.
  if (curve == TSliderCurve::Lin || static_cast<int>(curve) >= kSliderCurveCount) return x;
  // Outside the range, or not a number: unwarped. A range without width has nothing to warp
  // either, and the curve of its only value might not be finite.
  if (!(x >= min && x <= max) || min == max) return x;
  const double width = static_cast<double>(max) - static_cast<double>(min);
  const auto n = static_cast<float>((static_cast<double>(x) - min) / width);
  const float shaped = UnitCurve(curve, direction, n);
  return static_cast<float>(static_cast<double>(min) + static_cast<double>(shaped) * width);
}

}  // namespace

float CurveValueToPosition(TSliderCurve curve, float value, TSliderRange range) {
  return Convert(curve, TDirection::ValueToPosition, value, range);
}

float CurvePositionToValue(TSliderCurve curve, float position, TSliderRange range) {
  return Convert(curve, TDirection::PositionToValue, position, range);
}

}  // namespace brelix
