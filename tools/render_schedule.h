// Turns a timed list of MIDI messages into the calls a host makes on an instrument: the
// messages of one frame are delivered together, just before the process call that starts at
// that frame, and the frames between events are processed in blocks of at most the block
// size. The plug-in applies a delivered list at once, before its next process call, so
// splitting the blocks at event frames puts every event on its exact sample.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "midi_file.h"

namespace brelix {

// What the schedule drives: the plug-in instance in brelix-render, a recording fake in tests.
class RenderTarget {
 public:
  virtual ~RenderTarget() = default;
  // The messages that take effect before the next Process call, in order. Never empty.
  virtual void Deliver(std::span<const MidiMessage> messages) = 0;
  // Renders the next `frames` frames (1 to the block size) and passes them on.
  virtual void Process(int frames) = 0;
};

struct RenderSettings {
  double SampleRate = 44100.0;  // frames per second, > 0
  int BlockSize = 512;          // the most frames of one Process call, >= 1
  double TailSeconds = 2.0;     // rendered after the last event, >= 0
};

// The frame an event at `seconds` lands on: round(seconds x rate), never below 0 (NaN: 0).
int64_t EventFrame(double seconds, double sampleRate);

// Frames in the whole render: the last event's frame plus the tail (just the tail without
// events). Throws std::invalid_argument for settings outside the ranges above.
int64_t RenderLength(std::span<const TimedMidiEvent> events, const RenderSettings& settings);

// Drives `target` through the whole render. Events are expected in time order; one that is
// earlier than its predecessor is delivered at the current frame. Throws
// std::invalid_argument for invalid settings; whatever the target throws passes through.
void RunRenderSchedule(std::span<const TimedMidiEvent> events, const RenderSettings& settings,
                       RenderTarget& target);

}  // namespace brelix
