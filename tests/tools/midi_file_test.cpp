// The Standard MIDI File reader: timing through the tempo map, merging of tracks, running
// status, and a clear error (never a crash) for every kind of broken file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "midi_file.h"

namespace brelix {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }

Bytes Header(uint16_t format, uint16_t tracks, uint16_t division) {
  return Cat({{'M', 'T', 'h', 'd'}, Be32(6), {uint8_t(format >> 8), uint8_t(format), uint8_t(tracks >> 8),
              uint8_t(tracks), uint8_t(division >> 8), uint8_t(division)}});
}

Bytes Chunk(const char* type, const Bytes& body) {
  return Cat({Bytes(type, type + 4), Be32(static_cast<uint32_t>(body.size())), body});
}

Bytes Track(const Bytes& body) { return Chunk("MTrk", body); }

// Delta time 0 plus end of track.
const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

Bytes Tempo(uint32_t microseconds) {
  return {0xFF, 0x51, 0x03, uint8_t(microseconds >> 16), uint8_t(microseconds >> 8), uint8_t(microseconds)};
}

struct Expected {
  double Seconds;
  MidiMessage Message;
};

void ExpectEvents(const std::vector<TimedMidiEvent>& actual, const std::vector<Expected>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(actual[i].Seconds, expected[i].Seconds, 1e-9) << "event " << i;
    EXPECT_EQ(actual[i].Message, expected[i].Message) << "event " << i;
  }
}

TEST(MidiFile, FormatZeroKeepsChannelMessagesAndSkipsTheRest) {
  // 480 ticks per quarter at the default 120 BPM: 960 ticks a second.
  const Bytes file = Cat({Header(0, 1, 480), Track(Cat({
      {0x00, 0xFF, 0x03, 0x04, 'S', 'o', 'n', 'g'},   // track name: skipped
      {0x00, 0xC2, 0x05},                             // program change: two bytes, padded
      {0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7},           // system exclusive: skipped
      {0x83, 0x60, 0x92, 0x3C, 0x64},                 // 480 ticks later: note on
      {0x81, 0x70, 0xB2, 0x01, 0x40},                 // 240 ticks: controller 1
      {0x00, 0xF7, 0x01, 0x00},                       // escaped sysex: skipped
      {0x00, 0xE2, 0x00, 0x50},                       // pitch bend
      {0x00, 0xD2, 0x30},                             // channel pressure: padded
      {0x83, 0x60, 0x82, 0x3C, 0x00}, kEnd}))});
  const MidiSong song = ParseMidiFile(file);
  EXPECT_EQ(song.Format, 0);
  EXPECT_EQ(song.TrackCount, 1);
  EXPECT_FALSE(song.SmpteTiming);
  ExpectEvents(song.Events, {{0.0, {0xC2, 0x05, 0}},
                             {0.5, {0x92, 0x3C, 0x64}},
                             {0.75, {0xB2, 0x01, 0x40}},
                             {0.75, {0xE2, 0x00, 0x50}},
                             {0.75, {0xD2, 0x30, 0}},
                             {1.25, {0x82, 0x3C, 0x00}}});
}

TEST(MidiFile, RunningStatusRepeatsTheLastChannelStatus) {
  const Bytes file = Cat({Header(0, 1, 96), Track(Cat({
      {0x00, 0x90, 0x3C, 0x40},
      {0x00, 0x40, 0x50},        // running: note on 0x40
      {0x60, 0x3C, 0x00},        // running: note on with velocity 0, 96 ticks later
      {0x00, 0xC0, 0x07},
      {0x00, 0x08},              // running status over a one-byte message
      {0x00, 0x40}, kEnd}))});
  ExpectEvents(ParseMidiFile(file).Events, {{0.0, {0x90, 0x3C, 0x40}},
                                            {0.0, {0x90, 0x40, 0x50}},
                                            {0.5, {0x90, 0x3C, 0x00}},
                                            {0.5, {0xC0, 0x07, 0}},
                                            {0.5, {0xC0, 0x08, 0}},
                                            {0.5, {0xC0, 0x40, 0}}});
}

