// Measures of audio that tests of every level share: the voices' audio rate, the RMS and peak of
// a run of samples, and the gain of a system for a tone.
#pragma once

#include <cmath>
#include <algorithm>
#include <cstddef>
#include <limits>
#include <vector>

#include "engine/qvector.h"

namespace brelix::testing {

constexpr double kPi = 3.14159265358979323846;

// The rate the voices run at for a host at 44.1 kHz: oversampled twice.
constexpr double kAudioRate = 88200.0;

// The root mean square of x[from..]; 0 for no samples.
inline double Rms(const std::vector<float>& x, size_t from = 0) {
  if (from >= x.size()) return 0.0;
  double sum = 0.0;
  for (size_t i = from; i < x.size(); ++i) sum += double{x[i]} * x[i];
  return std::sqrt(sum / static_cast<double>(x.size() - from));
}

// The largest magnitude among sample(i) for i in [from, to); NaN as soon as one is not finite,
// so that a peak below a bound also says that every value was finite.
template <class Sample>
float PeakOf(size_t from, size_t to, Sample sample) {
  float peak = 0.0f;
  for (size_t i = from; i < to; ++i) {
    const float v = sample(i);
    if (!std::isfinite(v)) return std::numeric_limits<float>::quiet_NaN();
    peak = std::fmax(peak, std::fabs(v));
  }
  return peak;
}

// The peak of x[from, to), `to` cut to the size.
inline float Peak(const std::vector<float>& x, size_t from = 0, size_t to = std::numeric_limits<size_t>::max()) {
  return PeakOf(from, std::min(to, x.size()), [&x](size_t i) { return x[i]; });
}

// The peak of one lane of out[from, to), `to` cut to the size.
inline float Peak(const std::vector<QSingle>& out, int lane, size_t from, size_t to) {
  return PeakOf(from, std::min(to, out.size()), [&out, lane](size_t i) { return out[i].lane(lane); });
}

// The gain of `process` (one sample in, one out, at `rate`) for a sine of `hz` and amplitude
// `amp`: the output's component at `hz`, correlated over one second (a whole number of cycles)
// after `settle` samples.
template <class Process>
double ToneGain(Process process, double hz, double amp, double rate = kAudioRate, int settle = 4000) {
  const int length = static_cast<int>(rate);
  double re = 0, im = 0;
  for (int n = 0; n < settle + length; ++n) {
    const double phase = 2 * kPi * std::fmod(hz * n, rate) / rate;
    const double y = process(static_cast<float>(amp * std::sin(phase)));
    if (n >= settle) {
      re += y * std::cos(phase);
      im += y * std::sin(phase);
    }
  }
  return 2 * std::hypot(re, im) / length / amp;
}

}  // namespace brelix::testing
