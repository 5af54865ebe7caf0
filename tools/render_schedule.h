// Turns timed MIDI into the process calls of a render: every message is delivered at its exact
// frame, the audio between messages goes in blocks of at most the block size, and the render ends
// a tail after the last message.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "midi_file.h"

namespace brelix::tools {

struct RenderSink {
  std::function<void(const std::vector<std::array<uint8_t, 3>>&)> deliver;  // all messages of one frame
  std::function<void(int32_t frames)> process;
};

// Total frames rendered: the last message's frame plus the tail.
int64_t RenderLength(const std::vector<TimedMessage>& messages, double rate, double tail_seconds);

// Delivers and processes the whole render; `progress` (may be empty) gets frames done and total.
void RunSchedule(const std::vector<TimedMessage>& messages, double rate, int32_t block, double tail_seconds,
                 const RenderSink& sink, const std::function<void(int64_t, int64_t)>& progress = {});

}  // namespace brelix::tools
