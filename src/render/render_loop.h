// The render loop: the engine's answer to the host's process call.
//
// Three records hold everything it touches, all in the instance's engine memory:
//   - the constant block (XSynthWork): constants in all four lanes, the noise generator's state
//     and this frame's noise, and the base that every 32-bit offset (tables, modulation sources
//     and destinations) counts from;
//   - the patch (XPatch): the one edit buffer all voices play, with its derived values and the
//     patch-level run-time state (the voice sum Output, the output DC blocker, the delay and
//     patch-LFO countdowns, the patch LFO phase);
//   - the voice work record (XPatchWork), one per voice: every state of its oscillators, sample
//     oscillators, filters, LFOs, envelopes and modulation matrices.
//
// Frame order. Per output frame, as the synthesizer defines it: the noise step; the MIDI matrix
// pass of every active voice when its 3 ms countdown runs out; the delay control step every 256
// frames; the patch LFO step; then every voice from the highest index down: an idle voice only
// advances its phases, an active one runs its control tick when due and renders one audio
// sub-sample, or two with Oversample 1 (the voices then run at twice the host rate, and lanes 1-2
// of the frame's voice sum hold the first sub-sample, lanes 3-4 the second); then the decimator
// (when oversampling), the delays, the output DC blocker, and the two output samples.
//
// How this loop gets there. A host block is worked through in blocks of kBlockFrames:
//   1. the values every voice shares are computed for all frames of the block first (noise,
//      MIDI schedule, patch LFO phase);
//   2. then the voices, one group at a time (four, eight or sixteen voices side by side, as the
//      vector path has kernels for), each through the whole block: at a frame where something
//      other than audio happens to a voice (its MIDI pass, its control tick, its turning idle)
//      the group stops to do it, and between such frames the voice kernel runs the group's audio
//      with every state in vectors (voice_kernel.h). The wider kernels hold the group's lanes
//      through the block, so a voice's own event stores and loads only its lanes (group_lanes.h);
//      the 4-lane kernel loads and stores every voice's lanes around each run;
//   3. then the output chain, frame by frame, over the per-frame voice sums.
// The output is the same to the bit as frame by frame: a voice only ever touches its own record,
// each of its steps sees the shared values of its own frame, and every frame's sum receives the
// voices in the same order. The renders of tests/data/render_hashes.txt pin this.
//
// Control tick: every ControlRate + 1 frames of an active voice (8 by default), counted down in
// its ControlCounter (CountdownDue, countdown.h), before the frame's sub-samples. A note-on
// zeroes the counter, so a note's first tick comes with its first frame.
//
// Verbs in routine names: ...InitTables builds a table once per instance or process;
// ...PatchRecalculate derives patch values from stored ones after a load or an edit; ...NoteOn
// is a voice's note-on hook; ...Calculate runs once per control tick (or per schedule);
// ...Process runs once per audio sub-sample; ...Update recomputes what an edit from the
// user-interface thread changed in a sounding voice or a running effect.
//
// Lanes: a module kind has four units, unit n in lane n of a 4-lane vector. Names, comments and
// files count lanes 1..4; code indexes them 0..3 (lane(0) is lane 1). A wider vector of the voice
// kernel holds several voices, voice v (from 0) in lanes 4v + 1 .. 4v + 4.
#pragma once

#include <cstdint>

#include "engine/downsampler.h"
#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/synth_work.h"
#include "engine/voice_group.h"

namespace brelix {

// The most voices an instance has.
constexpr int kMaxRenderVoices = 16;

struct RenderTarget {
  XSynthWork& sw;
  XPatch& patch;              // the edit buffer every voice plays
  XPatchWork* const* voices;  // work records, voice 0 first
  int active_voices;          // voices visited, from the highest index down (kMaxRenderVoices at most)
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
