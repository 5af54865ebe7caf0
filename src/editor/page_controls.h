// What the page builders say after each builder call, so that a page reads like its table: the
// control's default, curve, mask and key mark, and the engine call-back it runs (the names below
// are those of the call-back table in engine_callbacks.h). A call-back of a control that is not
// yet loaded from a patch (no patch, no synthesizer) does nothing.
#pragma once

#include <cstdint>
#include <string_view>

#include "editor/engine_callbacks.h"
#include "editor/param_call.h"
#include "editor/slider_curve.h"
#include "editor/toolkit.h"
#include "editor/x_param_button.h"
#include "editor/x_param_combo.h"
#include "editor/x_param_slider.h"

namespace brelix {

// The frequency of note 127, the top of the frequency sliders.
constexpr float kTopNoteFrequency = 12543.854f;

struct TSliderSetup {
  XParamSlider* Control;
  TSliderSetup& Default(float value);
  TSliderSetup& Curve(TSliderCurve curve);
  TSliderSetup& Mask(std::string_view mask);
  TSliderSetup& Key();
  TSliderSetup& Get(TParamProc proc);
  TSliderSetup& Set(TParamProc proc);
};

struct TComboSetup {
  XParamCombo* Control;
  TComboSetup& Default(uint32_t value);
  TComboSetup& Key();
  // A step list's stage (its Tag).
  TComboSetup& Stage(int32_t stage);
  // A matrix slot's row 0..3 (its jj; the lane ii comes from the field).
  TComboSetup& Row(int32_t row);
  TComboSetup& Width(int width);
  TComboSetup& Get(TParamProc proc);
  TComboSetup& Set(TParamProc proc);
};

struct TSwitchSetup {
  XParamButton* Control;
  // The field values for off and on (0 and all ones unless said).
  TSwitchSetup& Values(uint32_t off, uint32_t on);
  TSwitchSetup& Get(TParamProc proc);
  TSwitchSetup& Set(TParamProc proc);
};

inline TSliderSetup Slider(XParamSlider* control) { return {control}; }
inline TComboSetup List(XParamCombo* control) { return {control}; }
inline TSwitchSetup Switch(XParamButton* control) { return {control}; }

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
