#include "editor/slider_reset.h"

#include <cmath>

namespace brelix {

float SliderResetValue(bool shift, bool alt, TSliderRange normal, float defaultValue) {
  const double max = normal.Max;
  float low = static_cast<float>(normal.Min);
  if (std::fabs(static_cast<double>(low)) <= 1e-6) low = 0.0f;
  if (shift && alt) return static_cast<float>(max);
  if (alt) return static_cast<float>((static_cast<double>(low) + max) / 2.0);
  if (!shift) return defaultValue;
  return low;
}

}  // namespace brelix
