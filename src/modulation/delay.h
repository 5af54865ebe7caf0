// The two stereo delays after the voice sum, computed together as one 4-lane vector: lane 1 is
// Delay #1 left, lane 2 Delay #1 right, lane 3 Delay #2 left, lane 4 Delay #2 right. Each lane is
// a feedback line with a damping low-pass in the loop, a fractional read by first-order all-pass
// interpolation, a DC blocker on the delayed signal and a stereo-width cross-mix of the wet part;
// Delay #2 can be fed in series from Delay #1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/patch.h"
#include "engine/qvector.h"

namespace brelix {

class XGlobalMemory;

// Storage of each of the four lines, in singles: the smallest prime not below 96000. The working
// length of a line follows the host rate and uses only the first entries.
constexpr uint32_t kDelayLineSize = 96001;

// The work record of one delay object; every field is four lanes in the order above.
struct alignas(16) XDelayWork {
  QSingle DelayTime;     // seconds, or bars in clocked lanes
  QSingle MaxDelayTime;  // 1.0 second
  QSingle Feedback;      // [0, 1]
  QSingle Damp;          // [0, 1]
  QSingle DryGain;
  QSingle Wet1;          // (0.5 + 0.5 W) x wet: the wet part of the lane itself
  QSingle Wet2;          // 0.5 (1 - W) x wet: the wet part of the other channel of the pair
  QSingle Input;
  QSingle Sample;        // what enters each line this sample
  QSingle Routing;       // 0, 0, DelayRouting, DelayRouting
  QSingle Mix;
  QSingle FracOffset;    // 1 - fractional part of the delay in samples: the all-pass coefficient
  QSingle Filter;        // damping low-pass state
  QSingle z1;            // all-pass state, which is also the delayed signal
  QSingle DCBlocker;
  QOffset Buffer;        // byte offset of each lane's line from the engine memory base
  QInteger BufferSize;   // working length N of each line
  QInteger DelayPtr;     // write position, 0..N-1
  QInteger IntOffset;    // whole samples of the delay
};
static_assert(sizeof(XDelayWork) == 19 * 16, "one 16-byte vector per field, no padding");
static_assert(offsetof(XDelayWork, DelayTime) == 0 && offsetof(XDelayWork, Wet1) == 5 * 16 &&
              offsetof(XDelayWork, Sample) == 8 * 16 && offsetof(XDelayWork, FracOffset) == 11 * 16 &&
              offsetof(XDelayWork, DCBlocker) == 14 * 16 && offsetof(XDelayWork, Buffer) == 15 * 16 &&
              offsetof(XDelayWork, IntOffset) == 18 * 16);

// The delay object of a patch. Created, initialised and destroyed on the user-interface thread
// only, while rendering is held off; Update also comes from that thread for single slider edits,
// between two samples of a running render. Calculate and Process run on the audio thread and never
// allocate.
class XDelay {
 public:
  // Create: takes the 16-byte aligned work record and clears the lines (Initialize). The patch's
  // four lines must have been allocated (DelayBuffersAllocate).
  explicit XDelay(XPatch& patch);
  ~XDelay();  // Destroy: releases the work record
  XDelay(const XDelay&) = delete;
  XDelay& operator=(const XDelay&) = delete;

  // Working length from the host rate; clears the lines and every state.
  void Initialize();
  // Control step: copies the patch's delay settings into the work record (feedback and damping
  // clamped to [0, 1]).
  void Calculate();
  // The same from the user-interface thread, after an edit or a load.
  void Update();
  // One output sample: x is (L, R, L, R) x 0.5 of the voice sum; the result's lanes 1 + 3 are
  // the left output, 2 + 4 the right.
  QSingle Process(QSingle x);

  std::unique_ptr<unsigned char[]> DelayWorkMem;  // the raw allocation holding the work record
  XPatch* Patch = nullptr;
  XDelayWork* DelayWork = nullptr;  // 16-byte aligned, inside DelayWorkMem
};

// Takes the four lines of kDelayLineSize singles from the arena into p.DelayBuffer; once, when
// the patch record is created. Throws "Out of global memory!" like every arena allocation.
void DelayBuffersAllocate(XPatch& p, XGlobalMemory& memory);

// Installs the delay's routines with p.Delay as FX1Ptr when DelayWet or AuxDelayWet is non-zero,
// NoOperation in both slots otherwise.
void DelaySelect(XPatch& p);

// After a patch load, "Init" or a sample-rate change (recreate set): replaces p.Delay by a fresh
// object with cleared lines; then, in every case, Update and DelaySelect.
void DelayRebuild(XPatch& p, bool recreate);

// Destroys p.Delay and puts NoOperation back in the slots; when the patch record is released.
void DelayRelease(XPatch& p);

}  // namespace brelix
