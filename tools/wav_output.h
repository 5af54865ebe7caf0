// A stereo WAV file written block by block: 32-bit float by default (its header ours, see
// float_wav_header.h), 16- or 24-bit PCM on request (through libsndfile). A render planned beyond
// the 4 GiB that a plain WAV can hold is written as RF64.
//
// PCM samples are rounded to the nearest step (full scale 1.0 is 2^15 or 2^23 steps), optionally
// after adding triangular dither of one step either side; values beyond the largest step are
// clipped to it and counted.
//
// The data goes to a temporary file next to the target, which replaces the target only when
// Close succeeds: a failed or abandoned render never leaves a half-written file behind and
// never destroys an older file of the same name. The file replaced keeps its permissions, and a
// symbolic link keeps pointing at it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <array>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "float_wav_header.h"

typedef struct sf_private_tag SNDFILE;

namespace brelix {

enum class WavSampleFormat { Float32, Pcm16, Pcm24 };

class WavOutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The name that stands for standard output.
inline constexpr const char* kStandardOutput = "-";

class WavWriter {
 public:
  // Starts the file; `plannedFrames` chooses RF64 over WAV when the data will not fit a WAV.
  // kStandardOutput writes to standard output: in place when it is a file, else (a pipe) the
  // whole file, its sizes filled in, when Close succeeds.
  // Throws WavOutputError naming the file and the reason when it cannot be created (missing or
  // read-only folder, a folder of that name), std::invalid_argument for a sample rate below 1.
  WavWriter(const std::string& path, int sampleRate, WavSampleFormat format, int64_t plannedFrames = 0);
  // Without a successful Close, the temporary file is removed and the target left as it was.
  ~WavWriter();
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  // PCM output only (std::logic_error otherwise): from now on every sample gets triangular
  // dither, drawn from a generator seeded with `seed`, so that the same seed dithers alike.
  void EnableDither(uint32_t seed);

  // Appends `frames` frames of the two channels. PCM output clips at full scale instead of
  // wrapping around. Throws WavOutputError when the data cannot be written (a full disk) or
  // would outgrow a plain WAV file.
  void Write(const float* left, const float* right, size_t frames);

  // Cuts the file back to its first `frames` frames (no effect when it has no more). Throws
  // WavOutputError when that fails.
  void Truncate(int64_t frames);

  // The time stamp of the file's PEAK chunk (float files carry one): the clock's time at Close
  // unless this sets one, seconds since 1970, so that equal renders give equal files.
  void FixTimestamp(uint32_t seconds) { timestamp_ = seconds; }

  // Finishes the header and puts the file in place of the target. Throws WavOutputError when
  // that fails.
  void Close();

  const std::string& Path() const { return path_; }
  WavSampleFormat Format() const { return format_; }
  int64_t Frames() const { return frames_; }
  // PCM samples clipped to full scale so far.
  int64_t ClippedSamples() const { return clipped_; }

 private:
  void Discard();
  void WriteFloat(const float* left, const float* right, size_t count);
  void WritePcm(const float* left, const float* right, size_t count);
  int32_t Quantize(float value);

  std::string path_;
  std::string target_;  // the file replaced: the one a symbolic link at `path_` points at
  std::string temporaryPath_;
  WavSampleFormat format_;
  SNDFILE* file_ = nullptr;  // PCM files: libsndfile writes them
  bool open_ = false;        // until Close or Discard
  int sampleRate_ = 0;
  bool rf64_ = false;
  std::array<FloatWavFacts::Peak, 2> peaks_{};  // float files
  int64_t framesLeft_;  // before the file is full
  int64_t frames_ = 0;
  int64_t clipped_ = 0;
  std::optional<uint32_t> timestamp_;
  int outputFd_ = -1;      // the file written (the temporary file, or standard output's)
  bool sendWhole_ = false; // standard output cannot seek: the file goes there when complete
  bool dither_ = false;
  std::mt19937 ditherNoise_;
  std::vector<float> interleaved_;
  std::vector<int32_t> interleavedPcm_;
};

}  // namespace brelix
