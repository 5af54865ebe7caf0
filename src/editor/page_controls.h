// What the page builders say after each builder call, so that a page reads like its table: the
// control's default, curve, mask and key mark, and the engine call-back it runs (the names below
// are those of the call-back table in engine_callbacks.h). A call-back of a control that is not
// yet loaded from a patch (no patch, no synthesizer) does nothing.
#pragma once

#include <cstdint>
#include <string_view>

#include "editor/engine_callbacks.h"
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
  TSliderSetup& Get(TSliderParamProc proc);
  TSliderSetup& Set(TSliderParamProc proc);
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
  TComboSetup& Get(TComboParamProc proc);
  TComboSetup& Set(TComboParamProc proc);
};

struct TSwitchSetup {
  XParamButton* Control;
  // The field values for off and on (0 and all ones unless said).
  TSwitchSetup& Values(uint32_t off, uint32_t on);
  TSwitchSetup& Get(TButtonParamProc proc);
  TSwitchSetup& Set(TButtonParamProc proc);
};

inline TSliderSetup Slider(XParamSlider* control) { return {control}; }
inline TComboSetup List(XParamCombo* control) { return {control}; }
inline TSwitchSetup Switch(XParamButton* control) { return {control}; }

// ---- engine call-backs, by the controls that attach them
namespace callbacks {

// sliders
void OscPitch(XParamSlider& s);
void OscFixed(XParamSlider& s);  // "FixedFreq", "OscRange"
void OscCenter(XParamSlider& s);
void SampleRateFields(XParamSlider& s);  // "Upsample"
void VoiceCountGet(XParamSlider& s);
void VoiceCountSet(XParamSlider& s);
void PreviewNote(XParamSlider& s);
void FilterRange(XParamSlider& s);
void FilterTracking(XParamSlider& s);
void LfoTime(XParamSlider& s);
void LfoQuantizeGet(XParamSlider& s);
void LfoQuantizeSet(XParamSlider& s);
void EnvRates(XParamSlider& s);
void DelayValues(XParamSlider& s);

// lists
void SampleRateFieldsList(XParamCombo& c);  // "SampleFilter"
void MidiChannelGet(XParamCombo& c);
void MidiChannelSet(XParamCombo& c);
void ModSourceGet(XParamCombo& c);  // also "AmpSource"
void AmpSourceSet(XParamCombo& c);
void PatchModSourceSet(XParamCombo& c);  // the slot from the lane ii and the row jj
void MidiModSourceSet(XParamCombo& c);
void PatchModDestSet(XParamCombo& c);
void MidiModDestSet(XParamCombo& c);
void FilterTypeSet(XParamCombo& c);
void LfoShape(XParamCombo& c);
void EnvStepGet(XParamCombo& c);  // the list's Tag is its stage
void EnvStepSet(XParamCombo& c);
void EnvCurve(XParamCombo& c);

// switches
void SampleLoop(XParamButton& b);
void Oversampling(XParamButton& b);
void LfoTimeSwitch(XParamButton& b);  // "Clocked" of the LFOs
void DelayClock(XParamButton& b);
void DelayRoutingGet(XParamButton& b);
void DelayRoutingSet(XParamButton& b);

}  // namespace callbacks
}  // namespace brelix
