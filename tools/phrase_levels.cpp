#include "phrase_levels.h"

#include <cmath>
#include <numbers>

namespace brelix {

namespace {

constexpr int kWindow = 2048;

// The row's frequency: the middle of its cell on the log scale.
double RowHz(int row, int rows) {
  return kSpectrogramLowHz * std::pow(kSpectrogramHighHz / kSpectrogramLowHz, 1.0 - (row + 0.5) / rows);
}

// The Hann window times the row frequency's cosine and sine, as (cos, sin) pairs: built once per
// row, so that each cell is only a sum of products.
std::vector<double> WindowedWave(double hz, double sampleRate) {
  std::vector<double> wave(2 * kWindow);
  const double step = 2.0 * std::numbers::pi * hz / sampleRate;
  for (int i = 0; i < kWindow; ++i) {
    const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / kWindow);
    wave[2 * i] = hann * std::cos(step * i);
    wave[2 * i + 1] = hann * std::sin(step * i);
  }
  return wave;
}

}  // namespace

Spectrogram SpectrogramOf(const std::vector<float>& sound, double sampleRate, int columns, int rows) {
  Spectrogram result{columns, rows, static_cast<double>(sound.size()) / sampleRate,
                     std::vector<double>(static_cast<size_t>(columns) * rows)};
  // The sound with a half window of silence on either side, so that every window lies inside.
  std::vector<double> padded(sound.size() + kWindow, 0.0);
  for (size_t i = 0; i < sound.size(); ++i) padded[i + kWindow / 2] = sound[i];
  for (int row = 0; row < rows; ++row) {
    const std::vector<double> wave = WindowedWave(RowHz(row, rows), sampleRate);
    for (int column = 0; column < columns; ++column) {
      // The window centred on the column's middle (in the padded sound, it starts there).
      const size_t start = static_cast<size_t>((column + 0.5) * static_cast<double>(sound.size()) / columns);
      double re = 0.0, im = 0.0;
      for (int i = 0; i < kWindow; ++i) {
        re += padded[start + i] * wave[2 * i];
        im += padded[start + i] * wave[2 * i + 1];
      }
      result.Levels[static_cast<size_t>(row) * columns + column] = 10.0 * std::log10(re * re + im * im + 1e-30);
    }
  }
  return result;
}

double SpectrogramRowPosition(double hz, int rows) {
  return rows * (1.0 - std::log(hz / kSpectrogramLowHz) / std::log(kSpectrogramHighHz / kSpectrogramLowHz));
}

}  // namespace brelix
