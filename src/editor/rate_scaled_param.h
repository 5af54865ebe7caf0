// The rate-scaled copy a slider writes next to its own field, for values whose engine form
// depends on the sample rate (a coefficient meant at the reference rate).
#pragma once

#include <cstdint>

namespace brelix {

// SampleRate: value x RealSampleBase / SampleRate (coefficients at the host rate).
// OversampleRate: value x OversampleBase / (SampleRate x 2^oversample) (at the voice rate).
// A zero divisor leaves the value unscaled.
enum class TScaleType : uint8_t { OversampleRate, SampleRate };

float RateScaledValue(TScaleType type, float value, uint32_t oversample);

}  // namespace brelix