TEST(MidiFile, FormatOneMergesTracksInTimeThenTrackThenFileOrder) {
  const Bytes file = Cat({Header(1, 3, 100),
                          Track(Cat({{0x00}, Tempo(1000000), kEnd})),  // 60 BPM: 100 ticks a second
                          Track(Cat({{0x00, 0x90, 0x01, 0x01}, {0x32, 0x90, 0x02, 0x01},
                                     {0x00, 0x90, 0x03, 0x01}, kEnd})),
                          Track(Cat({{0x00, 0x91, 0x04, 0x01}, {0x31, 0x91, 0x05, 0x01},
                                     {0x01, 0x91, 0x06, 0x01}, kEnd}))});
  const MidiSong song = ParseMidiFile(file);
  EXPECT_EQ(song.Format, 1);
  EXPECT_EQ(song.TrackCount, 3);
  ExpectEvents(song.Events, {{0.0, {0x90, 0x01, 0x01}},
                             {0.0, {0x91, 0x04, 0x01}},
                             {0.49, {0x91, 0x05, 0x01}},
                             {0.5, {0x90, 0x02, 0x01}},
                             {0.5, {0x90, 0x03, 0x01}},
                             {0.5, {0x91, 0x06, 0x01}}});
}

TEST(MidiFile, TheSongEndsWithItsLastEndingTrack) {
  // 100 ticks a second. Track 2 ends two seconds after its last note; track 3 has no end marker
  // and ends with its last event; the tempo track ends at once.
  const Bytes file = Cat({Header(1, 3, 100), Track(Cat({{0x00}, Tempo(1000000), kEnd})),
                          Track(Cat({{0x00, 0x90, 0x3C, 0x40}, {0x32, 0x80, 0x3C, 0x00}, {0x81, 0x48, 0xFF, 0x2F, 0x00}})),
                          Track({0x81, 0x2C, 0x91, 0x40, 0x40})});
  EXPECT_NEAR(ParseMidiFile(file).EndSeconds, 2.5, 1e-9);
  // Without the marker's long rest, the last event ends the song (tick 172 at the default
  // 120 BPM: 0.86 s).
  const Bytes shorter = Cat({Header(1, 2, 100), Track(Cat({{0x00, 0x90, 0x3C, 0x40}, {0x32, 0x80, 0x3C, 0x00}, kEnd})),
                             Track({0x81, 0x2C, 0x91, 0x40, 0x40})});
  EXPECT_NEAR(ParseMidiFile(shorter).EndSeconds, 0.86, 1e-9);
  // An end marker hours after the music is as broken as an event there.
  const Bytes far = Cat({Header(0, 1, 1), Track({0x00, 0x90, 0x3C, 0x40, 0x8F, 0xFF, 0xFF, 0x7F, 0xFF, 0x2F, 0x00})});
  EXPECT_THROW(ParseMidiFile(far), MidiFileError);
}

TEST(MidiFile, TempoChangesInAnyTrackApplyToAllTracks) {
  // 120 BPM, then 240 BPM from tick 960 (set in the last track), then 60 BPM from tick 1440
  // (set in the first). 480 ticks per quarter.
  const Bytes file = Cat({Header(1, 2, 480),
                          Track(Cat({{0x8B, 0x20}, Tempo(1000000),  // tick 1440
                                     {0x83, 0x60, 0x90, 0x3C, 0x40},  // tick 1920
                                     kEnd})),
                          Track(Cat({{0x83, 0x60, 0x91, 0x01, 0x01},  // tick 480
                                     {0x83, 0x60}, Tempo(250000),     // tick 960
                                     {0x00, 0x91, 0x02, 0x01},        // tick 960
                                     {0x83, 0x60, 0x91, 0x03, 0x01},  // tick 1440
                                     kEnd}))});
  const MidiSong song = ParseMidiFile(file);
  ExpectEvents(song.Events, {{0.5, {0x91, 0x01, 0x01}},
                             {1.0, {0x91, 0x02, 0x01}},
                             {1.25, {0x91, 0x03, 0x01}},
                             {2.25, {0x90, 0x3C, 0x40}}});
  // The same map is the transport a host reports: tempo and quarter notes at any time.
  ASSERT_EQ(song.Tempos.size(), 3u);
  const std::pair<double, SongPosition> positions[] = {
      {0.0, {120, 0}}, {0.5, {120, 1}}, {1.0, {240, 2}}, {1.125, {240, 2.5}}, {1.25, {60, 3}}, {3.25, {60, 5}}};
  for (const auto& [seconds, expected] : positions) {
    const SongPosition at = PositionAt(song.Tempos, seconds);
    EXPECT_DOUBLE_EQ(at.Bpm, expected.Bpm) << seconds;
    EXPECT_DOUBLE_EQ(at.Quarters, expected.Quarters) << seconds;
  }
}

