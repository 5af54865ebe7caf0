#include "wav_output.h"

#include <sndfile.h>

#include <vector>

namespace brelix::tools {

WavOutput::WavOutput(const std::string& path, int sample_rate, int bits) : path_(path) {
  SF_INFO info{};
  info.samplerate = sample_rate;
  info.channels = 2;
  switch (bits) {
    case 16: info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16; break;
    case 24: info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24; break;
    case 32: info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT; break;
    default: throw WavError("unsupported bit depth " + std::to_string(bits) + " (16, 24 or 32)");
  }
  file_ = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file_ == nullptr) throw WavError("cannot write " + path + ": " + sf_strerror(nullptr));
  // Float input is clipped, not wrapped, when it goes into integer samples.
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

WavOutput::~WavOutput() {
  if (file_ != nullptr) sf_close(file_);
}

void WavOutput::Write(const float* left, const float* right, int32_t frames) {
  std::vector<float> interleaved(static_cast<size_t>(frames) * 2);
  for (int32_t i = 0; i < frames; ++i) {
    interleaved[2 * i] = left[i];
    interleaved[2 * i + 1] = right[i];
  }
  if (sf_writef_float(file_, interleaved.data(), frames) != frames)
    throw WavError("writing " + path_ + " failed: " + sf_strerror(file_));
}

void WavOutput::Close() {
  if (file_ == nullptr) return;
  const int result = sf_close(file_);
  file_ = nullptr;
  if (result != 0) throw WavError("closing " + path_ + " failed");
}

}  // namespace brelix::tools
