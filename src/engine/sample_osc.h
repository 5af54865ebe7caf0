// The sample oscillators: each voice lane can play a loaded mono sample at a speed that follows
// its oscillator's frequency.
#pragma once

#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/synth_work.h"

namespace brelix {

// Where a lane without a sample points: reading a few frames before, at and after it gives 0.
const float* SilentSample();

// Derived playback values: _SampleOscLoop (the length when looping, else 0) and SampleDelta1
// (frames per sub-step per Hz of oscillator frequency).
void SampleOscPatchRecalculate(XPatch& p);

// Note-on: play position 0 and cleared anti-alias filter states in every lane.
void SampleNoteOn(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

}  // namespace brelix
