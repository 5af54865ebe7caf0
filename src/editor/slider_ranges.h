// A slider's two ranges: the bar's normal range and the edit box's extended range, which the
// value may reach by typing, by an Alt drag or from a host in extended mode.
#pragma once

namespace brelix {

// The bound the page builders pass for "the extended range ends where the normal one does".
constexpr double kSameAsNormalRange = 1e9;

struct TSliderRange {
  double Min;
  double Max;
};

struct TSliderRanges {
  double Min = 0.0;
  double Max = 1.0;
  double ExtMin = 0.0;
  double ExtMax = 1.0;

  TSliderRange Normal() const { return {Min, Max}; }
  TSliderRange Extended() const { return {ExtMin, ExtMax}; }
  TSliderRange Chosen(bool extended) const { return extended ? Extended() : Normal(); }

  // The bar draws its knob in the overflow colour beyond the normal range only on a side where
  // the extended range reaches further.
  bool OverflowBelow() const { return Min > ExtMin; }
  bool OverflowAbove() const { return ExtMax > Max; }
};

// The ranges of a slider created with these bounds: an extended bound of exactly 1e9 stands for
// the normal bound on its side.
constexpr TSliderRanges MakeSliderRanges(double min, double max, double extMin, double extMax) {
  return {min, max, extMin == kSameAsNormalRange ? min : extMin,
          extMax == kSameAsNormalRange ? max : extMax};
}

}  // namespace brelix
