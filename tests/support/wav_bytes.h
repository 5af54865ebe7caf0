// WAV files as bytes, for tests of the sample loader and of what loads samples: the canonical
// 44-byte header the loader accepts, with fields a test may spoil, and 16-bit sample data.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace brelix::testing {

inline constexpr int64_t kSizeOfData = -1;  // the header's data size: that of the data given

// The canonical 44-byte header; tests change fields before writing.
struct WavHeader {
  uint16_t tag = 1;
  int16_t channels = 1;
  int32_t rate = 44100;
  int16_t bits = 16;
  int64_t data_size = kSizeOfData;
};

inline void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

inline std::vector<uint8_t> WavBytes(const WavHeader& h, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> b(44);
  std::memcpy(b.data(), "RIFF", 4);
  Put32(b, 4, static_cast<uint32_t>(36 + data.size()));
  std::memcpy(b.data() + 8, "WAVEfmt ", 8);
  Put32(b, 16, 16);
  Put16(b, 20, h.tag);
  Put16(b, 22, static_cast<uint16_t>(h.channels));
  Put32(b, 24, static_cast<uint32_t>(h.rate));
  const uint32_t block = static_cast<uint32_t>(h.channels) * static_cast<uint32_t>(std::max(h.bits / 8, 1));
  Put32(b, 28, static_cast<uint32_t>(h.rate) * block);
  Put16(b, 32, static_cast<uint16_t>(block));
  Put16(b, 34, static_cast<uint16_t>(h.bits));
  std::memcpy(b.data() + 36, "data", 4);
  Put32(b, 40, static_cast<uint32_t>(h.data_size == kSizeOfData ? static_cast<int64_t>(data.size()) : h.data_size));
  b.resize(44 + data.size());
  if (!data.empty()) std::memcpy(b.data() + 44, data.data(), data.size());
  return b;
}

inline std::vector<uint8_t> Int16Data(std::initializer_list<int16_t> values) {
  std::vector<uint8_t> d;
  for (int16_t v : values) {
    d.push_back(static_cast<uint8_t>(v));
    d.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
  }
  return d;
}

}  // namespace brelix::testing
