// Songs and recordings as files: a small Standard MIDI File written from timed messages, and a
// WAV file read back (through libsndfile).
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace brelix::testing {

struct TimedMessage {
  double seconds;
  uint8_t status, first, second;
};

struct TempoChange {
  double seconds, bpm;
};

// A format-0 Standard MIDI File, 480 ticks per quarter, at 120 BPM or the tempos given (the first
// at 0 s); its end of track comes at `end` seconds (or with the last event).
inline std::string MidiFileBytes(const std::vector<TimedMessage>& messages, double end = 0.0,
                          const std::vector<TempoChange>& tempos = {}) {
  std::string track;
  const auto variable = [&](uint32_t value) {
    std::string bytes(1, static_cast<char>(value & 0x7F));
    while (value >>= 7) bytes.insert(bytes.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    track += bytes;
  };
  const auto tickAt = [&](double seconds) {
    double ticks = 0.0, from = 0.0, bpm = 120.0;
    for (const TempoChange& change : tempos) {
      if (change.seconds > seconds) break;
      ticks += (change.seconds - from) * bpm * 8.0;
      from = change.seconds;
      bpm = change.bpm;
    }
    return static_cast<uint32_t>(std::lround(ticks + (seconds - from) * bpm * 8.0));
  };
  struct Event {
    uint32_t tick;
    std::string bytes;
  };
  std::vector<Event> events;
  for (const TempoChange& change : tempos) {
    const auto micros = static_cast<uint32_t>(std::lround(60e6 / change.bpm));
    events.push_back({tickAt(change.seconds), {'\xFF', '\x51', '\x03', static_cast<char>(micros >> 16),
                                               static_cast<char>(micros >> 8), static_cast<char>(micros)}});
  }
  for (const TimedMessage& m : messages) {
    events.push_back({tickAt(m.seconds), {static_cast<char>(m.status), static_cast<char>(m.first), static_cast<char>(m.second)}});
  }
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.tick < b.tick; });
  uint32_t tick = 0;
  for (const Event& event : events) {
    variable(event.tick - tick);
    tick = event.tick;
    track += event.bytes;
  }
  variable(std::max(tickAt(end), tick) - tick);
  track += std::string("\xFF\x2F\x00", 3);
  const auto be32 = [](size_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
  };
  return std::string("MThd\0\0\0\6\0\0\0\1\x01\xE0", 14) + "MTrk" + be32(track.size()) + track;
}

struct StereoAudio {
  int rate = 0;
  std::vector<float> left, right;
};

inline StereoAudio ReadStereoWav(const std::string& path) {
  StereoAudio audio;
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr || info.channels != 2) {
    ADD_FAILURE() << "cannot read " << path << " as a stereo file";
    if (file != nullptr) sf_close(file);
    return audio;
  }
  audio.rate = info.samplerate;
  std::vector<float> frames(static_cast<size_t>(info.frames * 2));
  sf_readf_float(file, frames.data(), info.frames);
  sf_close(file);
  for (size_t i = 0; i + 1 < frames.size(); i += 2) {
    audio.left.push_back(frames[i]);
    audio.right.push_back(frames[i + 1]);
  }
  return audio;
}

}  // namespace brelix::testing
