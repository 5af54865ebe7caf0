#include "midi_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>

namespace brelix::tools {

namespace {

constexpr uint32_t kDefaultTempo = 500000;  // microseconds per quarter note

struct RawEvent {
  uint64_t tick;
  int track;
  int order;
  std::array<uint8_t, 3> bytes;
};

// Reads big-endian fields and variable-length numbers inside [begin, end) of the data.
class Reader {
 public:
  Reader(const std::vector<uint8_t>& data, size_t begin, size_t end) : data_(data), pos_(begin), end_(end) {}
  bool done() const { return pos_ >= end_; }
  size_t pos() const { return pos_; }
  uint8_t byte() {
    need(1);
    return data_[pos_++];
  }
  uint8_t peek() {
    need(1);
    return data_[pos_];
  }
  uint32_t be(int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | byte();
    return v;
  }
  uint32_t varlen() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      const uint8_t b = byte();
      v = (v << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) return v;
    }
    fail("variable-length number longer than 4 bytes");
  }
  void skip(uint32_t n) {
    need(n);
    pos_ += n;
  }
  [[noreturn]] void fail(const std::string& what) const {
    throw MidiFileError("malformed MIDI file: " + what + " at byte " + std::to_string(pos_));
  }

 private:
  void need(size_t n) const {
    if (n > end_ - pos_) fail("data ends early");
  }
  const std::vector<uint8_t>& data_;
  size_t pos_;
  size_t end_;
};

int DataBytes(uint8_t status) {
  const uint8_t kind = status & 0xF0;
  return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

void ReadTrack(Reader& r, int track, std::vector<RawEvent>& events, std::map<uint64_t, uint32_t>& tempo) {
  uint64_t tick = 0;
  uint8_t running = 0;
  int order = 0;
  while (!r.done()) {
    tick += r.varlen();
    uint8_t status = r.peek();
    if (status >= 0x80) {
      r.byte();
    } else {
      if (running == 0) r.fail("data byte without a status");
      status = running;
    }
    if (status == 0xFF) {
      const uint8_t type = r.byte();
      const uint32_t length = r.varlen();
      if (type == 0x51 && length == 3) {
        tempo[tick] = r.be(3);
      } else if (type == 0x2F) {
        r.skip(length);
        return;
      } else {
        r.skip(length);
      }
      running = 0;
    } else if (status == 0xF0 || status == 0xF7) {
      r.skip(r.varlen());
      running = 0;
    } else if (status >= 0xF0) {
      r.fail("system message in a track");
    } else {
      running = status;
      RawEvent e{tick, track, order++, {status, 0, 0}};
      for (int i = 0; i < DataBytes(status); ++i) e.bytes[1 + i] = r.byte() & 0x7F;
      events.push_back(e);
    }
  }
}

}  // namespace

std::vector<TimedMessage> ParseMidiFile(const std::vector<uint8_t>& data, double fixed_bpm) {
  Reader head(data, 0, data.size());
  if (data.size() < 14 || head.be(4) != 0x4D546864) head.fail("no MThd header");
  const uint32_t header_length = head.be(4);
  if (header_length < 6) head.fail("header too short");
  const uint32_t format = head.be(2);
  const uint32_t tracks = head.be(2);
  const uint32_t division = head.be(2);
  if (format > 1) throw MidiFileError("MIDI file format " + std::to_string(format) + " is not supported (only 0 and 1)");
  if (division & 0x8000) throw MidiFileError("MIDI files with SMPTE time division are not supported");
  if (division == 0) head.fail("time division of 0 ticks");
  if (tracks == 0) head.fail("no tracks");
  head.skip(header_length - 6);

  std::vector<RawEvent> events;
  std::map<uint64_t, uint32_t> tempo;
  size_t pos = head.pos();
  for (uint32_t found = 0; found < tracks;) {
    Reader chunk(data, pos, data.size());
    if (chunk.done()) chunk.fail("fewer tracks than the header says");
    const uint32_t id = chunk.be(4);
    const uint32_t length = chunk.be(4);
    if (length > data.size() - chunk.pos()) chunk.fail("chunk longer than the file");
    const size_t end = chunk.pos() + length;
    if (id == 0x4D54726B) {  // "MTrk"; other chunks are skipped
      Reader track(data, chunk.pos(), end);
      ReadTrack(track, static_cast<int>(found), events, tempo);
      ++found;
    }
    pos = end;
  }

  std::stable_sort(events.begin(), events.end(), [](const RawEvent& a, const RawEvent& b) {
    if (a.tick != b.tick) return a.tick < b.tick;
    return a.track < b.track;
  });
  if (fixed_bpm > 0.0) tempo = {{0, static_cast<uint32_t>(60000000.0 / fixed_bpm)}};

  // Walk the tempo map alongside the events: seconds = sum of segment ticks x tempo / division.
  std::vector<TimedMessage> result;
  result.reserve(events.size());
  uint64_t segment_tick = 0;
  double segment_seconds = 0.0;
  uint32_t current = kDefaultTempo;
  auto next = tempo.begin();
  for (const RawEvent& e : events) {
    while (next != tempo.end() && next->first <= e.tick) {
      segment_seconds += static_cast<double>(next->first - segment_tick) * current / 1e6 / division;
      segment_tick = next->first;
      current = next->second == 0 ? kDefaultTempo : next->second;
      ++next;
    }
    const double seconds = segment_seconds + static_cast<double>(e.tick - segment_tick) * current / 1e6 / division;
    result.push_back({seconds, e.bytes});
  }
  return result;
}

std::vector<TimedMessage> ReadMidiFile(const std::string& path, double fixed_bpm) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw MidiFileError("cannot open MIDI file " + path);
  std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return ParseMidiFile(data, fixed_bpm);
}

}  // namespace brelix::tools
