// Measures of a sound as a listener hears it: level, peak and brightness (the spectral centroid
// of its averaged spectrum). For tests that check what a patch sounds like.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace brelix::testing {

// In-place radix-2 FFT; the size must be a power of two.
inline void Fft(std::vector<std::complex<double>>& x) {
  const size_t n = x.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(x[i], x[j]);
  }
  for (size_t length = 2; length <= n; length <<= 1) {
    const std::complex<double> step = std::polar(1.0, -2.0 * std::numbers::pi / static_cast<double>(length));
    for (size_t start = 0; start < n; start += length) {
      std::complex<double> w = 1.0;
      for (size_t k = 0; k < length / 2; ++k, w *= step) {
        const std::complex<double> a = x[start + k], b = x[start + k + length / 2] * w;
        x[start + k] = a + b;
        x[start + k + length / 2] = a - b;
      }
    }
  }
}

// The magnitude spectrum averaged over Hann-windowed frames of 4096 samples, half overlapped.
inline std::vector<double> AverageSpectrum(const std::vector<float>& signal) {
  constexpr size_t kFrame = 4096;
  std::vector<double> sum(kFrame / 2, 0.0);
  for (size_t start = 0; start + kFrame <= signal.size(); start += kFrame / 2) {
    std::vector<std::complex<double>> x(kFrame);
    for (size_t i = 0; i < kFrame; ++i) {
      const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / kFrame);
      x[i] = hann * signal[start + i];
    }
    Fft(x);
    for (size_t k = 0; k < kFrame / 2; ++k) sum[k] += std::abs(x[k]);
  }
  return sum;
}

// The spectral centroid in Hz: the magnitude-weighted mean frequency.
inline double SpectralCentroid(const std::vector<float>& signal, double rate) {
  const std::vector<double> spectrum = AverageSpectrum(signal);
  const double bin = rate / (2.0 * static_cast<double>(spectrum.size()));
  double weighted = 0.0, total = 0.0;
  for (size_t k = 1; k < spectrum.size(); ++k) {
    weighted += static_cast<double>(k) * bin * spectrum[k];
    total += spectrum[k];
  }
  return total > 0.0 ? weighted / total : 0.0;
}

inline double RmsDb(const std::vector<float>& signal) {
  double sum = 0.0;
  for (float s : signal) sum += static_cast<double>(s) * s;
  return 10.0 * std::log10(sum / static_cast<double>(std::max<size_t>(signal.size(), 1)));
}

inline double PeakDb(const std::vector<float>& signal) {
  float peak = 0.0f;
  for (float s : signal) peak = std::max(peak, std::fabs(s));
  return 20.0 * std::log10(peak);
}

}  // namespace brelix::testing
