// Initialisation of a voice's work record: cleared, seeded, idle, its modulation resolved.
#pragma once

#include "engine/patch.h"
#include "engine/patch_work.h"

namespace brelix {

// Also reseeds the noise generator lanes of the constant block (through p.SynthWork).
void VoiceWorkInit(XPatch& p, XPatchWork& w);

}  // namespace brelix
