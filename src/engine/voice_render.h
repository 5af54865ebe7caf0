// Rendering of one voice: its control tick, its audio sub-sample, and the step of an idle voice.
#pragma once

#include "engine/patch.h"
#include "engine/patch_work.h"
#include "engine/synth_work.h"

namespace brelix {

// The modules' control-rate steps in their order: LFO rates, envelope rates, LFOs, envelopes,
// the patch matrix, the sample oscillator, the oscillators, the filter coefficients. The LFO rate
// step also writes the patch-level LFO increment.
void VoiceControlTick(const XSynthWork& sw, XPatch& p, XPatchWork& w);

// One audio sub-sample of an active voice: its stereo pair as (left, right, left, right), already
// multiplied by the voice gain.
QSingle VoiceProcess(const XSynthWork& sw, const XPatch& p, XPatchWork& w);

// The per-sample step of an idle voice: its LFO phases keep running at the control rate and its
// oscillator phases drift once per output sample; nothing else moves.
void VoiceIdle(const XPatch& p, XPatchWork& w);

}  // namespace brelix
