#include "song_warnings.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "render_schedule.h"

namespace brelix {

namespace {

constexpr int kChannels = 16;
constexpr int kKeys = 128;
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kSustain = 64;

std::string UnheardChannels(const MidiSong& song, const std::string& name, int heard) {
  std::array<int64_t, kChannels> notes{};
  for (const TimedMidiEvent& event : song.Events) {
    const auto [status, first, second] = event.Message;
    if ((status & 0xF0) == kNoteOn && second > 0) ++notes[status & 0x0F];
  }
  std::string channels;
  int64_t unheard = 0;
  int busiest = 0;
  for (int channel = 0; channel < kChannels; ++channel) {
    if (notes[channel] == 0 || channel + 1 == heard) continue;
    channels += (channels.empty() ? "" : ", ") + std::to_string(channel + 1);
    unheard += notes[channel];
    if (notes[channel] > notes[busiest] || busiest + 1 == heard) busiest = channel;
  }
  if (unheard == 0) return "";
  std::string text = name + " has " + std::to_string(unheard) + " note(s) on channel(s) " + channels +
                     ", which the plug-in does not hear: it listens on channel " + std::to_string(heard);
  if (notes[static_cast<size_t>(heard - 1)] == 0) {
    text += "; --channel " + std::to_string(busiest + 1) + " plays channel " + std::to_string(busiest + 1);
  }
  return text;
}

std::string SilentNotes(const MidiSong& song, const std::string& name, const SongListener& listener) {
  std::array<int64_t, kKeys> started;
  started.fill(-1);
  int64_t count = 0;
  const TimedMidiEvent* firstSilent = nullptr;
  for (const TimedMidiEvent& event : song.Events) {
    const auto [status, first, second] = event.Message;
    if ((status & 0x0F) + 1 != listener.Channel) continue;
    const uint8_t kind = status & 0xF0;
    const int64_t frame = EventFrame(event.Seconds, listener.SampleRate);
    int64_t& start = started[first & 0x7F];
    if (kind == kNoteOn && second > 0) {
      start = frame;
    } else if (kind == kNoteOff || kind == kNoteOn) {
      if (start == frame) {
        ++count;
        if (firstSilent == nullptr) firstSilent = &event;
      }
      start = -1;
    }
  }
  if (count == 0) return "";
  char where[64];
  std::snprintf(where, sizeof where, "the first at %.3f s, key %d", firstSilent->Seconds, firstSilent->Message[1]);
  return std::to_string(count) + " note(s) of " + name + " end on the frame they start (" + where +
         ") and are not heard";
}

std::string UnheardPedal(const MidiSong& song, const std::string& name, const SongListener& listener) {
  if (listener.HearsPedal) return "";
  const bool pedal = std::any_of(song.Events.begin(), song.Events.end(), [&](const TimedMidiEvent& event) {
    const auto [status, first, second] = event.Message;
    return (status & 0xF0) == kControlChange && first == kSustain && (status & 0x0F) + 1 == listener.Channel;
  });
  if (!pedal) return "";
  return name + " uses the sustain pedal (controller 64), but no slot of the patch reads it: notes end at their "
                "note-offs (--pedal holds them while the pedal is down)";
}

}  // namespace

std::vector<std::string> SongWarnings(const MidiSong& song, const std::string& name, const SongListener& listener) {
  std::vector<std::string> warnings;
  for (std::string text : {UnheardChannels(song, name, listener.Channel), SilentNotes(song, name, listener),
                           UnheardPedal(song, name, listener)}) {
    if (!text.empty()) warnings.push_back(std::move(text));
  }
  return warnings;
}

}  // namespace brelix
