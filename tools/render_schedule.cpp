#include "render_schedule.h"

#include <algorithm>
#include <cmath>

namespace brelix::tools {

namespace {
int64_t FrameOf(double seconds, double rate) { return std::llround(std::max(seconds, 0.0) * rate); }
}  // namespace

int64_t RenderLength(const std::vector<TimedMessage>& messages, double rate, double tail_seconds) {
  const int64_t last = messages.empty() ? 0 : FrameOf(messages.back().seconds, rate);
  return last + FrameOf(tail_seconds, rate);
}

void RunSchedule(const std::vector<TimedMessage>& messages, double rate, int32_t block, double tail_seconds,
                 const RenderSink& sink, const std::function<void(int64_t, int64_t)>& progress) {
  const int64_t total = RenderLength(messages, rate, tail_seconds);
  int64_t frame = 0;
  size_t next = 0;
  while (frame < total || next < messages.size()) {
    std::vector<std::array<uint8_t, 3>> due;
    while (next < messages.size() && FrameOf(messages[next].seconds, rate) <= frame) due.push_back(messages[next++].bytes);
    if (!due.empty()) sink.deliver(due);
    if (frame >= total) break;
    int64_t until = total;
    if (next < messages.size()) until = std::min(until, FrameOf(messages[next].seconds, rate));
    const int32_t frames = static_cast<int32_t>(std::min<int64_t>(until - frame, block));
    sink.process(frames);
    frame += frames;
    if (progress) progress(frame, total);
  }
}

}  // namespace brelix::tools
