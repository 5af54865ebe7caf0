// The operations that bring a patch's derived values in step with its stored ones. Every path
// that changes stored patch values runs them (inside the update bracket, or before processing).
#pragma once

#include "engine/patch.h"

namespace brelix {

// After the defaults or a file read: scales the envelope steps to the engine's form (x16), keeps
// file values the engine cannot run inside its ranges, then PatchRecalculate.
void PatchPrepare(XPatch& p);

// Keeps the stored rate fields (Oversample, Upsample, SampleFilter) within what the engine runs:
// a file or an edit can hold any number there. Part of PatchPrepare; run it before
// PatchSampleRate whenever one of them changed.
void PatchKeepRateFields(XPatch& p);

// Every derived value that depends on stored values only.
void PatchRecalculate(XPatch& p);

// The values that depend on the host rate and the oversampling: voice-rate deltas, control
// period, the sample oscillators' playback values and anti-alias low-pass.
void PatchSampleRate(XPatch& p);

// The three DC-blocker coefficients, scaled from their reference rates to the running rates.
void PatchDCFilters(XPatch& p);

}  // namespace brelix
