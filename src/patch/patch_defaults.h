// The default patch and the MIDI controller table that lives in the patch.
#pragma once

#include "engine/patch.h"

namespace brelix {

// Releases the lanes' sample memory, clears everything before the engine-owned tail and sets the
// default patch (stored values only: derived values are stale until PatchPrepare).
void PatchDefaults(XPatch& p);

// The values of the switch SustainPedal.
constexpr uint32_t kSustainPedalOff = 0;
constexpr uint32_t kSustainPedalOn = 1;

// What a patch file's missing keys stand for: the default patch, except that the sustain pedal
// holds no notes. Files written before the pedal could hold notes have no SustainPedal key, and
// they play as they always did.
void PatchFileDefaults(XPatch& p);

// ControlValue 0 everywhere except channel volume (slot 7) at 1.0.
void ResetControllers(XPatch& p);

}  // namespace brelix