TEST(MidiFile, OfTwoTempoChangesAtOneTickTheLaterHolds) {
  const Bytes file = Cat({Header(1, 2, 100), Track(Cat({{0x00}, Tempo(250000), kEnd})),
                          Track(Cat({{0x00}, Tempo(2000000), {0x64, 0x90, 0x3C, 0x40}, kEnd}))});
  ExpectEvents(ParseMidiFile(file).Events, {{2.0, {0x90, 0x3C, 0x40}}});
}

TEST(MidiFile, ATempoOverrideReplacesTheTempoMap) {
  const Bytes file = Cat({Header(0, 1, 480), Track(Cat({{0x00}, Tempo(1000000), {0x83, 0x60, 0x90, 0x3C, 0x40},
                                                         {0x00}, Tempo(100000), {0x83, 0x60, 0x80, 0x3C, 0x40},
                                                         kEnd}))});
  const MidiSong overridden = ParseMidiFile(file, {.TempoBpm = 150});
  ExpectEvents(overridden.Events, {{0.4, {0x90, 0x3C, 0x40}}, {0.8, {0x80, 0x3C, 0x40}}});
  ASSERT_EQ(overridden.Tempos.size(), 1u);
  EXPECT_EQ(overridden.Tempos[0].Bpm, 150.0);
  ExpectEvents(ParseMidiFile(file).Events, {{1.0, {0x90, 0x3C, 0x40}}, {1.1, {0x80, 0x3C, 0x40}}});
  for (double bad : {-120.0, std::nan(""), double(INFINITY)}) {
    EXPECT_THROW(ParseMidiFile(file, {.TempoBpm = bad}), std::invalid_argument) << bad;
  }
}

TEST(MidiFile, SmpteDivisionCountsAbsoluteTime) {
  struct Case {
    uint8_t framesPerSecond;
    uint8_t ticksPerFrame;
    double seconds;  // of tick 1500
  };
  for (const Case& c : {Case{25, 40, 1.5}, Case{24, 10, 6.25}, Case{30, 100, 0.5}, Case{29, 1, 1500 * 1001.0 / 30000}}) {
    const uint16_t division = uint16_t((uint8_t(-c.framesPerSecond) << 8) | c.ticksPerFrame);
    const Bytes file = Cat({Header(0, 1, division),
                            Track(Cat({{0x00}, Tempo(100000), {0x8B, 0x5C, 0x90, 0x3C, 0x40}, kEnd}))});
    const MidiSong song = ParseMidiFile(file, {.TempoBpm = 200});  // neither tempo applies
    EXPECT_TRUE(song.SmpteTiming);
    ExpectEvents(song.Events, {{c.seconds, {0x90, 0x3C, 0x40}}});
    // The override still sets the clock a host reports; the file's tempo event does not.
    ASSERT_EQ(song.Tempos.size(), 1u);
    EXPECT_EQ(song.Tempos[0].Bpm, 200.0);
    EXPECT_EQ(ParseMidiFile(file).Tempos[0].Bpm, 120.0);
  }
}

TEST(MidiFile, SkipsForeignChunksLongHeadersAndBytesAfterTheEndOfTrack) {
  Bytes header = Header(1, 2, 96);
  header[7] = 8;  // a header of 8 bytes: the 2 extra are skipped
  header.insert(header.end(), {0xAA, 0xBB});
  const Bytes file = Cat({header, Chunk("XYZW", {1, 2, 3}),
                          Track(Cat({{0x00, 0x90, 0x3C, 0x40}, kEnd, {0x00, 0x90, 0x3D, 0x40}})),
                          Chunk("MTrX", {0xFF}), Track(Cat({{0x60, 0x80, 0x3C, 0x40}}))});  // no end of track
  ExpectEvents(ParseMidiFile(file).Events, {{0.0, {0x90, 0x3C, 0x40}}, {0.5, {0x80, 0x3C, 0x40}}});
}

struct Malformed {
  const char* name;
  Bytes file;
  const char* message;  // part of the error text
  size_t offset;
};

