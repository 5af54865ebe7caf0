#include "editor/host_param_value.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "widgets/param_kind.h"

namespace brelix {

float SliderToHost(const TSliderRanges& ranges, bool extRange, float value) {
  const TSliderRange range = ranges.Chosen(extRange);
  if (range.Min == range.Max) return value;
  return static_cast<float>((static_cast<double>(value) - range.Min) / (range.Max - range.Min));
}

std::optional<float> SliderFromHost(const TSliderRanges& ranges, bool extRange, float host) {
  if (std::isnan(host)) return std::nullopt;
  const TSliderRange range = ranges.Chosen(extRange);
  double value = range.Min + static_cast<double>(host) * (range.Max - range.Min);
  if (range.Min == range.Max) value = range.Min;  // an infinite host value times no width
  constexpr double kSingleLimit = std::numeric_limits<float>::max();
  const double low = std::clamp(std::min(ranges.ExtMin, ranges.ExtMax), -kSingleLimit, kSingleLimit);
  const double high = std::clamp(std::max(ranges.ExtMin, ranges.ExtMax), -kSingleLimit, kSingleLimit);
  return static_cast<float>(std::clamp(value, low, high));
}

float ListToHost(int32_t itemCount, uint32_t value) {
  if (itemCount <= 1) return 0.0f;
  return static_cast<float>(static_cast<double>(value) / (itemCount - 1));
}

std::optional<uint32_t> ListFromHost(int32_t itemCount, float host) {
  if (std::isnan(host)) return std::nullopt;
  if (itemCount <= 1) return 0u;
  const double position = std::clamp(static_cast<double>(host), 0.0, 1.0) * (itemCount - 1);
  return static_cast<uint32_t>(RoundHalfEven(position));
}

float SwitchToHost(bool on) { return on ? 1.0f : 0.0f; }

std::optional<bool> SwitchFromHost(float host) {
  if (std::isnan(host)) return std::nullopt;
  return RoundHalfEven(host) != 0.0f;
}

const char* SwitchDisplayText(bool on) { return on ? "On" : "Off"; }

}  // namespace brelix
