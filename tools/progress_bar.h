// A one-line progress bar on standard error for long renders, with the time left. It appears
// only when standard error is a terminal and the work has already taken a second, so short
// renders and logs stay clean, and it redraws at most four times a second, and only when its
// text changes. Work beyond the
// planned total (an automatic tail) is shown as seconds of tail.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace brelix {

class ProgressBar {
 public:
  using Clock = std::chrono::steady_clock;

  // `total` frames at `rate` frames per second; `enabled` false makes every call do nothing.
  // The bar goes to `out`, and the time comes from `now` (both replaceable for tests).
  ProgressBar(int64_t total, double rate, bool enabled, std::FILE* out = stderr,
              std::function<Clock::time_point()> now = Clock::now);
  ~ProgressBar();  // clears the line if Finish was not called

  void Advance(int64_t units);
  // Removes the bar from the terminal.
  void Finish();

  // The text of the bar after `done` of `total` frames in `elapsed` time.
  static std::string Text(int64_t done, int64_t total, double rate, Clock::duration elapsed);

 private:
  int64_t total_;
  double rate_;
  int64_t done_ = 0;
  bool enabled_;
  bool shown_ = false;
  std::FILE* out_;
  std::function<Clock::time_point()> now_;
  Clock::time_point start_;
  Clock::time_point lastDraw_;
  std::string lastText_;
};

}  // namespace brelix
