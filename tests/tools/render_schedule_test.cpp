// The render schedule: which messages are delivered before which process call, how the frames
// between events are cut into blocks, and when the tail after the song ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "render_schedule.h"

namespace brelix {
namespace {

// Records the calls as text: "D:90 3C" for a delivery (first two bytes of each message, one
// group per message), "P:4" for a process call.
class Recorder : public RenderTarget {
 public:
  void Deliver(std::span<const MidiMessage> messages) override {
    std::string call = "D:";
    for (const MidiMessage& m : messages) {
      char text[16];
      std::snprintf(text, sizeof text, "%s%02X %02X", call.size() > 2 ? "," : "", m[0], m[1]);
      call += text;
    }
    calls.push_back(call);
  }
  void Process(int frames) override {
    calls.push_back("P:" + std::to_string(frames));
    rendered += frames;
  }
  // The output is loud up to frame `loudUntil` and quiet after it.
  int64_t QuietFrames() const override { return std::max<int64_t>(rendered - loudUntil, 0); }

  std::vector<std::string> calls;
  int64_t rendered = 0;
  int64_t loudUntil = 0;
};

TimedMidiEvent At(double seconds, uint8_t status, uint8_t data) { return {seconds, {status, data, 0x40}}; }

// A song that ends with its last event, or at `end` when that is given.
MidiSong Song(std::vector<TimedMidiEvent> events, double end = 0.0) {
  MidiSong song;
  song.EndSeconds = end;
  song.Events = std::move(events);
  return song;
}

RenderSettings Fixed(double rate, int block, double tail) {
  return {.SampleRate = rate, .BlockSize = block, .Tail = {.FixedSeconds = tail}};
}

std::vector<std::string> Calls(const MidiSong& song, RenderSettings settings) {
  Recorder recorder;
  RunRenderSchedule(song, settings, recorder);
  return recorder.calls;
}

using Strings = std::vector<std::string>;

TEST(RenderSchedule, EventsArriveOnTheirFrameAndBlocksSplitThere) {
  // 1000 Hz: one frame per millisecond. Block 4, tail 3 frames after the last event (frame 11).
  const std::vector<TimedMidiEvent> events = {At(0.0, 0x90, 0x3C), At(0.010, 0x90, 0x40), At(0.010, 0xB0, 0x01),
                                              At(0.011, 0x80, 0x3C)};
  EXPECT_EQ(Calls(Song(events), Fixed(1000, 4, 0.003)),
            (Strings{"D:90 3C", "P:4", "P:4", "P:2", "D:90 40,B0 01", "P:1", "D:80 3C", "P:3"}));
}

// A plug-in reads the tempo once a block, so a block ends where the tempo changes: the sound does
// not depend on the block size. Only once it has run its shortest length, though: changes closer
// together than that (a file of millions of them) do not cut the song into slivers.
TEST(RenderSchedule, BlocksSplitAtTempoChanges) {
  MidiSong song = Song({At(0.0, 0x90, 0x3C)}, 0.012);
  song.Tempos = {{0.0, 0.0, 120.0}, {0.005, 0.01, 90.0}, {0.0055, 0.011, 60.0}, {0.020, 0.02, 30.0}};
  RenderSettings settings = Fixed(1000, 4, 0.004);
  settings.ShortestTempoBlock = 1;
  EXPECT_EQ(Calls(song, settings), (Strings{"D:90 3C", "P:4", "P:1", "P:1", "P:4", "P:2", "P:4"}));
  settings.ShortestTempoBlock = 2;  // the block from frame 4 runs past the change at 5 to the one at 6
  EXPECT_EQ(Calls(song, settings), (Strings{"D:90 3C", "P:4", "P:2", "P:4", "P:2", "P:4"}));
  settings.BlockSize = 16;
  settings.ShortestTempoBlock = 8;  // frames 5 and 6 fall in the first 8
  EXPECT_EQ(Calls(song, settings), (Strings{"D:90 3C", "P:12", "P:4"}));
}

TEST(RenderSchedule, SilenceBeforeTheFirstEventAndNothingButTheTailWithoutEvents) {
  EXPECT_EQ(Calls(Song({At(0.005, 0x90, 0x3C)}), Fixed(1000, 2, 0.001)), (Strings{"P:2", "P:2", "P:1", "D:90 3C", "P:1"}));
  EXPECT_EQ(Calls(Song({}), Fixed(1000, 4, 0.010)), (Strings{"P:4", "P:4", "P:2"}));
  EXPECT_EQ(Calls(Song({}), Fixed(1000, 4, 0.0)), Strings{});
}

TEST(RenderSchedule, TheSongRunsToItsEndBeforeTheTailStarts) {
  EXPECT_EQ(Calls(Song({At(0.0, 0x90, 0x3C), At(0.003, 0x80, 0x3C)}, 0.009), Fixed(1000, 4, 0.002)),
            (Strings{"D:90 3C", "P:3", "D:80 3C", "P:4", "P:2", "P:2"}));
  // An end before the last event (a file that says so) does not cut the song short.
  EXPECT_EQ(Calls(Song({At(0.0, 0x90, 0x3C), At(0.003, 0x80, 0x3C)}, 0.001), Fixed(1000, 8, 0)),
            (Strings{"D:90 3C", "P:3", "D:80 3C"}));
}

TEST(RenderSchedule, AnEventEarlierThanItsPredecessorComesAtTheCurrentFrame) {
  EXPECT_EQ(Calls(Song({At(0.004, 0x90, 0x3C), At(0.002, 0x90, 0x3D), At(-1.0, 0x90, 0x3E), At(0.006, 0x80, 0x3C)}),
                  Fixed(1000, 8, 0.001)),
            (Strings{"P:4", "D:90 3C,90 3D,90 3E", "P:2", "D:80 3C", "P:1"}));
}

// The automatic tail goes on, block by block, until the output has been quiet for the given time,
// or until the longest tail; a song that already ends in quiet gets none.
TEST(RenderSchedule, TheAutomaticTailEndsInQuietOrAtItsLongest) {
  struct Case {
    int64_t loudUntil;
    int64_t frames;  // rendered in all
  };
  const MidiSong song = Song({At(0.0, 0x90, 0x3C), At(0.010, 0x80, 0x3C)}, 0.010);
  const RenderSettings settings{.SampleRate = 1000, .BlockSize = 4, .Tail = {.QuietSeconds = 0.005, .LongestSeconds = 0.050}};
  for (const Case& c : {Case{30, 38}, Case{10, 18}, Case{0, 10}, Case{1000000, 60}, Case{58, 60}}) {
    SCOPED_TRACE(c.loudUntil);
    Recorder recorder;
    recorder.loudUntil = c.loudUntil;
    EXPECT_EQ(RunRenderSchedule(song, settings, recorder), c.frames);
    EXPECT_EQ(recorder.rendered, c.frames);
    EXPECT_LE(c.frames, LongestRender(song, settings));
  }
}

TEST(RenderSchedule, EventFramesRoundToTheNearestFrame) {
  EXPECT_EQ(EventFrame(1.4, 1.0), 1);
  EXPECT_EQ(EventFrame(1.6, 1.0), 2);
  EXPECT_EQ(EventFrame(2.5, 1.0), 3);
  EXPECT_EQ(EventFrame(0.5, 44100.0), 22050);
  EXPECT_EQ(EventFrame(1.0 / 3.0, 48000.0), 16000);
  EXPECT_EQ(EventFrame(-0.7, 1.0), 0);
  EXPECT_EQ(EventFrame(std::nan(""), 1.0), 0);
  EXPECT_EQ(EventFrame(1e300, 1.0), int64_t{1} << 53);
}

// For many rates and block sizes: every event lands on round(time x rate), no process call
// exceeds the block, and the calls add up to the render length.
TEST(RenderSchedule, EveryEventLandsOnItsFrameForAnyRateAndBlock) {
  std::vector<TimedMidiEvent> events;
  for (int i = 0; i < 60; ++i) events.push_back(At(0.0137 * i * i / 7.0, 0x90, static_cast<uint8_t>(i)));
  for (const double rate : {8000.0, 44100.0, 48000.0, 96000.0}) {
    for (const int block : {1, 7, 64, 512, 4096}) {
      const RenderSettings settings = Fixed(rate, block, 0.25);
      Recorder recorder;
      RunRenderSchedule(Song(events), settings, recorder);
      int64_t frame = 0;
      size_t delivered = 0;
      for (const std::string& call : recorder.calls) {
        if (call[0] == 'P') {
          const int frames = std::stoi(call.substr(2));
          ASSERT_GE(frames, 1);
          ASSERT_LE(frames, block);
          frame += frames;
        } else {
          for (size_t at = 2; at < call.size(); at += 6) {
            ASSERT_EQ(frame, EventFrame(events[delivered].Seconds, rate)) << "event " << delivered;
            ++delivered;
          }
        }
      }
      EXPECT_EQ(delivered, events.size());
      EXPECT_EQ(frame, LongestRender(Song(events), settings));
      EXPECT_EQ(frame, EventFrame(events.back().Seconds, rate) + EventFrame(0.25, rate));
    }
  }
}

TEST(RenderSchedule, RejectsSettingsThatCannotRender) {
  Recorder recorder;
  for (const RenderSettings& bad :
       {RenderSettings{.SampleRate = 0}, RenderSettings{.SampleRate = -44100}, RenderSettings{.SampleRate = std::nan("")},
        RenderSettings{.BlockSize = 0}, RenderSettings{.Tail = {.FixedSeconds = -1}},
        RenderSettings{.Tail = {.FixedSeconds = INFINITY}}, RenderSettings{.Tail = {.QuietSeconds = 0}},
        RenderSettings{.Tail = {.LongestSeconds = std::nan("")}}}) {
    EXPECT_THROW(RunRenderSchedule(Song({}), bad, recorder), std::invalid_argument);
  }
  EXPECT_TRUE(recorder.calls.empty());
}

}  // namespace
}  // namespace brelix
