#include "wav_output.h"

#include "base/printable_text.h"
#include "float_wav_header.h"

#include <sndfile.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace brelix {

namespace {

int SubFormat(WavSampleFormat format) {
  switch (format) {
    case WavSampleFormat::Pcm16: return SF_FORMAT_PCM_16;
    case WavSampleFormat::Pcm24: return SF_FORMAT_PCM_24;
    case WavSampleFormat::Float32: break;
  }
  return SF_FORMAT_FLOAT;
}

int BytesPerSample(WavSampleFormat format) {
  return format == WavSampleFormat::Pcm16 ? 2 : format == WavSampleFormat::Pcm24 ? 3 : 4;
}

int PcmBits(WavSampleFormat format) { return 8 * BytesPerSample(format); }

constexpr size_t kInterleaveFrames = 4096;
// The sizes in a WAV header are 32-bit; the rest of the header stays well inside this margin.
constexpr int64_t kLargestWavData = 0xFFFFFFFFll - 0x10000;
constexpr int64_t kLargestRf64Data = int64_t{1} << 62;

// Permissions of a newly created file under the process's umask (mkstemp gives 0600).
mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Writes all of `bytes` at `offset`.
bool WriteAt(int fd, const void* bytes, size_t count, int64_t offset) {
  const auto* at = static_cast<const char*>(bytes);
  while (count > 0) {
    const ssize_t put = pwrite(fd, at, count, static_cast<off_t>(offset));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    at += put;
    count -= static_cast<size_t>(put);
    offset += put;
  }
  return true;
}

// Copies the whole of `from` to `to`, which need not seek.
bool CopyAll(int from, int to) {
  std::vector<char> buffer(1 << 16);
  off_t at = 0;
  while (true) {
    const ssize_t got = pread(from, buffer.data(), buffer.size(), at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    at += got;
    for (ssize_t sent = 0; sent < got;) {
      const ssize_t put = write(to, buffer.data() + sent, static_cast<size_t>(got - sent));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      sent += put;
    }
  }
}

}  // namespace

WavWriter::WavWriter(const std::string& path, int sampleRate, WavSampleFormat format, int64_t plannedFrames)
    : path_(path), target_(path), format_(format) {
  if (sampleRate < 1) throw std::invalid_argument("the sample rate must be at least 1 Hz");
  const int64_t frameBytes = 2 * BytesPerSample(format);
  const bool rf64 = plannedFrames > kLargestWavData / frameBytes;
  framesLeft_ = (rf64 ? kLargestRf64Data : kLargestWavData) / frameBytes;
  const auto fail = [&](const std::string& reason) {
    return WavOutputError("cannot create WAV file '" + PrintableText(path) + "': " + reason);
  };
  int fd = -1;
  if (path == kStandardOutput) {
    // Standard output that is a file, at its start, is written in place, its sizes filled in at
    // the end. A pipe cannot go back to the header (nor may a file appended to): the file is made
    // aside (without a name) and sent whole when it is complete.
    struct stat out {};
    const int flags = fcntl(STDOUT_FILENO, F_GETFL);
    const bool atStart = flags >= 0 && (flags & O_APPEND) == 0 && lseek(STDOUT_FILENO, 0, SEEK_CUR) == 0;
    if (fstat(STDOUT_FILENO, &out) == 0 && S_ISREG(out.st_mode) && atStart) {
      // Opened anew for reading too (a shell opens it write-only), as libsndfile may read back
      // what it wrote.
      fd = open("/proc/self/fd/1", O_RDWR | O_CLOEXEC);
      if (fd < 0) fd = dup(STDOUT_FILENO);
    } else {
      const char* folder = std::getenv("TMPDIR");
      std::string pattern = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/brelix-render-XXXXXX";
      fd = mkstemp(pattern.data());
      if (fd >= 0) unlink(pattern.c_str());
      sendWhole_ = true;
    }
    if (fd < 0) throw fail(std::strerror(errno));
  }
  struct stat target {};
  const bool exists = fd < 0 && stat(path.c_str(), &target) == 0;
  if (exists && S_ISDIR(target.st_mode)) throw fail("it is a folder");
  // A symbolic link keeps pointing at its file, which is the one replaced.
  struct stat link {};
  if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    if (char* resolved = realpath(path.c_str(), nullptr)) {
      target_ = resolved;
      std::free(resolved);
    }
  }

