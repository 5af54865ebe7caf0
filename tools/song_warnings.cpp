#include "song_warnings.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "render_schedule.h"

namespace brelix {

namespace {

constexpr int kChannels = 16;

std::string UnheardChannels(const MidiSong& song, const std::string& name, int heard) {
  std::array<int64_t, kChannels> notes{};
  for (const TimedMidiEvent& event : song.Events) {
    if (IsNoteStart(event.Message)) ++notes[MessageChannel(event.Message)];
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
  std::array<int64_t, kMidiKeys> started;
  started.fill(-1);
  int64_t count = 0;
  const TimedMidiEvent* firstSilent = nullptr;
  for (const TimedMidiEvent& event : song.Events) {
    const MidiMessage& m = event.Message;
    if (MessageChannel(m) + 1 != listener.Channel) continue;
    const int64_t frame = EventFrame(event.Seconds, listener.SampleRate);
    int64_t& start = started[m[1] & 0x7F];
    if (IsNoteStart(m)) {
      start = frame;
    } else if (IsNoteEnd(m)) {
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
    const MidiMessage& m = event.Message;
    return MessageKind(m) == kControlChangeStatus && m[1] == kSustainController && MessageChannel(m) + 1 == listener.Channel;
  });
  if (!pedal) return "";
  return name + " uses the sustain pedal (controller 64), but the patch neither holds notes with it (SustainPedal) "
                "nor reads it in a slot: notes end at their note-offs (--pedal holds them while the pedal is down)";
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
