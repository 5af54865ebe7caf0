#include "patch/wav_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/sample_memory.h"

namespace brelix {

namespace {

constexpr int64_t kHeaderSize = 44;
constexpr size_t kReadBlock = 64 * 1024;  // bytes read at a time
constexpr int kGuardsBefore = 2;
constexpr int kGuardsAfter = 3;

// An open file descriptor, closed with its owner.
class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

// Reads exactly `count` bytes at `offset`; false on an error or when the file ends first.
bool ReadAt(int fd, uint8_t* buffer, size_t count, int64_t offset) {
  while (count > 0) {
    const ssize_t got = ::pread(fd, buffer, count, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    buffer += got;
    count -= static_cast<size_t>(got);
    offset += got;
  }
  return true;
}

uint32_t U32(const uint8_t* b) {
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}
int32_t I32(const uint8_t* b) { return static_cast<int32_t>(U32(b)); }
int16_t I16(const uint8_t* b) { return static_cast<int16_t>(uint16_t{b[0]} | uint16_t{b[1]} << 8); }
uint16_t U16(const uint8_t* b) { return static_cast<uint16_t>(uint16_t{b[0]} | uint16_t{b[1]} << 8); }

// How the bytes of one sample become a single.
enum class Encoding { Silence, Unsigned8, Signed16, Signed24, Signed32, Float32, Float64 };

Encoding EncodingOf(uint16_t tag, int bytes) {
  if (tag == 1) {
    switch (bytes) {
      case 1: return Encoding::Unsigned8;
      case 2: return Encoding::Signed16;
      case 3: return Encoding::Signed24;
      case 4: return Encoding::Signed32;
      default: return Encoding::Silence;
    }
  }
  if (tag == 3) {
    if (bytes == 8) return Encoding::Float64;
    // Wider float samples: their first four bytes. Narrower ones hold no single at all.
    return bytes >= 4 ? Encoding::Float32 : Encoding::Silence;
  }
  return Encoding::Silence;
}

// The integer scalings are divisions in double precision, rounded once to single.
float Convert(Encoding encoding, const uint8_t* b) {
  switch (encoding) {
    case Encoding::Unsigned8:
      return static_cast<float>((static_cast<int>(b[0]) - 128) / 127.0);
    case Encoding::Signed16:
      return static_cast<float>(I16(b) / 32767.0);
    case Encoding::Signed24: {
      // Assembled in the top three bytes, so that the shift back extends the sign of the third.
      const int32_t value = static_cast<int32_t>(uint32_t{b[0]} << 8 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 24) >> 8;
      return static_cast<float>(value / 8388607.0);
    }
    case Encoding::Signed32:
      return static_cast<float>(I32(b) / 2147483647.0);
    case Encoding::Float32: {
      float value;
      std::memcpy(&value, b, 4);
      return std::isfinite(value) ? value : 0.0f;
    }
    case Encoding::Float64: {
      double value;
      std::memcpy(&value, b, 8);
      const float single = static_cast<float>(value);
      return std::isfinite(single) ? single : 0.0f;
    }
    case Encoding::Silence:
      break;
  }
  return 0.0f;
}

// Bytes of one sample that Convert reads.
int BytesRead(Encoding encoding) {
  switch (encoding) {
    case Encoding::Unsigned8: return 1;
    case Encoding::Signed16: return 2;
    case Encoding::Signed24: return 3;
    case Encoding::Signed32:
    case Encoding::Float32: return 4;
    case Encoding::Float64: return 8;
    case Encoding::Silence: break;
  }
  return 0;
}

// Frames per read: as many whole frames as fit a block, or one frame's sample where frames are
// wider than a block.
int64_t FramesPerRead(int64_t frame_bytes) {
  return frame_bytes > static_cast<int64_t>(kReadBlock) ? 0 : static_cast<int64_t>(kReadBlock) / frame_bytes;
}

// The frames of one channel into frames[0..count-1]; `block` holds FramesPerRead frames.
bool ConvertChannel(int fd, Encoding encoding, int64_t count, int64_t frame_bytes, int64_t channel_offset,
                    std::vector<uint8_t>& block, float* frames) {
  if (encoding == Encoding::Silence) return true;
  const int64_t sample_bytes = BytesRead(encoding);
  uint8_t sample[8] = {};
  const int64_t per_block = FramesPerRead(frame_bytes);
  if (per_block == 0) {
    for (int64_t f = 0; f < count; ++f) {
      if (!ReadAt(fd, sample, static_cast<size_t>(sample_bytes), kHeaderSize + f * frame_bytes + channel_offset))
        return false;
      frames[f] = Convert(encoding, sample);
    }
    return true;
  }
  for (int64_t first = 0; first < count; first += per_block) {
    const int64_t n = std::min(per_block, count - first);
    if (!ReadAt(fd, block.data(), static_cast<size_t>(n * frame_bytes), kHeaderSize + first * frame_bytes))
      return false;
    for (int64_t f = 0; f < n; ++f) {
      std::memcpy(sample, block.data() + f * frame_bytes + channel_offset, static_cast<size_t>(sample_bytes));
      frames[first + f] = Convert(encoding, sample);
    }
  }
  return true;
}

// Guard copies around frames[0..count-1]: frames n-2 and n-1 before, frames 0, 1 and 2 after,
// each index taken around the sample's length.
void WriteGuards(float* frames, int64_t count) {
  const auto frame = [&](int64_t i) { return frames[((i % count) + count) % count]; };
  for (int k = 1; k <= kGuardsBefore; ++k) frames[-k] = frame(count - k);
  for (int k = 0; k < kGuardsAfter; ++k) frames[count + k] = frame(k);
}

WavLaneData Read(const std::string& file_name, bool second_channel, int64_t frames_left) {
  WavLaneData result;
  // Not blocking: a pipe given as the name must not wait for a writer.
  FileHandle file(::open(file_name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (file.fd() < 0) return result;
  struct stat info{};
  if (::fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode)) return result;
  const int64_t file_size = info.st_size;

  uint8_t header[kHeaderSize];
  if (file_size < kHeaderSize || !ReadAt(file.fd(), header, sizeof header, 0)) return result;
  if (std::memcmp(header, "RIFF", 4) != 0) return result;
  if (std::memcmp(header + 8, "WAVEfmt ", 8) != 0) return result;
  if (std::memcmp(header + 36, "data", 4) != 0) return result;
  const uint16_t tag = U16(header + 20);
  if ((tag & 1) == 0) return result;
  const int channels = I16(header + 22);
  if (channels < 1) return result;
  const int32_t rate = I32(header + 24);
  if (rate < 1) return result;
  result.rate = rate;
  const int bits = I16(header + 34);
  if (bits < 8) return result;
  const int32_t data_size = I32(header + 40);
  if (data_size < 1) return result;

  const int bytes = bits / 8;
  const int64_t frame_bytes = int64_t{channels} * bytes;
  const int64_t frames = data_size / frame_bytes;
  // No frame at all, less data in the file than the header claims, or more than a lane takes.
  if (frames < 1 || file_size - kHeaderSize < frames * frame_bytes) return result;
  if (frames > std::min(kMaxSampleFrames, frames_left)) {
    result.too_long = true;
    return result;
  }

  std::vector<uint8_t> block(static_cast<size_t>(FramesPerRead(frame_bytes) * frame_bytes));
  float* memory = SampleMemoryAllocate(static_cast<size_t>(frames + kGuardsBefore + kGuardsAfter));
  if (memory == nullptr) return result;
  float* const data = memory + kGuardsBefore;
  const int channel = (second_channel && channels >= 2) ? 1 : 0;
  if (!ConvertChannel(file.fd(), EncodingOf(tag, bytes), frames, frame_bytes, int64_t{channel} * bytes, block,
                      data)) {
    SampleMemoryRelease(memory);
    return result;
  }
  WriteGuards(data, frames);
  SampleSource source = SampleFileVersion(info);
  source.Channels = channels;
  source.Channel = channel;
  source.Rate = rate;
  source.Frames = frames;
  SampleMemorySetSource(memory, source);
  result.memory = memory;
  result.frames = frames;
  return result;
}

}  // namespace

WavLaneData ReadWavLane(const std::string& file_name, bool second_channel, int64_t frames_left) {
  try {
    return Read(file_name, second_channel, frames_left);
  } catch (...) {
    // Only the read block can fail to be had, before the lane's memory is taken.
    return WavLaneData{};
  }
}

}  // namespace brelix