  if (fd < 0) {
    std::string pattern = target_ + ".partial-XXXXXX";
    fd = mkstemp(pattern.data());
    if (fd < 0) throw fail(std::strerror(errno));
    temporaryPath_ = pattern;
    // A file replaced keeps its permissions; a new one gets those of the umask.
    fchmod(fd, exists ? target.st_mode & 07777 : NewFileMode());
  }

  outputFd_ = fd;
  open_ = true;
  sampleRate_ = sampleRate;
  rf64_ = rf64;
  interleaved_.resize(2 * kInterleaveFrames);
  if (format == WavSampleFormat::Float32) {
    // Float files are ours to lay out (float_wav_header.h); the header is final at Close.
    const std::vector<uint8_t> header = FloatWavHeader({.SampleRate = sampleRate, .Rf64 = rf64});
    if (!WriteAt(fd, header.data(), header.size(), 0)) {
      const std::string reason = std::strerror(errno);
      Discard();
      throw fail(reason);
    }
    return;
  }
  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = 2;
  info.format = (rf64 ? SF_FORMAT_RF64 : SF_FORMAT_WAV) | SubFormat(format);
  // The descriptor stays open after libsndfile is done, for the copy.
  const int sndfileFd = dup(fd);
  file_ = sndfileFd < 0 ? nullptr : sf_open_fd(sndfileFd, SFM_WRITE, &info, SF_TRUE);
  if (file_ == nullptr) {
    const std::string reason = sndfileFd < 0 ? std::strerror(errno) : sf_strerror(nullptr);
    Discard();
    throw fail(reason);
  }
  interleavedPcm_.resize(2 * kInterleaveFrames);
}

void WavWriter::EnableDither(uint32_t seed) {
  if (format_ == WavSampleFormat::Float32) throw std::logic_error("dither is for PCM output");
  dither_ = true;
  ditherNoise_.seed(seed);
}

// The sample in steps of the PCM format, rounded to the nearest (halves to even) and clipped to
// the format's range, as the 32-bit word libsndfile takes (the steps in its top bits).
int32_t WavWriter::Quantize(float value) {
  const int bits = PcmBits(format_);
  const double steps = std::ldexp(1.0, bits - 1);
  double x = std::isnan(value) ? 0.0 : static_cast<double>(value) * steps;
  if (dither_) {
    // The difference of two uniform values: triangular, one step either side.
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    x += uniform(ditherNoise_) - uniform(ditherNoise_);
  }
  double rounded = std::nearbyint(x);
  if (rounded > steps - 1.0 || rounded < -steps) {
    rounded = std::clamp(rounded, -steps, steps - 1.0);
    ++clipped_;
  }
  return static_cast<int32_t>(static_cast<int64_t>(rounded) * (int64_t{1} << (32 - bits)));
}

WavWriter::~WavWriter() { Discard(); }

void WavWriter::Discard() {
  if (file_ != nullptr) sf_close(file_);
  file_ = nullptr;
  open_ = false;
  if (outputFd_ >= 0) close(outputFd_);
  outputFd_ = -1;
  if (!temporaryPath_.empty()) std::remove(temporaryPath_.c_str());
  temporaryPath_.clear();
}

void WavWriter::Write(const float* left, const float* right, size_t frames) {
  if (!open_) throw WavOutputError("WAV file '" + PrintableText(path_) + "' is already closed");
  if (static_cast<int64_t>(frames) > framesLeft_) {
    throw WavOutputError("cannot write WAV file '" + PrintableText(path_) + "': the audio outgrows the 4 GiB of a WAV file");
  }
  framesLeft_ -= static_cast<int64_t>(frames);
  while (frames > 0) {
    const size_t count = std::min(frames, kInterleaveFrames);
    if (format_ == WavSampleFormat::Float32) WriteFloat(left, right, count);
    else WritePcm(left, right, count);
    frames_ += static_cast<int64_t>(count);
    left += count;
    right += count;
    frames -= count;
  }
}

