#include "editor/rate_scaled_param.h"

#include "engine/rates.h"

namespace brelix {

float RateScaledValue(TScaleType type, float value, uint32_t oversample) {
  return type == TScaleType::SampleRate ? RealRateScale(value)
                                        : OversampledRateScale(value, oversample);
}

}  // namespace brelix
