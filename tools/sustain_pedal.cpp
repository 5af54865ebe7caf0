#include "sustain_pedal.h"

#include <array>
#include <bitset>
#include <vector>

namespace brelix {

namespace {

constexpr int kChannels = 16;
constexpr uint8_t kPedalDown = 64;

}  // namespace

void HoldNotesWithPedal(MidiSong& song) {
  std::array<bool, kChannels> down{};
  std::array<std::bitset<kMidiKeys>, kChannels> waiting;  // keys whose note-off waits for the pedal
  std::vector<TimedMidiEvent> played;
  played.reserve(song.Events.size());
  for (const TimedMidiEvent& event : song.Events) {
    const MidiMessage& m = event.Message;
    const int channel = MessageChannel(m);
    if (IsNoteEnd(m) && down[channel]) {
      waiting[channel][m[1] & 0x7F] = true;
      continue;
    }
    played.push_back(event);
    // A key struck again is held by the hand once more: its own note-off ends it.
    if (IsNoteStart(m)) waiting[channel][m[1] & 0x7F] = false;
    if (MessageKind(m) != kControlChangeStatus || m[1] != kSustainController) continue;
    down[channel] = m[2] >= kPedalDown;
    if (down[channel]) continue;
    for (int key = 0; key < kMidiKeys; ++key) {
      if (waiting[channel][key]) played.push_back({event.Seconds, NoteOff(channel, key)});
    }
    waiting[channel].reset();
  }
  song.Events = std::move(played);
}

}  // namespace brelix
