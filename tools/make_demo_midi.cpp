// Writes the demo song, a Standard MIDI File of our own making: format 1, a tempo track with a
// tempo change, a chord track with the mod wheel and a bass line with pitch bends, all on
// channel 1. Usage: make-demo-midi OUT.mid
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kTicks = 480;  // per quarter note

struct Track {
  std::vector<uint8_t> bytes;
  uint32_t last = 0;
  void VarLen(uint32_t v) {
    uint8_t buf[4];
    int n = 0;
    do {
      buf[n++] = v & 0x7F;
      v >>= 7;
    } while (v != 0);
    while (n > 1) bytes.push_back(buf[--n] | 0x80);
    bytes.push_back(buf[0]);
  }
  void Event(uint32_t tick, std::initializer_list<uint8_t> data) {
    VarLen(tick - last);
    last = tick;
    bytes.insert(bytes.end(), data);
  }
  void Tempo(uint32_t tick, double bpm) {
    const uint32_t us = static_cast<uint32_t>(60000000.0 / bpm);
    Event(tick, {0xFF, 0x51, 0x03, static_cast<uint8_t>(us >> 16), static_cast<uint8_t>(us >> 8), static_cast<uint8_t>(us)});
  }
  void End(uint32_t tick) { Event(tick, {0xFF, 0x2F, 0x00}); }
};

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-demo-midi OUT.mid\n");
    return 1;
  }
  const uint32_t bar = 4 * kTicks;
  Track tempo, chords, bass;
  tempo.Tempo(0, 100);
  tempo.Tempo(8 * bar, 112);  // the second half moves on
  tempo.End(16 * bar);

  // Am - F - C - G, twice, then with more movement.
  const int roots[] = {57, 53, 48, 55};
  const int thirds[] = {3, 4, 4, 4};
  for (int b = 0; b < 16; ++b) {
    const int root = roots[b % 4];
    const uint32_t start = b * bar;
    const uint8_t velocity = static_cast<uint8_t>(70 + (b % 4) * 8);
    const int notes[] = {root + 12, root + 12 + thirds[b % 4], root + 19};
    for (int n : notes) chords.Event(start, {0x90, static_cast<uint8_t>(n), velocity});
    chords.Event(start + bar / 2, {0xB0, 0x01, static_cast<uint8_t>((b * 8) % 128)});
    for (int n : notes) chords.Event(start + bar - kTicks / 4, {0x80, static_cast<uint8_t>(n), 64});
  }
  chords.End(16 * bar);

  for (int b = 0; b < 16; ++b) {
    const int root = roots[b % 4] - 24;
    for (int beat = 0; beat < 4; ++beat) {
      const uint32_t t = b * bar + beat * kTicks;
      const int note = root + (beat == 2 ? 7 : 0) + (b >= 8 && beat == 3 ? 12 : 0);
      bass.Event(t, {0x90, static_cast<uint8_t>(note), static_cast<uint8_t>(beat == 0 ? 110 : 90)});
      if (b % 4 == 3 && beat == 3) {
        bass.Event(t + kTicks / 4, {0xE0, 0x00, 0x50});  // bend up, then back
        bass.Event(t + kTicks / 2, {0xE0, 0x00, 0x40});
      }
      bass.Event(t + kTicks - kTicks / 8, {0x80, static_cast<uint8_t>(note), 64});
    }
  }
  bass.End(16 * bar);

  std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 3, kTicks >> 8, kTicks & 0xFF};
  for (Track* t : {&tempo, &chords, &bass}) {
    out.insert(out.end(), {'M', 'T', 'r', 'k'});
    Put32(out, static_cast<uint32_t>(t->bytes.size()));
    out.insert(out.end(), t->bytes.begin(), t->bytes.end());
  }
  std::ofstream file(argv[1], std::ios::binary);
  file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return file ? 0 : 1;
}
