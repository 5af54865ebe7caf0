// The per-sample render loop: fills the two output channels of one block.
#pragma once

#include <cstdint>

#include "engine/downsampler.h"
#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/synth_work.h"
#include "engine/voice_group.h"

namespace brelix {

struct RenderTarget {
  XSynthWork& sw;
  XPatch& patch;              // the edit buffer every voice plays
  XPatchWork* const* voices;  // work records, voice 0 first
  int active_voices;          // voices visited, from the highest index down
  int32_t& midi_count;        // countdown of the MIDI matrix pass, kept across blocks
  TDownsampler& downsampler;
  VoiceRunner runner;         // the audio runs of the active voices
};

// Host tempo in beats per minute to the engine's bars of four beats per second, at least 1 BPM.
float TempoFromBpm(double bpm);

// Renders `frames` samples into left/right (written, not added). `tempo` is TempoFromBpm of the
// host tempo, constant for the block.
void RenderFrames(RenderTarget& target, float tempo, float* left, float* right, int32_t frames);

}  // namespace brelix
