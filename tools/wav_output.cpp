#include "wav_output.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

}  // namespace

WavWriter::WavWriter(const std::string& path, int sampleRate, WavSampleFormat format, int64_t plannedFrames)
    : path_(path) {
  if (sampleRate < 1) throw std::invalid_argument("the sample rate must be at least 1 Hz");
  const int64_t frameBytes = 2 * BytesPerSample(format);
  const bool rf64 = plannedFrames > kLargestWavData / frameBytes;
  framesLeft_ = (rf64 ? kLargestRf64Data : kLargestWavData) / frameBytes;
  const auto fail = [&](const std::string& reason) {
    return WavOutputError("cannot create WAV file '" + path + "': " + reason);
  };
  struct stat target {};
  if (stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) throw fail("it is a folder");

  std::string pattern = path + ".partial-XXXXXX";
  const int fd = mkstemp(pattern.data());
  if (fd < 0) throw fail(std::strerror(errno));
  temporaryPath_ = pattern;
  fchmod(fd, NewFileMode());

  SF_INFO info{};
  info.samplerate = sampleRate;
  info.channels = 2;
  info.format = (rf64 ? SF_FORMAT_RF64 : SF_FORMAT_WAV) | SubFormat(format);
  file_ = sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE);
  if (file_ == nullptr) {
    const std::string reason = sf_strerror(nullptr);  // libsndfile has closed the descriptor
    Discard();
    throw fail(reason);
  }
  // PCM output clips at full scale (libsndfile otherwise wraps values beyond it around).
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  interleaved_.resize(2 * kInterleaveFrames);
}

WavWriter::~WavWriter() { Discard(); }

void WavWriter::Discard() {
  if (file_ != nullptr) sf_close(file_);
  file_ = nullptr;
  if (!temporaryPath_.empty()) std::remove(temporaryPath_.c_str());
  temporaryPath_.clear();
}

void WavWriter::Write(const float* left, const float* right, size_t frames) {
  if (file_ == nullptr) throw WavOutputError("WAV file '" + path_ + "' is already closed");
  if (static_cast<int64_t>(frames) > framesLeft_) {
    throw WavOutputError("cannot write WAV file '" + path_ + "': the audio outgrows the 4 GiB of a WAV file");
  }
  framesLeft_ -= static_cast<int64_t>(frames);
  while (frames > 0) {
    const size_t count = std::min(frames, kInterleaveFrames);
    for (size_t i = 0; i < count; ++i) {
      interleaved_[2 * i] = left[i];
      interleaved_[2 * i + 1] = right[i];
    }
    if (sf_writef_float(file_, interleaved_.data(), static_cast<sf_count_t>(count)) !=
        static_cast<sf_count_t>(count)) {
      throw WavOutputError("cannot write WAV file '" + path_ + "': " + sf_strerror(file_));
    }
    left += count;
    right += count;
    frames -= count;
  }
}

void WavWriter::Close() {
  if (file_ == nullptr) return;
  // Closing writes the final sizes into the header.
  const int result = sf_close(file_);
  file_ = nullptr;
  if (result != SF_ERR_NO_ERROR) {
    Discard();
    throw WavOutputError("cannot finish WAV file '" + path_ + "': " + sf_error_number(result));
  }
  if (std::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
    const std::string reason = std::strerror(errno);
    Discard();
    throw WavOutputError("cannot finish WAV file '" + path_ + "': " + reason);
  }
  temporaryPath_.clear();
}

}  // namespace brelix
