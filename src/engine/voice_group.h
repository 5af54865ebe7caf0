// What the render loop hands the voice kernels: the values of a block of frames that every voice
// shares, the voice sum of each frame, and a group of voices rendered side by side.
#pragma once

#include <cstddef>
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
// in these frames. Their sub-samples go into block.sum. A kernel that holds the group's lanes
// (it has load and store routines) runs on them and leaves their new states there; one that does
// not loads the lanes from the voices' work records and stores them back itself.
using VoiceRunRoutine = void (*)(const XSynthWork& sw, const XPatch& p, VoiceGroup& group, FrameBlock& block,
                                 int first, int end);
// Loads the lanes of every place of the group from the voices' work records, all at once, and the
// values of the patch that every voice shares.
using VoiceLoadRoutine = void (*)(const XSynthWork& sw, const XPatch& p, VoiceGroup& group);
// Stores the states of every live voice of the group back into its work record, all at once.
using VoiceStoreRoutine = void (*)(VoiceGroup& group);

// The kernel of one vector type: its run, and where it holds the group's lanes, the loads and
// stores of all of them (a voice alone is loaded and stored by group_lanes.h, the same for every
// type).
struct VoiceKernel {
  VoiceRunRoutine run = nullptr;
  VoiceLoadRoutine load = nullptr;
  VoiceStoreRoutine store = nullptr;
};

// The fields of a voice's lane set (VoiceLaneSet in voice_kernel.h): its oscillator and filter
// states and the values that stay constant between its control ticks.
constexpr int kVoiceLaneFields = 41;
// Room for the values of the patch that every voice of a group shares (SharedLanes).
constexpr int kSharedLaneBytes = 22 * 16 * 16;

// Up to sixteen voices rendered together, highest index first. A voice that has gone idle in the
// block is no longer live: its lanes may still be computed, but nothing of them is kept.
struct VoiceGroup {
  static constexpr int kMaxVoices = 16;
  XPatchWork* voice[kMaxVoices] = {};
  bool live[kMaxVoices] = {};
  int size = 0;      // voices in the group
  int places = 0;    // voices the kernel's vectors hold (size or more; the rest repeat the first)
  VoiceKernel kernel;  // the kernel for that many places
  // The lane set of the kernel's vector type, field after field, each field `places` x 16 bytes
  // with voice n in its n-th 16 bytes. A kernel that holds the lanes keeps them here through the
  // block; around one voice's own events only that voice's lanes are stored and loaded
  // (group_lanes.h), not every voice's.
  alignas(64) std::byte lanes[kVoiceLaneFields * 16 * kMaxVoices];
  // The patch's shared values in the same vector type, loaded with the whole group.
  alignas(64) std::byte shared[kSharedLaneBytes];
};

// The kernels of one vector width: for four voices, and for eight and sixteen where that pays
// (more chains in flight, but more registers to hold them and more work when some voices are
// missing); none where it does not.
struct VoiceRunner {
  static constexpr int kSmall = 4;
  static constexpr int kLarge = 8;
  static constexpr int kHuge = 16;
  VoiceKernel small;
  VoiceKernel large;  // none (run is null) where it does not pay
  VoiceKernel huge;
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
