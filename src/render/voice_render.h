// Rendering of one voice outside its audio runs: its control tick and the frames of an idle voice.
#pragma once

#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/synth_work.h"

namespace brelix {

// The modules' control-rate steps in their order: LFO rates, envelope rates, LFOs, envelopes,
// the patch matrix, the sample oscillator, the oscillators, the filter coefficients. The LFO rate
// step also writes the patch-level LFO increment.
void VoiceControlTick(const XSynthWork& sw, XPatch& p, XPatchWork& w);

// `frames` output frames of an idle voice: its LFO phases keep running at the control rate and its
// oscillator phases drift once per frame; nothing else moves.
void VoiceIdleFrames(const XPatch& p, XPatchWork& w, int frames);

}  // namespace brelix
