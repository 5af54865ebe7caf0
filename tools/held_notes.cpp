#include "held_notes.h"

#include <array>
#include <bitset>

namespace brelix {

namespace {

constexpr int kChannels = 16;
constexpr uint8_t kAllSoundOff = 120;
constexpr uint8_t kAllNotesOff = 123;

}  // namespace

void ReleaseHeldNotes(MidiSong& song) {
  std::array<std::bitset<kMidiKeys>, kChannels> held;
  for (const TimedMidiEvent& event : song.Events) {
    const MidiMessage& m = event.Message;
    const int channel = MessageChannel(m);
    if (IsNoteStart(m) || IsNoteEnd(m)) held[channel][m[1] & 0x7F] = IsNoteStart(m);
    if (MessageKind(m) == kControlChangeStatus && (m[1] == kAllSoundOff || m[1] == kAllNotesOff)) held[channel].reset();
  }
  // Grown by exactly what is added (a file's list has room for it already).
  size_t released = 0;
  for (const auto& keys : held) released += keys.count();
  song.Events.reserve(song.Events.size() + released);
  for (int channel = 0; channel < kChannels; ++channel) {
    for (int key = 0; key < kMidiKeys; ++key) {
      if (held[channel][key]) song.Events.push_back({song.EndSeconds, NoteOff(channel, key)});
    }
  }
}

}  // namespace brelix
