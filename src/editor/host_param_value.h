// How a host's parameter value (nominally 0..1) maps to the value of each kind of control and
// back. The control then takes the value through its full edit path (UpdateValue).
//
// A host value that is not a number changes nothing: every "from host" function answers none
// for it, and the control keeps its value.
#pragma once

#include <cstdint>
#include <optional>

#include "editor/slider_ranges.h"

namespace brelix {

// ---- sliders: the normal range, or the extended one while the host has ExtRange on --------------

// (value - min) / (max - min), not clamped: a value typed beyond the normal range reads below 0
// or above 1. A range whose bounds are equal gives the value itself.
float SliderToHost(const TSliderRanges& ranges, bool extRange, float value);

// min + host x (max - min). The result is kept inside the extended range, the widest the control
// takes anywhere, so that a host value far beyond 0..1 (or infinite) cannot carry the patch field
// beyond what the edit box would accept.
std::optional<float> SliderFromHost(const TSliderRanges& ranges, bool extRange, float host);

// ---- option lists: by value number ----------------------------------------------------------

// value / (count - 1); 0 for a list of fewer than two items.
float ListToHost(int32_t itemCount, uint32_t value);

// round(host x (count - 1)), halves to even; 0 for a list of fewer than two items. A host value
// outside 0..1 counts as the nearer end, so the number never leaves 0..count - 1. (A number that
// no item carries is still possible in a list whose numbers have gaps; the control stores it and
// marks the list.)
std::optional<uint32_t> ListFromHost(int32_t itemCount, float host);

// ---- switches and the ExtRange entry: on when the host value rounds to a non-zero number ------

float SwitchToHost(bool on);
std::optional<bool> SwitchFromHost(float host);

// The text a host shows for a switch.
const char* SwitchDisplayText(bool on);

}  // namespace brelix
