// A synthesizer instance built the way the entry point builds one, without a host behind it,
// with small helpers to send MIDI and read voice states.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "engine/patch_work.h"
#include "engine/rates.h"
#include "support/synth_instance.h"
#include "synth/multi.h"
#include "synth/synthesizer.h"
#include "synth/voice.h"

namespace brelix::testing {

struct SynthFixture {
  SynthFixture() : synth(MakeSynth()) { synth->SetSampleRate(44100.0f); }

  XMulti& multi() { return *synth->Multi; }
  XPatch& patch() { return *synth->Multi->EditBuffer; }
  XVoice& voice(int i) { return *synth->Voices[i]; }
  XPatchWork& work(int i) { return *synth->PatchWork[i]; }
  int32_t stage(int i) { return AmpStage(work(i)); }

  void Send(uint8_t status, uint8_t data1, uint8_t data2 = 0) {
    const uint8_t midi[3] = {status, data1, data2};
    synth->Multi->ProcessEvent(midi);
  }
  void NoteOn(uint8_t note, uint8_t velocity = 100, uint8_t channel = 0) { Send(0x90 | channel, note, velocity); }
  void NoteOff(uint8_t note, uint8_t velocity = 64, uint8_t channel = 0) { Send(0x80 | channel, note, velocity); }

  // Renders `frames` samples through the host entry.
  std::vector<float> Render(int32_t frames) {
    std::vector<float> left(frames), right(frames);
    float* outputs[2] = {left.data(), right.data()};
    synth->ProcessReplacing(nullptr, outputs, frames);
    return left;
  }

  Synth synth;
};

}  // namespace brelix::testing
