// Turns a timed list of MIDI messages into the calls a host makes on an instrument: the
// messages of one frame are delivered together, just before the process call that starts at
// that frame, and the frames between events are processed in blocks of at most the block
// size. The plug-in applies a delivered list at once, before its next process call, so
// splitting the blocks at event frames puts every event on its exact sample. Blocks are split at
// the song's tempo changes too, since a plug-in asks for the tempo once a block; but not into
// slivers: a block runs at least ShortestTempoBlock frames before a tempo change ends it (a
// change within them is told at the next block's start), so a song of millions of tempo changes
// costs process calls by its length, not by its changes.
//
// After the song's end comes the tail: a fixed time, or, by default, as long as the sound goes
// on: until the output has stayed quiet for a while, at most a set time.
#pragma once

#include <cstdint>
#include <optional>
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
  // How many of the last frames processed have been quiet (all of them when every one was).
  virtual int64_t QuietFrames() const = 0;
};

struct TailRule {
  std::optional<double> FixedSeconds = std::nullopt;  // none: automatic
  double QuietSeconds = 2.0;           // automatic: the quiet that ends the render
  double LongestSeconds = 30.0;        // automatic: the end however loud it still is
};

struct RenderSettings {
  double SampleRate = 44100.0;  // frames per second, > 0
  int BlockSize = 512;          // the most frames of one Process call, >= 1
  TailRule Tail{};              // times >= 0, the quiet > 0
  int ShortestTempoBlock = 32;  // the fewest frames a block runs before a tempo change ends it, >= 1
};

// The frame an event at `seconds` lands on: round(seconds x rate), never below 0 (NaN: 0).
int64_t EventFrame(double seconds, double sampleRate);

// Frames of the song itself: up to its end, and at least up to its last event.
int64_t SongFrames(const MidiSong& song, const RenderSettings& settings);
// The most frames a render can take: the song and the fixed or the longest automatic tail.
// Throws std::invalid_argument for settings outside the ranges above.
int64_t LongestRender(const MidiSong& song, const RenderSettings& settings);

// Drives `target` through the song and its tail; returns the frames rendered. Events are
// expected in time order; one that is earlier than its predecessor is delivered at the current
// frame. Throws std::invalid_argument for invalid settings; whatever the target throws passes
// through.
int64_t RunRenderSchedule(const MidiSong& song, const RenderSettings& settings, RenderTarget& target);

}  // namespace brelix
