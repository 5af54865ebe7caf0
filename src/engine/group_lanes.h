// One voice's lanes in its group's lane set (VoiceGroup::lanes), loaded from and stored back into
// its work record, for any vector type whose kernel holds the lanes. The render loop does this
// around the voice's own events (its MIDI matrix pass, its control tick, its turning idle) and
// leaves the other voices' lanes where they are, so one voice's event does not reload them all.
#pragma once

#include "engine/patch.h"
#include "engine/synth_work.h"
#include "engine/voice_group.h"

namespace brelix {

// The lanes of the group's voice in place `n` from its work record: its oscillator and filter
// states and what its last control tick made of the values that stay constant until the next.
void LoadGroupVoice(const XSynthWork& sw, const XPatch& p, VoiceGroup& group, int n);

// The states of the group's voice in place `n` back into its work record.
void StoreGroupVoice(VoiceGroup& group, int n);

}  // namespace brelix
