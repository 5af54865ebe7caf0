#include "output_meter.h"

#include <cmath>

namespace brelix {

namespace {

const float kQuietLevel = static_cast<float>(std::pow(10.0, kQuietDecibels / 20.0));

}  // namespace

void OutputMeter::Add(const float* left, const float* right, size_t frames) {
  for (size_t i = 0; i < frames; ++i) {
    const float a = std::fabs(left[i]), b = std::fabs(right[i]);
    if (a > peak_) peak_ = a;
    if (b > peak_) peak_ = b;
    aboveFullScale_ += (a > 1.0f) + (b > 1.0f);
    quietFrames_ = a < kQuietLevel && b < kQuietLevel ? quietFrames_ + 1 : 0;
  }
  frames_ += static_cast<int64_t>(frames);
}

double Decibels(double amplitude) { return 20.0 * std::log10(amplitude); }

}  // namespace brelix
