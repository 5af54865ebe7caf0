// A mono 16-bit WAV file holding a sine, for tests that load samples.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace brelix::testing {

// `frames` frames of a sine of `hz` at 44.1 kHz, amplitude 20000 of 32767; returns the file name.
inline std::string WriteSineWav(const std::filesystem::path& path, double hz = 441.0, int frames = 44100) {
  std::vector<int16_t> data(frames);
  for (int i = 0; i < frames; ++i) data[i] = static_cast<int16_t>(20000 * std::sin(2 * M_PI * hz * i / 44100.0));
  const uint32_t bytes = static_cast<uint32_t>(frames) * 2;
  uint8_t header[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0};
  const uint32_t rate = 44100, byte_rate = 88200, data_size = bytes, riff = 36 + bytes;
  std::memcpy(header + 4, &riff, 4);
  std::memcpy(header + 24, &rate, 4);
  std::memcpy(header + 28, &byte_rate, 4);
  header[32] = 2;
  header[34] = 16;
  std::memcpy(header + 36, "data", 4);
  std::memcpy(header + 40, &data_size, 4);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header), 44);
  out.write(reinterpret_cast<const char*>(data.data()), bytes);
  return path.string();
}

}  // namespace brelix::testing
