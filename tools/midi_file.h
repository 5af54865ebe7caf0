// A Standard MIDI File reader of our own: formats 0 and 1, ticks-per-quarter division, running
// status, the tempo map. Any byte sequence gives either events or a clear error, never a read
// outside the data.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace brelix::tools {

struct TimedMessage {
  double seconds;                 // from the start of the file, through the tempo map
  std::array<uint8_t, 3> bytes;   // status and data; two-byte messages end with 0
};

class MidiFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Every channel message of every track, in time order (equal times keep track order, then file
// order). With fixed_bpm > 0 the file's tempo map is replaced by that tempo.
std::vector<TimedMessage> ReadMidiFile(const std::string& path, double fixed_bpm = 0.0);
std::vector<TimedMessage> ParseMidiFile(const std::vector<uint8_t>& data, double fixed_bpm = 0.0);

}  // namespace brelix::tools
