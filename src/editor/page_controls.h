// The engine call-backs the page rows name (the names below are those of the call-back table in
// engine_callbacks.h). A call-back of a control that is not yet loaded from a patch (no patch, no
// synthesizer) does nothing.
#pragma once

#include <cstdint>
#include <string_view>

#include "synth/engine_callbacks.h"
#include "editor/param_call.h"
#include "editor/slider_curve.h"
#include "toolkit/toolkit.h"
#include "editor/x_param_button.h"
#include "editor/x_param_combo.h"
#include "editor/x_param_slider.h"

namespace brelix {

// The frequency of note 127, the top of the frequency sliders.
constexpr float kTopNoteFrequency = 12543.854f;

// ---- engine call-backs, by the controls that attach them
namespace callbacks {

// sliders
void OscPitch(TParamCall& c);
void OscFixed(TParamCall& c);  // "FixedFreq", "OscRange"
void OscCenter(TParamCall& c);
void SampleRateFields(TParamCall& c);  // "Upsample"
void VoiceCountGet(TParamCall& c);
void VoiceCountSet(TParamCall& c);
void PreviewNote(TParamCall& c);
void FilterRange(TParamCall& c);
void FilterTracking(TParamCall& c);
void LfoTime(TParamCall& c);
void LfoQuantizeGet(TParamCall& c);
void LfoQuantizeSet(TParamCall& c);
void EnvRates(TParamCall& c);
void DelayValues(TParamCall& c);

// lists
void SampleRateFieldsList(TParamCall& c);  // "SampleFilter"
void MidiChannelGet(TParamCall& c);
void MidiChannelSet(TParamCall& c);
void ModSourceGet(TParamCall& c);  // also "AmpSource"
void AmpSourceSet(TParamCall& c);
void PatchModSourceSet(TParamCall& c);  // the slot from the lane ii and the row jj
void MidiModSourceSet(TParamCall& c);
void PatchModDestSet(TParamCall& c);
void MidiModDestSet(TParamCall& c);
void FilterTypeSet(TParamCall& c);
void LfoShape(TParamCall& c);
void EnvStepGet(TParamCall& c);  // the list's Tag is its stage
void EnvStepSet(TParamCall& c);
void EnvCurve(TParamCall& c);

// switches
void SampleLoop(TParamCall& c);
void Oversampling(TParamCall& c);
void LfoTimeSwitch(TParamCall& c);  // "Clocked" of the LFOs
void DelayClock(TParamCall& c);
void DelayRoutingGet(TParamCall& c);
void DelayRoutingSet(TParamCall& c);

}  // namespace callbacks
}  // namespace brelix
