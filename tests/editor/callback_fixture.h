// A synthesizer playing its default patch for the engine call-back tests, and measures of what it
// renders. In the default patch only oscillator 1 reaches the output (through filter 1), at the
// pitch of the note, with an instant attack, a held sustain and an instant release.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "editor/engine_callbacks.h"
#include "synth/synth_fixture.h"

namespace brelix::testing {

constexpr double kHostRate = 44100.0;

// The frequency of note n of the equal-tempered scale (A4 = 440 Hz).
inline double NoteHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

// The root mean square of x[from, to), `to` cut to the size; 0 for no samples.
inline double RmsOf(const std::vector<float>& x, size_t from, size_t to) {
  to = std::min(to, x.size());
  if (from >= to) return 0.0;
  double sum = 0.0;
  for (size_t i = from; i < to; ++i) sum += double{x[i]} * x[i];
  return std::sqrt(sum / static_cast<double>(to - from));
}

// The root mean square of the sample-to-sample change over x[from, to): what sounds counts, the
// slow tail of the output's DC blocker after the voices stop (and the engine's anti-denormal
// noise) stays below 1e-5.
inline double ChangeRms(const std::vector<float>& x, size_t from, size_t to) {
  from = std::max<size_t>(from, 1);
  to = std::min(to, x.size());
  if (from >= to) return 0.0;
  double sum = 0.0;
  for (size_t i = from; i < to; ++i) sum += (double{x[i]} - x[i - 1]) * (double{x[i]} - x[i - 1]);
  return std::sqrt(sum / static_cast<double>(to - from));
}
constexpr double kSilence = 1e-5;

// The fundamental of a periodic signal: the first lag at which the normalised autocorrelation
// peaks within 10 % of its best, refined by a parabola through its neighbours. 0 for silence.
inline double FundamentalHz(const std::vector<float>& x) {
  const int n = static_cast<int>(x.size());
  const int max_lag = std::min(n / 4, 2205);  // down to 20 Hz
  const int span = n - max_lag;
  std::vector<double> r(max_lag + 1, 0.0);
  for (int lag = 1; lag <= max_lag; ++lag) {
    double xy = 0, xx = 0, yy = 0;
    for (int i = 0; i < span; ++i) {
      xy += double{x[i]} * x[i + lag];
      xx += double{x[i]} * x[i];
      yy += double{x[i + lag]} * x[i + lag];
    }
    r[lag] = xx > 0 && yy > 0 ? xy / std::sqrt(xx * yy) : 0.0;
  }
  const double best = *std::max_element(r.begin() + 2, r.end());
  if (best <= 0.0) return 0.0;
  for (int lag = 2; lag < max_lag; ++lag) {
    if (r[lag] < 0.9 * best || r[lag] < r[lag - 1] || r[lag] < r[lag + 1]) continue;
    const double curve = r[lag - 1] - 2 * r[lag] + r[lag + 1];
    const double shift = curve != 0.0 ? 0.5 * (r[lag - 1] - r[lag + 1]) / curve : 0.0;
    return kHostRate / (lag + shift);
  }
  return 0.0;
}

// The peak magnitude of each whole block of `block` samples.
inline std::vector<float> BlockPeaks(const std::vector<float>& x, size_t block) {
  std::vector<float> peaks;
  for (size_t from = 0; from + block <= x.size(); from += block) {
    float peak = 0.0f;
    for (size_t i = from; i < from + block; ++i) peak = std::max(peak, std::fabs(x[i]));
    peaks.push_back(peak);
  }
  return peaks;
}

class CallbackTest : public ::testing::Test {
 protected:
  XSynthesizer& synth() { return *f.synth; }
  XMulti& multi() { return f.multi(); }
  XPatch& patch() { return f.patch(); }
  XPatchWork& work(int voice) { return f.work(voice); }

  std::vector<float> Render(int frames) { return f.Render(frames); }
  struct Stereo {
    std::vector<float> left, right;
  };
  Stereo RenderStereo(int frames) {
    Stereo out{std::vector<float>(frames), std::vector<float>(frames)};
    float* outputs[2] = {out.left.data(), out.right.data()};
    synth().ProcessReplacing(nullptr, outputs, frames);
    return out;
  }

  // Starts `note` and renders past its attack.
  void Hold(uint8_t note = 60, uint8_t channel = 0) {
    f.NoteOn(note, 100, channel);
    Render(2048);
  }
  // The pitch of what sounds now.
  double SoundingHz() { return FundamentalHz(Render(8192)); }
  // The loudness of what sounds now.
  double SoundingRms() { return RmsOf(Render(4096), 0, 4096); }
  // Nothing sounds now, once the decimator has rung out the last samples of a sound cut short.
  bool Silent() { return ChangeRms(Render(4096), 256, 4096) < kSilence; }

  // The loudness a quarter of a second into the attack of note 60, against the loudness a
  // second in; the note is then released and rung out.
  float AttackMidway() {
    f.NoteOn(60);
    const std::vector<float> peaks = BlockPeaks(Render(44100), 441);
    f.NoteOff(60);
    Render(4410);
    return peaks[25] / peaks.back();
  }

  static constexpr int kNoteFrames = 441;  // 10 ms
  // A 10 ms note of note 60 and half a second of what follows it.
  Stereo Ping(int frames = 22050) {
    f.NoteOn(60);
    Stereo out = RenderStereo(kNoteFrames);
    f.NoteOff(60);
    Stereo rest = RenderStereo(frames - kNoteFrames);
    out.left.insert(out.left.end(), rest.left.begin(), rest.left.end());
    out.right.insert(out.right.end(), rest.right.begin(), rest.right.end());
    return out;
  }
  // What sounds in the 10 ms of x from `seconds` after the note's start, against the note itself.
  static double At(const std::vector<float>& x, double seconds) {
    const auto from = static_cast<size_t>(seconds * kHostRate);
    return ChangeRms(x, from, from + kNoteFrames) / ChangeRms(x, 0, kNoteFrames);
  }
  // Slot m's routing as the page's lists would set it: source, destination and amount.
  void Route(TModSlot slot, uint32_t source_item, uint32_t dest, float amount) {
    SetModSource(synth(), patch(), slot, source_item);
    const int row = slot.Slot / 4, lane = slot.Slot % 4;
    QWord* dests = slot.Matrix == TModMatrix::Patch ? patch().ModDest : patch().MidiModDest;
    QSingle* amounts = slot.Matrix == TModMatrix::Patch ? patch().ModAmount : patch().MidiModAmount;
    dests[row].lanes()[lane] = dest;
    amounts[row].lanes()[lane] = amount;
    UpdateModDest(synth(), patch(), slot);
  }

  SynthFixture f;
};

// Item and destination numbers of the page lists used by the tests.
constexpr uint32_t kItemLfo1 = 1;
constexpr uint32_t kItemModWheel = 49;
constexpr uint32_t kItemConstant = 65535;
constexpr uint32_t kDestOsc1Pitch = 1;
constexpr uint32_t kDestFilter1Cutoff = 13;
constexpr TModSlot kSlot1{TModMatrix::Patch, 0};
// Envelope 4, the amplitude envelope, is lane 4 (element 3).
constexpr int kAmpLane = 3;

}  // namespace brelix::testing
