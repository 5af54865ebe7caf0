// A Standard MIDI File reader: formats 0 and 1, every channel message of every track merged
// into one list in time order, with times in seconds through the file's tempo map.
//
// The reader trusts nothing in the file: every length is checked against the bytes that are
// really there, and every problem ends in a MidiFileError naming it and its byte offset.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace brelix {

// A channel message of three bytes; a two-byte message (program change, channel pressure)
// carries 0 as its third byte.
using MidiMessage = std::array<uint8_t, 3>;

// The parts of a channel message that the tools look at.
inline constexpr int kMidiKeys = 128;
inline constexpr uint8_t kNoteOffStatus = 0x80;
inline constexpr uint8_t kNoteOnStatus = 0x90;
inline constexpr uint8_t kControlChangeStatus = 0xB0;
inline constexpr uint8_t kSustainController = 64;
inline int MessageKind(const MidiMessage& m) { return m[0] & 0xF0; }
inline int MessageChannel(const MidiMessage& m) { return m[0] & 0x0F; }  // 0..15
// A note-on of velocity 0 ends its note too.
inline bool IsNoteStart(const MidiMessage& m) { return MessageKind(m) == kNoteOnStatus && m[2] > 0; }
inline bool IsNoteEnd(const MidiMessage& m) {
  return MessageKind(m) == kNoteOffStatus || (MessageKind(m) == kNoteOnStatus && m[2] == 0);
}
// What a render adds to a song at most: a note-off for every key of every channel still held at
// the end, and the patch's preview note's.
inline constexpr size_t kEventsAddedAtTheEnd = 16 * kMidiKeys + 1;
inline MidiMessage NoteOff(int channel, int key) {
  return {static_cast<uint8_t>(kNoteOffStatus | channel), static_cast<uint8_t>(key), 0};
}

struct TimedMidiEvent {
  double Seconds = 0.0;  // from the start of the song
  MidiMessage Message{};
};

// A tempo in force from a point of the song until the next one.
struct SongTempo {
  double Seconds = 0.0;   // where it starts
  double Quarters = 0.0;  // the song's position there in quarter notes
  double Bpm = 120.0;     // quarter notes per minute
};

struct MidiSong {
  int Format = 0;           // 0 or 1
  int TrackCount = 0;
  bool SmpteTiming = false; // ticks are fractions of a SMPTE frame: absolute time, no tempo map
  // In time order; equal times keep track, then file order. A file's list has room for
  // kEventsAddedAtTheEnd more without growing, so that adding them never copies a long list.
  std::vector<TimedMidiEvent> Events;
  // The end of the song: the latest end of its tracks (a track ends at its end-of-track event,
  // or at its last event when it has none). Never before the last event.
  double EndSeconds = 0.0;
  // The tempo map a host's transport follows: never empty, the first at 0 s, in time order. A
  // tempo override gives one tempo; a file without tempo events, or with SMPTE timing, 120 BPM.
  std::vector<SongTempo> Tempos{SongTempo{}};
};

// Where the transport stands at `seconds`: the tempo in force there, with the position in
// quarter notes. `tempos` as in MidiSong.
struct SongPosition {
  double Bpm = 120.0;
  double Quarters = 0.0;
};
SongPosition PositionAt(std::span<const SongTempo> tempos, double seconds);

struct MidiReadOptions {
  // When positive, a fixed tempo in beats per minute that replaces the file's tempo map.
  // Files with SMPTE timing count in absolute time and are not affected.
  double TempoBpm = 0.0;
};

// No channel event may lie later than this: a corrupt or hostile delta time would otherwise
// ask for days of audio.
inline constexpr double kLongestSongSeconds = 4.0 * 60.0 * 60.0;
// Files above this size are refused before they are read; real songs take a few MB at most.
inline constexpr size_t kLargestMidiFileBytes = 16u << 20;
// The most channel messages and tempo changes a song may hold together (a dense real song has
// a few hundred thousand); each costs its memory while the song renders.
inline constexpr size_t kMostMidiEvents = 4'000'000;

class MidiFileError : public std::runtime_error {
 public:
  // what() reads "<problem> at byte <offset>".
  MidiFileError(const std::string& problem, size_t offset);
  size_t Offset() const { return offset_; }

 private:
  size_t offset_;
};

// Parses a whole file image. Throws MidiFileError for a malformed file and
// std::invalid_argument for a tempo override that is not a positive finite number.
MidiSong ParseMidiFile(std::span<const uint8_t> bytes, const MidiReadOptions& options = {});

// Reads and parses the file at `path`. Throws std::runtime_error (with the path and the
// system's reason) when the file cannot be read or is no regular file (it never waits on a
// FIFO), MidiFileError when it is malformed or holds more than kMostMidiEvents events.
MidiSong ReadMidiFile(const std::string& path, const MidiReadOptions& options = {});

}  // namespace brelix
