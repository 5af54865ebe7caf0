#include "sustain_pedal.h"

#include <array>
#include <bitset>
#include <vector>

namespace brelix {

namespace {

constexpr int kChannels = 16;
constexpr int kKeys = 128;
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kSustain = 64;
constexpr uint8_t kPedalDown = 64;

}  // namespace

void HoldNotesWithPedal(MidiSong& song) {
  std::array<bool, kChannels> down{};
  std::array<std::bitset<kKeys>, kChannels> waiting;  // keys whose note-off waits for the pedal
  std::vector<TimedMidiEvent> played;
  played.reserve(song.Events.size());
  for (const TimedMidiEvent& event : song.Events) {
    const auto [status, first, second] = event.Message;
    const int channel = status & 0x0F;
    const uint8_t kind = status & 0xF0;
    const bool noteOff = kind == kNoteOff || (kind == kNoteOn && second == 0);
    if (noteOff && down[channel]) {
      waiting[channel][first & 0x7F] = true;
      continue;
    }
    played.push_back(event);
    // A key struck again is held by the hand once more: its own note-off ends it.
    if (kind == kNoteOn && !noteOff) waiting[channel][first & 0x7F] = false;
    if (kind != kControlChange || first != kSustain) continue;
    down[channel] = second >= kPedalDown;
    if (down[channel]) continue;
    for (int key = 0; key < kKeys; ++key) {
      if (!waiting[channel][key]) continue;
      played.push_back({event.Seconds, {static_cast<uint8_t>(kNoteOff | channel), static_cast<uint8_t>(key), 0}});
    }
    waiting[channel].reset();
  }
  song.Events = std::move(played);
}

}  // namespace brelix
