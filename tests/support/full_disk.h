// A disk that takes no more than a few bytes, as a full one does, for as long as the object lives
// (for root too): every write of a file fails with "File too large" and leaves the file as it was.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace brelix::testing {

class FullDisk {
 public:
  FullDisk() : signal_(std::signal(SIGXFSZ, SIG_IGN)) {
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit full = old_;
    full.rlim_cur = 16;
    setrlimit(RLIMIT_FSIZE, &full);
  }
  ~FullDisk() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, signal_);
  }
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

 private:
  void (*signal_)(int);
  rlimit old_{};
};

}  // namespace brelix::testing
