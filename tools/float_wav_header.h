// The header of a stereo 32-bit float WAV file as brelix-render writes it, built by us rather
// than by libsndfile: readers such as sox expect a float file's format chunk in its extended
// form (18 bytes, the extension's size cbSize 0) and a "fact" chunk with the frame count, which
// libsndfile leaves out. A PEAK chunk (peak value and frame of each channel, with a time stamp)
// follows, as libsndfile writes it. Files beyond 4 GiB are RF64, their sizes in a "ds64" chunk.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace brelix {

struct FloatWavFacts {
  int SampleRate = 44100;
  int64_t Frames = 0;  // stereo frames in the data chunk
  bool Rf64 = false;
  uint32_t Timestamp = 0;  // of the PEAK chunk, seconds since 1970
  struct Peak {
    float Value = 0.0f;     // the largest magnitude
    uint32_t Frame = 0;     // where it first occurs
  };
  std::array<Peak, 2> Peaks{};
};

// Bytes before the samples; the same for every file of one kind (WAV or RF64).
int64_t FloatWavHeaderSize(bool rf64);

// The header for `facts`, FloatWavHeaderSize(facts.Rf64) bytes long, ending with the data
// chunk's header.
std::vector<uint8_t> FloatWavHeader(const FloatWavFacts& facts);

}  // namespace brelix
