// Response curves of a slider: how a value maps to the position of the slider's bar and back.
//
// The bar position lies in the same units and range as the value; a curve only redistributes the
// travel. `Exp`k gives fine resolution near the minimum, `Log`k near the maximum, `Sin1` at both
// ends. Each conversion is the other's inverse, so a value survives a round trip through the bar.
#pragma once

#include <cstdint>

#include "editor/slider_ranges.h"

namespace brelix {

// The ordinal is the curve's strength: `Exp`k has ordinal k, `Log`k has 20 + k, `Sin1` has 41.
enum class TSliderCurve : uint8_t {
  Lin,
  Exp1, Exp2, Exp3, Exp4, Exp5, Exp6, Exp7, Exp8, Exp9, Exp10,
  Exp11, Exp12, Exp13, Exp14, Exp15, Exp16, Exp17, Exp18, Exp19, Exp20,
  Log1, Log2, Log3, Log4, Log5, Log6, Log7, Log8, Log9, Log10,
  Log11, Log12, Log13, Log14, Log15, Log16, Log17, Log18, Log19, Log20,
  Sin1,
};
constexpr int kSliderCurveCount = 42;

// Both conversions work on one range of the slider (the bar's normal range, or its extended range
// while the Alt modifier is held), its bounds first rounded to singles. A
// value outside that range, and one that is not a number, is handed back unchanged (the bar then
// draws it at its end); so is every value of a range whose bounds are equal. The curve itself is
// evaluated in double precision from single inputs and rounded to a single at each step.

// Value -> bar position (the "f" direction).
float CurveValueToPosition(TSliderCurve curve, float value, TSliderRange range);

// Bar position -> value (the "g" direction).
float CurvePositionToValue(TSliderCurve curve, float position, TSliderRange range);

}  // namespace brelix
