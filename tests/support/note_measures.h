// Measures of what a played note sounds like, at the host rate of 44.1 kHz: its pitch, its
// loudness, whether anything sounds at all, and its loudness over time.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace brelix::testing {

constexpr double kHostRate = 44100.0;

// The frequency of note n of the equal-tempered scale (A4 = 440 Hz).
inline double NoteHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

// The root mean square of x[from, to), `to` cut to the size; 0 for no samples.
inline double RmsOf(const std::vector<float>& x, size_t from, size_t to) {
  to = std::min(to, x.size());
  if (from >= to) return 0.0;
  double sum = 0.0;
  for (size_t i = from; i < to; ++i) sum += double{x[i]} * x[i];
  return std::sqrt(sum / static_cast<double>(to - from));
}

// The root mean square of the sample-to-sample change over x[from, to): what sounds counts, the
// slow tail of the output's DC blocker after the voices stop (and the engine's anti-denormal
// noise) stays below 1e-5.
inline double ChangeRms(const std::vector<float>& x, size_t from, size_t to) {
  from = std::max<size_t>(from, 1);
  to = std::min(to, x.size());
  if (from >= to) return 0.0;
  double sum = 0.0;
  for (size_t i = from; i < to; ++i) sum += (double{x[i]} - x[i - 1]) * (double{x[i]} - x[i - 1]);
  return std::sqrt(sum / static_cast<double>(to - from));
}
constexpr double kSilence = 1e-5;

// The fundamental of a periodic signal: the first lag at which the normalised autocorrelation
// peaks within 10 % of its best, refined by a parabola through its neighbours. 0 for silence.
inline double FundamentalHz(const std::vector<float>& x) {
  const int n = static_cast<int>(x.size());
  const int max_lag = std::min(n / 4, 2205);  // down to 20 Hz
  const int span = n - max_lag;
  std::vector<double> r(max_lag + 1, 0.0);
  for (int lag = 1; lag <= max_lag; ++lag) {
    double xy = 0, xx = 0, yy = 0;
    for (int i = 0; i < span; ++i) {
      xy += double{x[i]} * x[i + lag];
      xx += double{x[i]} * x[i];
      yy += double{x[i + lag]} * x[i + lag];
    }
    r[lag] = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0.0;
  }
  const double best = *std::max_element(r.begin() + 2, r.end());
  if (best <= 0.0) return 0.0;
  for (int lag = 2; lag < max_lag; ++lag) {
    if (r[lag] < 0.9 * best || r[lag] < r[lag - 1] || r[lag] < r[lag + 1]) continue;
    const double curve = r[lag - 1] - 2 * r[lag] + r[lag + 1];
    const double shift = curve != 0.0 ? 0.5 * (r[lag - 1] - r[lag + 1]) / curve : 0.0;
    return kHostRate / (lag + shift);
  }
  return 0.0;
}

// The peak magnitude of each whole block of `block` samples.
inline std::vector<float> BlockPeaks(const std::vector<float>& x, size_t block) {
  std::vector<float> peaks;
  for (size_t from = 0; from + block <= x.size(); from += block) {
    float peak = 0.0f;
    for (size_t i = from; i < from + block; ++i) peak = std::max(peak, std::fabs(x[i]));
    peaks.push_back(peak);
  }
  return peaks;
}

}  // namespace brelix::testing
