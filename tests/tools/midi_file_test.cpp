// The Standard MIDI File reader: formats, running status, the tempo map, and malformed files.
#include <gtest/gtest.h>

#include <initializer_list>

#include "midi_file.h"

namespace brelix::tools {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Chunk(const char* id, const Bytes& body) {
  Bytes out(id, id + 4);
  const uint32_t n = static_cast<uint32_t>(body.size());
  out.insert(out.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes File(uint16_t format, std::initializer_list<Bytes> tracks, uint16_t division = 480) {
  Bytes out = Chunk("MThd", {0, uint8_t(format), 0, uint8_t(tracks.size()), uint8_t(division >> 8), uint8_t(division)});
  for (const Bytes& t : tracks) {
    const Bytes c = Chunk("MTrk", t);
    out.insert(out.end(), c.begin(), c.end());
  }
  return out;
}

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(MidiFile, FormatZeroWithRunningStatusAtTheDefaultTempo) {
  // 120 BPM by default: 480 ticks are half a second. Delta 0x83 0x60 = 480.
  const auto events = ParseMidiFile(File(0, {Join({{0x00, 0x90, 60, 100}, {0x83, 0x60, 62, 90}, {0x00, 0xC0, 5}, kEnd})}));
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].bytes, (std::array<uint8_t, 3>{0x90, 60, 100}));
  EXPECT_DOUBLE_EQ(events[1].seconds, 0.5);
  EXPECT_EQ(events[1].bytes, (std::array<uint8_t, 3>{0x90, 62, 90}));
  EXPECT_EQ(events[2].bytes, (std::array<uint8_t, 3>{0xC0, 5, 0}));
}

TEST(MidiFile, FormatOneMergesTracksThroughTheTempoMap) {
  // Track 0: 60 BPM from the start, 120 BPM from tick 960. Track 1: notes at ticks 0, 960, 1440.
  const Bytes tempo = Join({{0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}, {0x87, 0x40, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}, kEnd});
  const Bytes notes = Join({{0x00, 0x91, 60, 100}, {0x87, 0x40, 0x81, 60, 0}, {0x83, 0x60, 0x91, 64, 80}, kEnd});
  const auto events = ParseMidiFile(File(1, {tempo, notes}));
  ASSERT_EQ(events.size(), 3u);
  EXPECT_DOUBLE_EQ(events[0].seconds, 0.0);
  EXPECT_DOUBLE_EQ(events[1].seconds, 2.0);   // 960 ticks at 60 BPM
  EXPECT_DOUBLE_EQ(events[2].seconds, 2.5);   // 480 more at 120 BPM
  // A fixed tempo replaces the map.
  EXPECT_DOUBLE_EQ(ParseMidiFile(File(1, {tempo, notes}), 240.0)[2].seconds, 0.75);
}

TEST(MidiFile, EqualTimesKeepTrackOrder) {
  const auto events = ParseMidiFile(File(1, {Join({{0x00, 0x90, 1, 1}, kEnd}), Join({{0x00, 0x90, 2, 2}, kEnd})}));
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].bytes[1], 1);
  EXPECT_EQ(events[1].bytes[1], 2);
}

TEST(MidiFile, MalformedFilesGiveAnErrorWithoutReadingOutside) {
  const Bytes good = File(0, {Join({{0x00, 0x90, 60, 100}, kEnd})});
  Bytes truncated(good.begin(), good.end() - 3);
  Bytes long_chunk = good;
  long_chunk[21] = 0x7F;  // the track claims more bytes than the file has
  const struct {
    const char* name;
    Bytes data;
  } cases[] = {
      {"empty", {}},
      {"no header", Bytes(20, 0x41)},
      {"format 2", File(2, {kEnd})},
      {"no tracks", File(0, {})},
      {"SMPTE division", File(0, {kEnd}, 0xE728)},
      {"zero division", File(0, {kEnd}, 0)},
      {"truncated track", truncated},
      {"chunk beyond the file", long_chunk},
      {"data byte without status", File(0, {{0x00, 0x3C, 0x40}})},
      {"variable length too long", File(0, {{0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 1}})},
      {"meta length beyond the track", File(0, {{0x00, 0xFF, 0x01, 0x7F, 0x41}})},
      {"fewer tracks than announced", Bytes(good.begin(), good.begin() + 14)},
  };
  for (const auto& c : cases) EXPECT_THROW(ParseMidiFile(c.data), MidiFileError) << c.name;
  EXPECT_THROW(ReadMidiFile("/nonexistent/file.mid"), MidiFileError);
}

}  // namespace
}  // namespace brelix::tools
