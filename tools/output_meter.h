// What brelix-render measures of the audio as it is rendered: the peak, the samples beyond full
// scale, and how long the output has been quiet, which ends an automatic tail.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brelix {

// -90 dBFS: below the smallest step of a 16-bit file.
inline constexpr double kQuietDecibels = -90.0;

class OutputMeter {
 public:
  void Add(const float* left, const float* right, size_t frames);

  float Peak() const { return peak_; }  // the largest magnitude so far; 0 for silence
  int64_t Frames() const { return frames_; }
  // The last frames in which both channels stayed below kQuietDecibels; a sample that is not a
  // number is not quiet.
  int64_t QuietFrames() const { return quietFrames_; }
  // Samples whose magnitude is above 1.0 (0 dBFS).
  int64_t SamplesAboveFullScale() const { return aboveFullScale_; }

 private:
  float peak_ = 0.0f;
  int64_t frames_ = 0;
  int64_t quietFrames_ = 0;
  int64_t aboveFullScale_ = 0;
};

// 20 log10(amplitude); minus infinity for 0.
double Decibels(double amplitude);

}  // namespace brelix
