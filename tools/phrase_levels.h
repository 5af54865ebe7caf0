// A spectrogram of a sound: its level in dB on a grid of columns in time and rows at
// log-spaced frequencies, each cell a Hann-windowed single-frequency transform of the window
// around the column's time.
#pragma once

#include <cstddef>
#include <vector>

namespace brelix {

// The frequencies the rows span, on a logarithmic scale.
inline constexpr double kSpectrogramLowHz = 40.0, kSpectrogramHighHz = 16000.0;

struct Spectrogram {
  int Columns = 0, Rows = 0;
  double Seconds = 0;          // the sound's length, which the columns span
  std::vector<double> Levels;  // dB, row after row, row 0 the highest frequency

  double Level(int column, int row) const { return Levels[static_cast<std::size_t>(row) * Columns + column]; }
};

Spectrogram SpectrogramOf(const std::vector<float>& sound, double sampleRate, int columns, int rows);

// Where `hz` lies on the frequency axis, from 0 at the top (the highest frequency) to `rows` at the
// bottom (the lowest); a row's cell covers [row, row + 1).
double SpectrogramRowPosition(double hz, int rows);

}  // namespace brelix