// Offsets: the header takes bytes 0 to 13, a first track's body starts at byte 22.
std::vector<Malformed> MalformedFiles() {
  const Bytes good = Cat({Header(0, 1, 96), Track(Cat({{0x00, 0x90, 0x3C, 0x40}, kEnd}))});
  Bytes longHeader = good;
  longHeader[7] = 200;
  Bytes shortHeader = good;
  shortHeader[7] = 3;
  Bytes longTrack = good;
  longTrack[21] = 100;
  Bytes hugeTrack = good;
  hugeTrack[18] = 0xFF;
  return {
      {"empty file", {}, "no MThd", 0},
      {"a RIFF file", {'R', 'I', 'F', 'F', 0, 0, 0, 0}, "no MThd", 0},
      {"header cut in its length", {'M', 'T', 'h', 'd', 0, 0}, "the header length needs 4", 4},
      {"header length below 6", shortHeader, "header length 3", 4},
      {"header longer than the file", longHeader, "the header chunk needs 200", 8},
      {"format 2", Cat({Header(2, 1, 96), Track(kEnd)}), "format 2", 8},
      {"format 7", Cat({Header(7, 1, 96), Track(kEnd)}), "unknown format 7", 8},
      {"no tracks", Header(1, 0, 96), "no tracks", 10},
      {"zero ticks per quarter", Cat({Header(0, 1, 0), Track(kEnd)}), "0 ticks per quarter", 12},
      {"SMPTE at 23 frames", Cat({Header(0, 1, 0xE928), Track(kEnd)}), "23 frames per second", 12},
      {"SMPTE with 0 ticks per frame", Cat({Header(0, 1, 0xE700), Track(kEnd)}), "0 ticks per frame", 12},
      {"a track missing", Cat({Header(1, 2, 96), Track(kEnd)}), "ends after 1 of 2 tracks", 26},
      {"only a foreign chunk", Cat({Header(0, 1, 96), Chunk("JUNK", {1})}), "ends after 0 of 1 tracks", 23},
      {"chunk header cut", Cat({Header(0, 1, 96), {'M', 'T', 'r'}}), "a chunk header needs 8", 14},
      {"track chunk longer than the file", longTrack, "track 1: the track chunk needs 100", 22},
      {"track chunk of 4 GiB", hugeTrack, "the track chunk needs 4278190088", 22},
      {"chunk header of 4 bytes", Cat({Header(0, 1, 96), Chunk("JUNK", {}), {0, 0, 0, 1}}),
       "a chunk header needs 8", 22},
      {"foreign chunk longer than the file", Cat({Header(0, 1, 96), {'J', 'U', 'N', 'K'}, Be32(50), {1, 2}}),
       "a chunk needs 50", 22},
      {"delta time of 5 bytes", Cat({Header(0, 1, 96), Track({0x00, 0x90, 0x3C, 0x40, 0x81, 0x80, 0x80, 0x80, 0x00})}),
       "longer than 4 bytes", 26},
      {"delta time cut", Cat({Header(0, 1, 96), Track({0x81})}), "a delta time needs 1", 23},
      {"note on cut", Cat({Header(0, 1, 96), Track({0x00, 0x90, 0x3C})}), "a channel message needs 1", 25},
      {"event cut after its delta", Cat({Header(0, 1, 96), Track({0x00})}), "an event needs 1", 23},
      {"data byte first", Cat({Header(0, 1, 96), Track({0x00, 0x3C, 0x40})}), "0x3C without a running status", 23},
      {"running status after a meta event",
       Cat({Header(0, 1, 96), Track({0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x01, 0x00, 0x00, 0x3E, 0x40})}),
       "without a running status", 31},
      {"running status after sysex",
       Cat({Header(0, 1, 96), Track({0x00, 0x90, 0x3C, 0x40, 0x00, 0xF0, 0x01, 0xF7, 0x00, 0x3E, 0x40})}),
       "without a running status", 31},
      {"status inside a message", Cat({Header(0, 1, 96), Track({0x00, 0x90, 0x3C, 0x80, 0x3C, 0x40})}),
       "0x80 where a data byte was expected", 25},
      {"meta event longer than its track", Cat({Header(0, 1, 96), Track({0x00, 0xFF, 0x01, 0x10, 'a'}), kEnd}),
       "a meta event needs 16", 26},
      {"meta length cut", Cat({Header(0, 1, 96), Track({0x00, 0xFF, 0x01, 0x80})}), "a meta event length needs 1",
       26},
      {"meta length of 5 bytes", Cat({Header(0, 1, 96), Track({0x00, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F})}),
       "longer than 4 bytes", 25},
      {"sysex longer than its track", Cat({Header(0, 1, 96), Track({0x00, 0xF0, 0x8F, 0x7F, 0x00})}),
       "a system exclusive message needs 2047", 26},
      {"tempo of 2 bytes", Cat({Header(0, 1, 96), Track({0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1})}),
       "tempo event with 2 data bytes", 22},
      {"tempo cut", Cat({Header(0, 1, 96), Track({0x00, 0xFF, 0x51, 0x03, 0x07})}), "a tempo event needs 3", 26},
      {"tempo of zero", Cat({Header(0, 1, 96), Track(Cat({{0x00}, Tempo(0), kEnd}))}), "tempo of 0", 22},
      {"system common status", Cat({Header(0, 1, 96), Track({0x00, 0xF2, 0x00, 0x00})}), "0xF2 is not allowed", 23},
      {"a huge delta time", Cat({Header(0, 1, 1), Track(Cat({{0x00, 0x90, 0x3C, 0x40, 0xFF, 0xFF, 0xFF, 0x7F, 0x80, 0x3C, 0x40}, kEnd}))}),
       "beyond the longest song", 26},
      {"a slow tempo pushing an event past the limit",
       Cat({Header(0, 1, 1), Track(Cat({{0x00}, Tempo(0xFFFFFF), {0x87, 0x68, 0x90, 0x3C, 0x40}, kEnd}))}),
       "beyond the longest song", 29},
  };
}

