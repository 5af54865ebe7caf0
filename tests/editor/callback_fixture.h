// A synthesizer playing its default patch for the engine call-back tests. In the default patch
// only oscillator 1 reaches the output (through filter 1), at the pitch of the note, with an
// instant attack, a held sustain and an instant release.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "synth/engine_callbacks.h"
#include "support/note_measures.h"
#include "synth/synth_fixture.h"

namespace brelix::testing {

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
