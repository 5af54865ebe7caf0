// The render schedule: events at their exact frames, blocks in between, the tail.
#include <gtest/gtest.h>

#include <string>

#include "render_schedule.h"

namespace brelix::tools {
namespace {

TEST(RenderSchedule, DeliversEachEventAtItsFrameAndSplitsBlocksThere) {
  const std::vector<TimedMessage> messages = {
      {0.0, {0x90, 60, 100}}, {0.0, {0x90, 64, 100}}, {100.0 / 1000.0, {0x80, 60, 0}}, {0.25, {0x80, 64, 0}}};
  std::vector<std::string> calls;
  RenderSink sink;
  sink.deliver = [&](const std::vector<std::array<uint8_t, 3>>& due) { calls.push_back("midi " + std::to_string(due.size())); };
  sink.process = [&](int32_t frames) { calls.push_back(std::to_string(frames)); };
  // 1000 Hz: events at frames 0, 0, 100, 250; block 64; tail 0.1 s = 100 frames -> 350 in all.
  RunSchedule(messages, 1000.0, 64, 0.1, sink);
  const std::vector<std::string> expected = {"midi 2", "64", "36", "midi 1", "64", "64", "22", "midi 1", "64", "36"};
  EXPECT_EQ(calls, expected);
  EXPECT_EQ(RenderLength(messages, 1000.0, 0.1), 350);
}

TEST(RenderSchedule, NoEventsRendersTheTailOnly) {
  int64_t frames = 0;
  RenderSink sink;
  sink.deliver = [](const std::vector<std::array<uint8_t, 3>>&) { FAIL(); };
  sink.process = [&](int32_t n) { frames += n; };
  RunSchedule({}, 44100.0, 512, 1.0, sink);
  EXPECT_EQ(frames, 44100);
}

}  // namespace
}  // namespace brelix::tools
