// The default patch and the MIDI controller table that lives in the patch.
#pragma once

#include "engine/patch.h"

namespace brelix {

// Releases the lanes' sample memory, clears everything before the engine-owned tail and sets the
// default patch (stored values only: derived values are stale until PatchPrepare).
void PatchDefaults(XPatch& p);

// ControlValue 0 everywhere except channel volume (slot 7) at 1.0.
void ResetControllers(XPatch& p);

}  // namespace brelix
