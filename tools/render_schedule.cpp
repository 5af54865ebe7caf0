#include "render_schedule.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace brelix {

namespace {

bool IsTime(double seconds) { return seconds >= 0.0 && std::isfinite(seconds); }

void CheckSettings(const RenderSettings& settings) {
  if (!(settings.SampleRate > 0.0) || !std::isfinite(settings.SampleRate)) {
    throw std::invalid_argument("the sample rate must be a positive number");
  }
  if (settings.BlockSize < 1 || settings.ShortestTempoBlock < 1) {
    throw std::invalid_argument("the block size and the shortest block before a tempo change must be at least 1");
  }
  const TailRule& tail = settings.Tail;
  if ((tail.FixedSeconds && !IsTime(*tail.FixedSeconds)) || !IsTime(tail.LongestSeconds) ||
      !IsTime(tail.QuietSeconds) || tail.QuietSeconds == 0.0) {
    throw std::invalid_argument("the tail must be zero or more seconds, and the quiet that ends it more than zero");
  }
}

}  // namespace

int64_t EventFrame(double seconds, double sampleRate) {
  constexpr double kLastFrame = 0x1p53;  // keeps the conversion defined for absurd times
  const double frame = std::round(seconds * sampleRate);
  if (!(frame > 0.0)) return 0;  // also NaN
  return static_cast<int64_t>(std::min(frame, kLastFrame));
}

int64_t SongFrames(const MidiSong& song, const RenderSettings& settings) {
  CheckSettings(settings);
  int64_t end = EventFrame(song.EndSeconds, settings.SampleRate);
  for (const TimedMidiEvent& event : song.Events) end = std::max(end, EventFrame(event.Seconds, settings.SampleRate));
  return end;
}

int64_t LongestRender(const MidiSong& song, const RenderSettings& settings) {
  const TailRule& tail = settings.Tail;
  return SongFrames(song, settings) + EventFrame(tail.FixedSeconds.value_or(tail.LongestSeconds), settings.SampleRate);
}

int64_t RunRenderSchedule(const MidiSong& song, const RenderSettings& settings, RenderTarget& target) {
  const int64_t songFrames = SongFrames(song, settings);
  const std::span<const TimedMidiEvent> events = song.Events;
  std::vector<MidiMessage> batch;
  size_t next = 0;  // the first event not yet delivered
  size_t nextTempo = 1;  // the first tempo change not yet reached
  int64_t frame = 0;
  const auto processUpTo = [&](int64_t stop) {
    const int frames = static_cast<int>(std::min<int64_t>(stop - frame, settings.BlockSize));
    target.Process(frames);
    frame += frames;
  };

  // The song: events on their frames.
  while (true) {
    batch.clear();
    while (next < events.size() && EventFrame(events[next].Seconds, settings.SampleRate) <= frame) {
      batch.push_back(events[next++].Message);
    }
    if (!batch.empty()) target.Deliver(batch);
    if (frame >= songFrames) break;
    // A host reads the tempo once a block: a block ends at a tempo change, once it has run its
    // shortest length.
    const int64_t earliestTempoStop = frame + settings.ShortestTempoBlock;
    while (nextTempo < song.Tempos.size() &&
           EventFrame(song.Tempos[nextTempo].Seconds, settings.SampleRate) < earliestTempoStop) {
      ++nextTempo;
    }
    int64_t stop = next < events.size() ? EventFrame(events[next].Seconds, settings.SampleRate) : songFrames;
    if (nextTempo < song.Tempos.size()) stop = std::min(stop, EventFrame(song.Tempos[nextTempo].Seconds, settings.SampleRate));
    processUpTo(stop);
  }

  // The tail.
  const TailRule& tail = settings.Tail;
  if (tail.FixedSeconds) {
    const int64_t end = songFrames + EventFrame(*tail.FixedSeconds, settings.SampleRate);
    while (frame < end) processUpTo(end);
    return frame;
  }
  const int64_t longest = songFrames + EventFrame(tail.LongestSeconds, settings.SampleRate);
  const int64_t quiet = std::max<int64_t>(EventFrame(tail.QuietSeconds, settings.SampleRate), 1);
  while (frame < longest && target.QuietFrames() < quiet) processUpTo(longest);
  return frame;
}

}  // namespace brelix
