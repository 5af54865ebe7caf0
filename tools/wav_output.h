// A stereo WAV file written with libsndfile: 32-bit float, or 16/24-bit PCM.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

typedef struct sf_private_tag SNDFILE;

namespace brelix::tools {

class WavError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class WavOutput {
 public:
  // bits: 16, 24 or 32 (float). Throws WavError when the file cannot be created.
  WavOutput(const std::string& path, int sample_rate, int bits);
  ~WavOutput();
  WavOutput(const WavOutput&) = delete;
  WavOutput& operator=(const WavOutput&) = delete;

  // Interleaves and appends `frames` frames; throws WavError when the write fails.
  void Write(const float* left, const float* right, int32_t frames);
  // Flushes and closes; throws WavError when that fails.
  void Close();

 private:
  std::string path_;
  SNDFILE* file_ = nullptr;
};

}  // namespace brelix::tools
