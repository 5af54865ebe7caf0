#include "midi_file.h"

#include "base/printable_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <queue>
#include <utility>

namespace brelix {

MidiFileError::MidiFileError(const std::string& problem, size_t offset)
    : std::runtime_error(problem + " at byte " + std::to_string(offset)), offset_(offset) {}

namespace {

constexpr double kDefaultMicrosecondsPerQuarter = 500000.0;
constexpr int kLongestVariableLength = 4;  // bytes; the largest value is 0x0FFFFFFF

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

// A cursor over one stretch of the file ([begin, end)) that never reads beyond it. `area`
// names what is being read in error messages ("header", "track 2"), `stretch` the stretch
// itself ("the file", "the track chunk").
class ByteReader {
 public:
  ByteReader(std::span<const uint8_t> bytes, size_t begin, size_t end, std::string area, const char* stretch)
      : bytes_(bytes), pos_(begin), end_(end), area_(std::move(area)), stretch_(stretch) {}

  size_t Offset() const { return pos_; }
  bool AtEnd() const { return pos_ >= end_; }
  const std::string& Area() const { return area_; }

  [[noreturn]] void Fail(const std::string& problem, size_t offset) const {
    throw MidiFileError(area_ + ": " + problem, offset);
  }

  // Makes sure `count` more bytes exist; `what` names them for the error.
  void Need(size_t count, const char* what) const {
    if (count > end_ - pos_) {
      Fail(std::string(what) + " needs " + std::to_string(count) + " byte(s) but only " +
               std::to_string(end_ - pos_) + " remain in " + stretch_,
           pos_);
    }
  }

  uint8_t Byte(const char* what) {
    Need(1, what);
    return bytes_[pos_++];
  }

  uint32_t BigEndian(int count, const char* what) {
    Need(static_cast<size_t>(count), what);
    uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = (value << 8) | bytes_[pos_++];
    return value;
  }

  uint32_t VariableLength(const char* what) {
    const size_t start = pos_;
    uint32_t value = 0;
    for (int i = 0; i < kLongestVariableLength; ++i) {
      const uint8_t b = Byte(what);
      value = (value << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) return value;
    }
    Fail(std::string(what) + " is a variable-length number longer than 4 bytes", start);
  }

