// What the render loop hands the voice kernels: the values of a block of frames that every voice
// shares, the voice sum of each frame, and a group of voices rendered side by side.
#pragma once

#include <cstdint>

#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/qvector.h"
#include "engine/synth_work.h"

namespace brelix {

// The render loop works through a host block in blocks of at most this many frames.
constexpr int kBlockFrames = 64;

// Per frame of a block: what every voice sees in that frame, computed before any voice runs, and
// the sum the voices add their output to.
struct FrameBlock {
  int frames = 0;
  bool sample_oscillators = false;        // the patch's sample oscillator routines are on
  QSingle noise[kBlockFrames];            // NoiseGenerator of the frame
  QSingle denormal[kBlockFrames];         // Denormal of the frame
  QSingle patch_lfo_phase[kBlockFrames];  // PatchLfoPhase after the frame's patch LFO step
  bool midi_pass[kBlockFrames];           // the MIDI matrix runs in this frame
  int next_midi_pass[kBlockFrames];       // the first frame after this one with a pass, or frames
  // Lanes 1-2: left and right of the first sub-sample; lanes 3-4 of the second (0 without
  // oversampling). Voices add in the specified order, highest index first.
  QSingle sum[kBlockFrames];
};

struct VoiceGroup;

// Renders frames [first, end) of a block for the group: nothing but audio happens to its voices
// in these frames. Their sub-samples go into block.sum, and the states back into the live voices.
using VoiceRunRoutine = void (*)(const XSynthWork& sw, const XPatch& p, VoiceGroup& group, FrameBlock& block,
                                 int first, int end);

// Up to sixteen voices rendered together, highest index first. A voice that has gone idle in the
// block is no longer live: its lanes may still be computed, but nothing of them is kept.
struct VoiceGroup {
  static constexpr int kMaxVoices = 16;
  XPatchWork* voice[kMaxVoices] = {};
  bool live[kMaxVoices] = {};
  int size = 0;      // voices in the group
  VoiceRunRoutine run = nullptr;  // the kernel for that many voices
};

// The kernels of one vector width: for four voices, and for eight and sixteen where that pays
// (more chains in flight, but more registers to hold them and more work when some voices are
// missing); none where it does not.
struct VoiceRunner {
  static constexpr int kSmall = 4;
  static constexpr int kLarge = 8;
  static constexpr int kHuge = 16;
  VoiceRunRoutine small;
  VoiceRunRoutine large;
  VoiceRunRoutine huge = nullptr;
};

// The vector path the kernels take: the widest the machine runs (four voices in each 512-bit
// register where it has AVX-512, two in each 256-bit register where it has AVX2, four lanes per
// register otherwise), or a narrower one that the environment variable BRELIX_SIMD asks for:
// "avx2" or "sse" (so that every path can be measured and checked against the others on one
// machine).
VectorPath ChosenVectorPath();
// The kernels of the chosen path.
VoiceRunner ChooseVoiceRunner();

}  // namespace brelix
