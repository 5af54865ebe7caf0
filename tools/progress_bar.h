// A one-line progress bar on standard error for long renders. It appears only when standard
// error is a terminal and the work has already taken a second, so short renders and logs stay
// clean.
#pragma once

#include <chrono>
#include <cstdint>

namespace brelix {

class ProgressBar {
 public:
  // `total` units of work (frames); `enabled` false makes every call do nothing.
  ProgressBar(int64_t total, bool enabled);
  ~ProgressBar();  // clears the line if Finish was not called

  void Advance(int64_t units);
  // Removes the bar from the terminal.
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;

  void Draw();

  int64_t total_;
  int64_t done_ = 0;
  bool enabled_;
  bool shown_ = false;
  Clock::time_point start_;
  Clock::time_point lastDraw_;
};

}  // namespace brelix