  void Skip(size_t count, const char* what) {
    Need(count, what);
    pos_ += count;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_;
  size_t end_;
  std::string area_;
  const char* stretch_;
};

struct Division {
  bool Smpte = false;
  uint32_t TicksPerQuarter = 0;  // metrical timing
  double TicksPerSecond = 0.0;   // SMPTE timing
};

struct TempoChange {
  uint64_t Tick;
  double MicrosecondsPerQuarter;
};

Division ReadDivision(uint16_t field, size_t offset) {
  Division division;
  if (field & 0x8000) {
    // High byte: minus the SMPTE frame rate; low byte: ticks per frame.
    const int framesPerSecond = -static_cast<int8_t>(field >> 8);
    const int ticksPerFrame = field & 0xFF;
    double rate = 0.0;
    switch (framesPerSecond) {
      case 24: rate = 24.0; break;
      case 25: rate = 25.0; break;
      case 29: rate = 30000.0 / 1001.0; break;  // 30 drop-frame runs at 29.97 frames a second
      case 30: rate = 30.0; break;
      default:
        throw MidiFileError("header: SMPTE division with " + std::to_string(framesPerSecond) +
                                " frames per second (24, 25, 29 or 30 expected)",
                            offset);
    }
    if (ticksPerFrame == 0) throw MidiFileError("header: SMPTE division with 0 ticks per frame", offset);
    division.Smpte = true;
    division.TicksPerSecond = rate * ticksPerFrame;
  } else {
    if (field == 0) throw MidiFileError("header: division of 0 ticks per quarter note", offset);
    division.TicksPerQuarter = field;
  }
  return division;
}

// A data byte of a channel message; a byte with the top bit set here means a broken message.
uint8_t DataByte(ByteReader& reader) {
  const size_t offset = reader.Offset();
  const uint8_t b = reader.Byte("a channel message");
  if (b & 0x80) reader.Fail("status byte " + Hex(b) + " where a data byte was expected", offset);
  return b;
}

int DataLength(uint8_t status) {
  const uint8_t kind = status & 0xF0;
  return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

// What a track holds for the song: a channel message or a tempo change, at its tick.
enum class ItemKind { Channel, Tempo };
struct TrackItem {
  ItemKind Kind = ItemKind::Channel;
  uint64_t Tick = 0;
  MidiMessage Message{};               // a channel message
  double MicrosecondsPerQuarter = 0.0; // a tempo change
  size_t Offset = 0;                   // of the item's delta time
};

// Walks one track chunk item by item; everything but channel messages and tempo changes is
// skipped. The track ends at its end-of-track event or at the end of its chunk.
class TrackReader {
 public:
  explicit TrackReader(ByteReader body) : reader_(std::move(body)) {}

  // The next item; false at the end of the track, whose tick is then Tick().
  bool Next(TrackItem& item) {
    while (!ended_ && !reader_.AtEnd()) {
      const size_t eventOffset = reader_.Offset();
      tick_ += reader_.VariableLength("a delta time");
      const size_t statusOffset = reader_.Offset();
      uint8_t status = reader_.Byte("an event");
      if (status < 0xF0) {
        uint8_t first;
        if (status & 0x80) {
          runningStatus_ = status;
          first = DataByte(reader_);
        } else {
          if (runningStatus_ == 0) reader_.Fail("data byte " + Hex(status) + " without a running status", statusOffset);
          first = status;
          status = runningStatus_;
        }
        const uint8_t second = DataLength(status) == 2 ? DataByte(reader_) : 0;
        item = {.Kind = ItemKind::Channel, .Tick = tick_, .Message = {status, first, second}, .Offset = eventOffset};
        return true;
      }
      runningStatus_ = 0;
      if (status == 0xF0 || status == 0xF7) {
        reader_.Skip(reader_.VariableLength("a system exclusive length"), "a system exclusive message");
        continue;
      }
      if (status != 0xFF) reader_.Fail("status byte " + Hex(status) + " is not allowed in a MIDI file", statusOffset);
      const uint8_t type = reader_.Byte("a meta event");
      const uint32_t length = reader_.VariableLength("a meta event length");
      ended_ = type == 0x2F;  // end of track: anything after it in the chunk is ignored
      if (type != 0x51) {
        reader_.Skip(length, "a meta event");
        continue;
      }
      if (length != 3) {
        reader_.Fail("tempo event with " + std::to_string(length) + " data bytes (3 expected)", eventOffset);
      }
      const uint32_t microseconds = reader_.BigEndian(3, "a tempo event");
      if (microseconds == 0) reader_.Fail("tempo of 0 microseconds per quarter note", eventOffset);
      item = {.Kind = ItemKind::Tempo, .Tick = tick_, .MicrosecondsPerQuarter = static_cast<double>(microseconds),
              .Offset = eventOffset};
      return true;
    }
    return false;
  }

  uint64_t Tick() const { return tick_; }
  const std::string& Area() const { return reader_.Area(); }

 private:
  ByteReader reader_;
  uint64_t tick_ = 0;
  uint8_t runningStatus_ = 0;  // 0: none
  bool ended_ = false;
};

// Piecewise-linear tick-to-seconds map: each segment starts at a tempo change. Changes from
// every track apply to the whole song.
class TempoMap {
 public:
  TempoMap(uint32_t ticksPerQuarter, double initialMicrosecondsPerQuarter, std::vector<TempoChange> changes)
      : ticksPerQuarter_(ticksPerQuarter) {
    std::stable_sort(changes.begin(), changes.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.Tick < b.Tick; });
    segments_.push_back({0, 0.0, initialMicrosecondsPerQuarter});
    for (const TempoChange& change : changes) {
      Segment& last = segments_.back();
      if (change.Tick == last.StartTick) {
        last.MicrosecondsPerQuarter = change.MicrosecondsPerQuarter;  // the later one wins
      } else {
        segments_.push_back({change.Tick, Seconds(last, change.Tick), change.MicrosecondsPerQuarter});
      }
    }
  }

  // The segments as the song's tempo map.
  std::vector<SongTempo> Tempos() const {
    std::vector<SongTempo> tempos;
    for (const Segment& segment : segments_) {
      tempos.push_back({segment.StartSeconds, static_cast<double>(segment.StartTick) / ticksPerQuarter_,
                        60e6 / segment.MicrosecondsPerQuarter});
    }
    return tempos;
  }

  // Ticks must be asked for in rising order.
  double SecondsAt(uint64_t tick) {
    while (current_ + 1 < segments_.size() && segments_[current_ + 1].StartTick <= tick) ++current_;
    return Seconds(segments_[current_], tick);
  }

 private:
  struct Segment {
    uint64_t StartTick;
    double StartSeconds;
    double MicrosecondsPerQuarter;
  };

  double Seconds(const Segment& segment, uint64_t tick) const {
    const double quarters = static_cast<double>(tick - segment.StartTick) / ticksPerQuarter_;
    return segment.StartSeconds + quarters * segment.MicrosecondsPerQuarter * 1e-6;
  }

  uint32_t ticksPerQuarter_;
  std::vector<Segment> segments_;
  size_t current_ = 0;
};

}  // namespace

MidiSong ParseMidiFile(std::span<const uint8_t> bytes, const MidiReadOptions& options) {
  if (!(options.TempoBpm >= 0.0) || !std::isfinite(options.TempoBpm)) {
    throw std::invalid_argument("the tempo override must be a positive number of beats per minute");
  }

  if (bytes.size() < 4 || std::memcmp(bytes.data(), "MThd", 4) != 0) {
    throw MidiFileError("not a MIDI file: no MThd header", 0);
  }
  ByteReader file(bytes, 4, bytes.size(), "header", "the file");
  const uint32_t headerLength = file.BigEndian(4, "the header length");
  if (headerLength < 6) file.Fail("header length " + std::to_string(headerLength) + " (at least 6 expected)", 4);
  file.Need(headerLength, "the header chunk");

  MidiSong song;
  const size_t formatOffset = file.Offset();
  song.Format = static_cast<int>(file.BigEndian(2, "the format"));
  if (song.Format == 2) file.Fail("format 2 (independent sequences) is not supported", formatOffset);
  if (song.Format > 2) file.Fail("unknown format " + std::to_string(song.Format), formatOffset);
  const size_t trackCountOffset = file.Offset();
  song.TrackCount = static_cast<int>(file.BigEndian(2, "the track count"));
  if (song.TrackCount == 0) file.Fail("the file declares no tracks", trackCountOffset);
  const size_t divisionOffset = file.Offset();
  const Division division = ReadDivision(static_cast<uint16_t>(file.BigEndian(2, "the division")), divisionOffset);
  song.SmpteTiming = division.Smpte;
  file.Skip(headerLength - 6, "the header chunk");

  // Track chunks follow; chunks of other types are skipped, as the format asks of readers. A
  // first pass checks every track, counts its messages and gathers the tempo map; the second
  // reads the messages straight into the song, merged in time order.
  std::vector<ByteReader> tracks;
  std::vector<TempoChange> tempos;
  size_t messages = 0;
  uint64_t endTick = 0;
  size_t endOffset = 0;  // of the track chunk that ends last
  for (int track = 0; track < song.TrackCount;) {
    ByteReader chunks(bytes, file.Offset(), bytes.size(), "track " + std::to_string(track + 1), "the file");
    if (chunks.AtEnd()) {
      chunks.Fail("the file ends after " + std::to_string(track) + " of " +
                      std::to_string(song.TrackCount) + " tracks",
                  chunks.Offset());
    }
    const size_t chunkOffset = chunks.Offset();
    chunks.Need(8, "a chunk header");
    const bool isTrack = std::memcmp(bytes.data() + chunkOffset, "MTrk", 4) == 0;
    chunks.Skip(4, "a chunk type");
    const uint32_t length = chunks.BigEndian(4, "a chunk length");
    chunks.Need(length, isTrack ? "the track chunk" : "a chunk");
    const size_t bodyOffset = chunks.Offset();
    if (isTrack) {
      tracks.emplace_back(bytes, bodyOffset, bodyOffset + length, chunks.Area(), "the track chunk");
      TrackReader reader(tracks.back());
      for (TrackItem item; reader.Next(item);) {
        if (item.Kind == ItemKind::Tempo) tempos.push_back({item.Tick, item.MicrosecondsPerQuarter});
        else ++messages;
        if (messages + tempos.size() > kMostMidiEvents) {
          throw MidiFileError(reader.Area() + ": more than " + std::to_string(kMostMidiEvents) +
                                  " events (messages and tempo changes) in the song",
                              item.Offset);
        }
      }
      if (reader.Tick() >= endTick) {
        endTick = reader.Tick();
        endOffset = chunkOffset;
      }
      ++track;
    }
    file.Skip(8 + static_cast<size_t>(length), "a chunk");
  }

  const bool overrideTempo = options.TempoBpm > 0.0;
  if (division.Smpte || overrideTempo) tempos = {};
  TempoMap tempoMap(division.TicksPerQuarter,
                    overrideTempo ? 60e6 / options.TempoBpm : kDefaultMicrosecondsPerQuarter, std::move(tempos));
  // Ticks are asked for in rising order: every event, then the end, which is at none of them.
  const auto secondsAt = [&](uint64_t tick, const char* what, size_t offset) {
    const double seconds = division.Smpte ? static_cast<double>(tick) / division.TicksPerSecond : tempoMap.SecondsAt(tick);
    if (!(seconds <= kLongestSongSeconds)) {
      char text[128];
      std::snprintf(text, sizeof text, "%s at %.0f s lies beyond the longest song of %.0f s", what, seconds,
                    kLongestSongSeconds);
      throw MidiFileError(text, offset);
    }
    return seconds;
  };

  // Each track is in time order already: the merge takes the earliest next message of all
  // tracks, the first track's among equal ticks, so equal times keep track, then file order.
  std::vector<TrackReader> readers(tracks.begin(), tracks.end());
  std::vector<TrackItem> pending(readers.size());
  const auto nextMessage = [&](size_t track) {
    while (readers[track].Next(pending[track])) {
      if (pending[track].Kind == ItemKind::Channel) return true;
    }
    return false;
  };
  using Head = std::pair<uint64_t, size_t>;  // the pending message's tick, its track
  std::priority_queue<Head, std::vector<Head>, std::greater<Head>> heads;
  for (size_t track = 0; track < readers.size(); ++track) {
    if (nextMessage(track)) heads.push({pending[track].Tick, track});
  }
  song.Events.reserve(messages + kEventsAddedAtTheEnd);
  while (!heads.empty()) {
    const size_t track = heads.top().second;
    heads.pop();
    const TrackItem& item = pending[track];
    song.Events.push_back({secondsAt(item.Tick, "an event", item.Offset), item.Message});
    if (nextMessage(track)) heads.push({pending[track].Tick, track});
  }
  song.EndSeconds = secondsAt(endTick, "the end of a track", endOffset);
  // SMPTE timing counts no beats: the transport runs at the override or the default tempo.
  if (division.Smpte) song.Tempos = {{0.0, 0.0, overrideTempo ? options.TempoBpm : 60e6 / kDefaultMicrosecondsPerQuarter}};
  else song.Tempos = tempoMap.Tempos();
  return song;
}

SongPosition PositionAt(std::span<const SongTempo> tempos, double seconds) {
  if (tempos.empty()) return {};
  const auto after = std::upper_bound(tempos.begin() + 1, tempos.end(), seconds,
                                      [](double s, const SongTempo& tempo) { return s < tempo.Seconds; });
  const SongTempo& tempo = *(after - 1);
  return {tempo.Bpm, tempo.Quarters + (seconds - tempo.Seconds) * tempo.Bpm / 60.0};
}

MidiSong ReadMidiFile(const std::string& path, const MidiReadOptions& options) {
  const auto fail = [&](const std::string& reason) -> std::runtime_error {
    return std::runtime_error("cannot read MIDI file '" + PrintableText(path) + "': " + reason);
  };
  // Opened without blocking: a FIFO or a device named as the MIDI file is refused at once
  // instead of waiting for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) throw fail(std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0) throw fail(std::strerror(errno));
  if (!S_ISREG(info.st_mode)) throw fail("not a regular file");
  if (static_cast<uint64_t>(info.st_size) > kLargestMidiFileBytes) {
    throw fail("larger than " + std::to_string(kLargestMidiFileBytes >> 20) + " MiB, more than a song needs");
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(info.st_size));
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw fail(std::strerror(errno));
    if (n == 0) throw fail("the file shrank while it was read");
    got += static_cast<size_t>(n);
  }
  return ParseMidiFile(bytes, options);
}

}  // namespace brelix
