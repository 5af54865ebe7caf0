#include "progress_bar.h"

#include <algorithm>
#include <cstdio>

namespace brelix {

namespace {

constexpr auto kQuietTime = std::chrono::seconds(1);        // no bar for renders shorter than this
constexpr auto kRedrawTime = std::chrono::milliseconds(100);
constexpr int kBarWidth = 40;

}  // namespace

ProgressBar::ProgressBar(int64_t total, bool enabled)
    : total_(std::max<int64_t>(total, 1)), enabled_(enabled), start_(Clock::now()) {}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Advance(int64_t units) {
  if (!enabled_) return;
  done_ = std::min(done_ + units, total_);
  const Clock::time_point now = Clock::now();
  if (now - start_ < kQuietTime || (shown_ && now - lastDraw_ < kRedrawTime)) return;
  lastDraw_ = now;
  Draw();
}

void ProgressBar::Draw() {
  const double fraction = static_cast<double>(done_) / static_cast<double>(total_);
  const int filled = static_cast<int>(fraction * kBarWidth);
  char bar[kBarWidth + 1];
  for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '-';
  bar[kBarWidth] = '\0';
  std::fprintf(stderr, "\r[%s] %3d%%", bar, static_cast<int>(fraction * 100.0));
  std::fflush(stderr);
  shown_ = true;
}

void ProgressBar::Finish() {
  if (!shown_) return;
  // Overwrite the bar with blanks and return to the start of the line.
  std::fprintf(stderr, "\r%*s\r", kBarWidth + 8, "");
  std::fflush(stderr);
  shown_ = false;
}

}  // namespace brelix