TEST(MidiFile, EveryMalformedFileGivesAnErrorNamingTheProblemAndItsOffset) {
  for (const Malformed& c : MalformedFiles()) {
    SCOPED_TRACE(c.name);
    try {
      ParseMidiFile(c.file);
      ADD_FAILURE() << "no error";
    } catch (const MidiFileError& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
      EXPECT_EQ(error.Offset(), c.offset) << error.what();
      EXPECT_NE(std::string(error.what()).find("at byte " + std::to_string(c.offset)), std::string::npos);
    }
  }
}

const std::string kDemo = BRELIX_DEMO_MIDI;

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    for (int c; (c = std::fgetc(f)) != EOF;) bytes.push_back(static_cast<uint8_t>(c));
    std::fclose(f);
  }
  return bytes;
}

// Every cut of a valid file and random corruptions of it end in a MidiFileError or a result,
// never in a read outside the data (the sanitizer build checks that part).
TEST(MidiFile, TruncatedAndCorruptedFilesNeverReadOutOfBounds) {
  const Bytes demo = ReadBytes(kDemo);
  ASSERT_GT(demo.size(), 100u);
  for (size_t length = 0; length < demo.size(); ++length) {
    const Bytes cut(demo.begin(), demo.begin() + length);
    EXPECT_THROW(ParseMidiFile(cut), MidiFileError) << "cut at " << length;
  }
  std::mt19937 random(12345);
  for (int round = 0; round < 2000; ++round) {
    Bytes damaged = demo;
    for (int flips = 1 + round % 4; flips > 0; --flips) {
      damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
    }
    try {
      const MidiSong song = ParseMidiFile(damaged);
      for (const TimedMidiEvent& event : song.Events) {
        ASSERT_GE(event.Message[0], 0x80);
        ASSERT_LE(event.Seconds, kLongestSongSeconds);
      }
    } catch (const MidiFileError&) {
    }
  }
}

TEST(MidiFile, TheDemoSongIsAFormatOnePhraseOfTwentyToThirtySeconds) {
  const MidiSong song = ReadMidiFile(kDemo);
  EXPECT_EQ(song.Format, 1);
  EXPECT_EQ(song.TrackCount, 3);
  ASSERT_FALSE(song.Events.empty());
  EXPECT_GE(song.Events.back().Seconds, 20.0);
  EXPECT_LE(song.Events.back().Seconds, 30.0);
  int held = 0, modulation = 0, bends = 0;
  for (const TimedMidiEvent& event : song.Events) {
    const uint8_t kind = event.Message[0] & 0xF0;
    held += kind == 0x90 && event.Message[2] > 0 ? 1 : kind == 0x80 ? -1 : 0;
    modulation += kind == 0xB0 && event.Message[1] == 1;
    bends += kind == 0xE0;
  }
  EXPECT_EQ(held, 0) << "every note ends";
  EXPECT_GT(modulation, 0);
  EXPECT_GT(bends, 0);
  EXPECT_LT(ReadMidiFile(kDemo, {.TempoBpm = 200}).Events.back().Seconds, 20.0);
}

TEST(MidiFile, UnreadableFilesAreNamedWithTheReason) {
  const std::string missing = "/nonexistent/folder/song.mid";
  try {
    ReadMidiFile(missing);
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("'" + missing + "': No such file"), std::string::npos) << error.what();
  }
  try {
    ReadMidiFile(std::filesystem::temp_directory_path().string());
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("not a regular file"), std::string::npos) << error.what();
  }
}

}  // namespace
}  // namespace brelix
