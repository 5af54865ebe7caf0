#include "render_schedule.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace brelix {

namespace {

void CheckSettings(const RenderSettings& settings) {
  if (!(settings.SampleRate > 0.0) || !std::isfinite(settings.SampleRate)) {
    throw std::invalid_argument("the sample rate must be a positive number");
  }
  if (settings.BlockSize < 1) throw std::invalid_argument("the block size must be at least 1");
  if (!(settings.TailSeconds >= 0.0) || !std::isfinite(settings.TailSeconds)) {
    throw std::invalid_argument("the tail must be zero or more seconds");
  }
}

}  // namespace

int64_t EventFrame(double seconds, double sampleRate) {
  constexpr double kLastFrame = 0x1p53;  // keeps the conversion defined for absurd times
  const double frame = std::round(seconds * sampleRate);
  if (!(frame > 0.0)) return 0;  // also NaN
  return static_cast<int64_t>(std::min(frame, kLastFrame));
}

int64_t RenderLength(std::span<const TimedMidiEvent> events, const RenderSettings& settings) {
  CheckSettings(settings);
  int64_t lastEvent = 0;
  for (const TimedMidiEvent& event : events) {
    lastEvent = std::max(lastEvent, EventFrame(event.Seconds, settings.SampleRate));
  }
  return lastEvent + EventFrame(settings.TailSeconds, settings.SampleRate);
}

void RunRenderSchedule(std::span<const TimedMidiEvent> events, const RenderSettings& settings,
                       RenderTarget& target) {
  const int64_t length = RenderLength(events, settings);
  std::vector<MidiMessage> batch;
  size_t next = 0;  // the first event not yet delivered
  int64_t frame = 0;
  while (true) {
    batch.clear();
    while (next < events.size() && EventFrame(events[next].Seconds, settings.SampleRate) <= frame) {
      batch.push_back(events[next++].Message);
    }
    if (!batch.empty()) target.Deliver(batch);
    if (frame >= length) break;

    const int64_t stop =
        next < events.size() ? EventFrame(events[next].Seconds, settings.SampleRate) : length;
    const int frames = static_cast<int>(std::min<int64_t>(stop - frame, settings.BlockSize));
    target.Process(frames);
    frame += frames;
  }
}

}  // namespace brelix
