#include "held_notes.h"

#include <array>
#include <bitset>

namespace brelix {

namespace {

constexpr int kChannels = 16;
constexpr int kKeys = 128;
constexpr uint8_t kNoteOff = 0x80;
constexpr uint8_t kNoteOn = 0x90;
constexpr uint8_t kControlChange = 0xB0;
constexpr uint8_t kAllSoundOff = 120;
constexpr uint8_t kAllNotesOff = 123;

}  // namespace

void ReleaseHeldNotes(MidiSong& song) {
  std::array<std::bitset<kKeys>, kChannels> held;
  for (const TimedMidiEvent& event : song.Events) {
    const auto [status, first, second] = event.Message;
    const int channel = status & 0x0F;
    const uint8_t kind = status & 0xF0;
    if (kind == kNoteOn || kind == kNoteOff) held[channel][first & 0x7F] = kind == kNoteOn && second > 0;
    if (kind == kControlChange && (first == kAllSoundOff || first == kAllNotesOff)) held[channel].reset();
  }
  for (int channel = 0; channel < kChannels; ++channel) {
    for (int key = 0; key < kKeys; ++key) {
      if (held[channel][key]) {
        song.Events.push_back({song.EndSeconds, {static_cast<uint8_t>(kNoteOff | channel), static_cast<uint8_t>(key), 0}});
      }
    }
  }
}

}  // namespace brelix
