#include "progress_bar.h"

#include <algorithm>
#include <cmath>

namespace brelix {

namespace {

constexpr auto kQuietTime = std::chrono::seconds(1);  // no bar for renders shorter than this
constexpr auto kRedrawTime = std::chrono::milliseconds(250);
constexpr int kBarWidth = 40;
constexpr int kLineWidth = kBarWidth + 30;  // the bar and the longest text after it

std::string MinutesAndSeconds(double seconds) {
  const long whole = std::lround(std::max(seconds, 0.0));
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

}  // namespace

ProgressBar::ProgressBar(int64_t total, double rate, bool enabled, std::FILE* out,
                         std::function<Clock::time_point()> now)
    : total_(std::max<int64_t>(total, 1)), rate_(rate), enabled_(enabled), out_(out), now_(std::move(now)),
      start_(now_()) {}

ProgressBar::~ProgressBar() { Finish(); }

std::string ProgressBar::Text(int64_t done, int64_t total, double rate, Clock::duration elapsed) {
  const double fraction = std::min(static_cast<double>(done) / static_cast<double>(std::max<int64_t>(total, 1)), 1.0);
  const int filled = static_cast<int>(fraction * kBarWidth);
  std::string text = "[" + std::string(static_cast<size_t>(filled), '#') +
                     std::string(static_cast<size_t>(kBarWidth - filled), '-') + "] ";
  char figures[64];
  if (done < total) {
    // The rest at the speed so far.
    const double seconds = std::chrono::duration<double>(elapsed).count();
    const double left = done > 0 ? seconds * static_cast<double>(total - done) / static_cast<double>(done) : 0.0;
    std::snprintf(figures, sizeof figures, "%3d%%  %s left", static_cast<int>(fraction * 100.0),
                  MinutesAndSeconds(left).c_str());
  } else {
    std::snprintf(figures, sizeof figures, "100%%  tail %.1f s", static_cast<double>(done - total) / rate);
  }
  return text + figures;
}

void ProgressBar::Advance(int64_t units) {
  if (!enabled_) return;
  done_ += units;
  const Clock::time_point now = now_();
  if (now - start_ < kQuietTime || (shown_ && now - lastDraw_ < kRedrawTime)) return;
  lastDraw_ = now;
  std::string text = Text(done_, total_, rate_, now - start_);
  if (shown_ && text == lastText_) return;
  std::fprintf(out_, "\r%-*s", kLineWidth, text.c_str());
  lastText_ = std::move(text);
  std::fflush(out_);
  shown_ = true;
}

void ProgressBar::Finish() {
  if (!shown_) return;
  // Overwrite the bar with blanks and return to the start of the line.
  std::fprintf(out_, "\r%*s\r", kLineWidth, "");
  std::fflush(out_);
  shown_ = false;
}

}  // namespace brelix
