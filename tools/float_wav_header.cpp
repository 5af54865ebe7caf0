#include "float_wav_header.h"

#include <cstring>

namespace brelix {

namespace {

constexpr int kChannels = 2;
constexpr int kBytesPerSample = 4;
constexpr uint16_t kIeeeFloat = 3;
constexpr uint32_t kFmtSize = 18;   // the plain format fields and cbSize
constexpr uint32_t kFactSize = 4;
constexpr uint32_t kPeakSize = 8 + kChannels * 8;
constexpr uint32_t kDs64Size = 28;  // RIFF size, data size, frames (64 bits each), table length
// In an RF64 file the 32-bit sizes say "look in ds64".
constexpr uint32_t kSizeInDs64 = 0xFFFFFFFF;

class Bytes {
 public:
  void Tag(const char* tag) { bytes_.insert(bytes_.end(), tag, tag + 4); }
  void U16(uint16_t value) { Little(value, 2); }
  void U32(uint32_t value) { Little(value, 4); }
  void U64(uint64_t value) { Little(value, 8); }
  void F32(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    U32(bits);
  }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  void Little(uint64_t value, int count) {
    for (int i = 0; i < count; ++i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  std::vector<uint8_t> bytes_;
};

}  // namespace

int64_t FloatWavHeaderSize(bool rf64) {
  const int64_t chunks = (8 + kFmtSize) + (8 + kFactSize) + (8 + kPeakSize) + 8;
  return 12 + (rf64 ? 8 + kDs64Size : 0) + chunks;
}

std::vector<uint8_t> FloatWavHeader(const FloatWavFacts& facts) {
  const uint64_t dataBytes = static_cast<uint64_t>(facts.Frames) * kChannels * kBytesPerSample;
  const uint64_t riffBytes = static_cast<uint64_t>(FloatWavHeaderSize(facts.Rf64)) - 8 + dataBytes;
  Bytes b;
  b.Tag(facts.Rf64 ? "RF64" : "RIFF");
  b.U32(facts.Rf64 ? kSizeInDs64 : static_cast<uint32_t>(riffBytes));
  b.Tag("WAVE");
  if (facts.Rf64) {
    b.Tag("ds64");
    b.U32(kDs64Size);
    b.U64(riffBytes);
    b.U64(dataBytes);
    b.U64(static_cast<uint64_t>(facts.Frames));
    b.U32(0);  // no table of other chunk sizes
  }
  b.Tag("fmt ");
  b.U32(kFmtSize);
  b.U16(kIeeeFloat);
  b.U16(kChannels);
  b.U32(static_cast<uint32_t>(facts.SampleRate));
  b.U32(static_cast<uint32_t>(facts.SampleRate) * kChannels * kBytesPerSample);
  b.U16(kChannels * kBytesPerSample);
  b.U16(8 * kBytesPerSample);
  b.U16(0);  // cbSize: no more format fields
  b.Tag("fact");
  b.U32(kFactSize);
  b.U32(facts.Rf64 ? kSizeInDs64 : static_cast<uint32_t>(facts.Frames));
  b.Tag("PEAK");
  b.U32(kPeakSize);
  b.U32(1);  // the chunk's version
  b.U32(facts.Timestamp);
  for (const FloatWavFacts::Peak& peak : facts.Peaks) {
    b.F32(peak.Value);
    b.U32(peak.Frame);
  }
  b.Tag("data");
  b.U32(facts.Rf64 ? kSizeInDs64 : static_cast<uint32_t>(dataBytes));
  return b.Take();
}

}  // namespace brelix