// Float samples go out as they are (the machine is little-endian, as the file is); each
// channel's peak is kept for the PEAK chunk: the first frame of the largest magnitude.
void WavWriter::WriteFloat(const float* left, const float* right, size_t count) {
  static_assert(std::endian::native == std::endian::little);
  const float* channels[2] = {left, right};
  for (size_t i = 0; i < count; ++i) {
    for (int c = 0; c < 2; ++c) {
      const float value = channels[c][i];
      interleaved_[2 * i + c] = value;
      if (std::fabs(value) > peaks_[c].Value) peaks_[c] = {std::fabs(value), static_cast<uint32_t>(frames_ + i)};
    }
  }
  const int64_t offset = FloatWavHeaderSize(rf64_) + frames_ * 8;
  if (!WriteAt(outputFd_, interleaved_.data(), count * 8, offset)) {
    throw WavOutputError("cannot write WAV file '" + PrintableText(path_) + "': " + std::strerror(errno));
  }
}

// libsndfile takes the top bits of each 32-bit word as they are, so the rounding here is the
// file's.
void WavWriter::WritePcm(const float* left, const float* right, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    interleavedPcm_[2 * i] = Quantize(left[i]);
    interleavedPcm_[2 * i + 1] = Quantize(right[i]);
  }
  if (sf_writef_int(file_, interleavedPcm_.data(), static_cast<sf_count_t>(count)) != static_cast<sf_count_t>(count)) {
    throw WavOutputError("cannot write WAV file '" + PrintableText(path_) + "': " + sf_strerror(file_));
  }
}

void WavWriter::Truncate(int64_t frames) {
  if (!open_) throw WavOutputError("WAV file '" + PrintableText(path_) + "' is already closed");
  if (frames < 0 || frames >= frames_) return;
  if (file_ == nullptr) {
    if (ftruncate(outputFd_, static_cast<off_t>(FloatWavHeaderSize(rf64_) + frames * 8)) != 0) {
      throw WavOutputError("cannot shorten WAV file '" + PrintableText(path_) + "': " + std::strerror(errno));
    }
  } else {
    sf_count_t length = frames;
    if (sf_command(file_, SFC_FILE_TRUNCATE, &length, sizeof length) != 0) {
      throw WavOutputError("cannot shorten WAV file '" + PrintableText(path_) + "': " + sf_strerror(file_));
    }
  }
  framesLeft_ += frames_ - frames;
  frames_ = frames;
}

void WavWriter::Close() {
  if (!open_) return;
  open_ = false;
  const auto fail = [&](const std::string& reason) {
    Discard();
    return WavOutputError("cannot finish WAV file '" + PrintableText(path_) + "': " + reason);
  };
  if (file_ != nullptr) {
    // Closing writes the final sizes into the header.
    const int result = sf_close(file_);
    file_ = nullptr;
    if (result != SF_ERR_NO_ERROR) throw fail(sf_error_number(result));
  } else {
    const FloatWavFacts facts{.SampleRate = sampleRate_,
                              .Frames = frames_,
                              .Rf64 = rf64_,
                              .Timestamp = timestamp_.value_or(static_cast<uint32_t>(std::time(nullptr))),
                              .Peaks = peaks_};
    const std::vector<uint8_t> header = FloatWavHeader(facts);
    // A file written in place may have been longer before.
    if (!WriteAt(outputFd_, header.data(), header.size(), 0) ||
        ftruncate(outputFd_, static_cast<off_t>(header.size() + frames_ * 8)) != 0) {
      throw fail(std::strerror(errno));
    }
  }
  if (sendWhole_ && !CopyAll(outputFd_, STDOUT_FILENO)) throw fail(std::strerror(errno));
  const int closed = close(outputFd_);
  outputFd_ = -1;
  if (closed != 0) throw fail(std::strerror(errno));
  if (temporaryPath_.empty()) return;
  if (std::rename(temporaryPath_.c_str(), target_.c_str()) != 0) throw fail(std::strerror(errno));
  temporaryPath_.clear();
}

}  // namespace brelix
