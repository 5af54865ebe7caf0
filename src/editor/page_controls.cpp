#include "editor/page_controls.h"

#include <cmath>

#include "editor/patch_field.h"
#include "synth/multi.h"
#include "synth/synthesizer.h"

namespace brelix {

// ---- set-up ------------------------------------------------------------------------------------

TSliderSetup& TSliderSetup::Default(float value) { Control->Default = value; return *this; }
TSliderSetup& TSliderSetup::Curve(TSliderCurve curve) { Control->Curve = curve; return *this; }
TSliderSetup& TSliderSetup::Mask(std::string_view mask) { Control->SetEditMask(mask); return *this; }
TSliderSetup& TSliderSetup::Key() { Control->Key(); return *this; }
TSliderSetup& TSliderSetup::Get(TSliderParamProc proc) { Control->OnGetParam = std::move(proc); return *this; }
TSliderSetup& TSliderSetup::Set(TSliderParamProc proc) { Control->OnSetParam = std::move(proc); return *this; }

TComboSetup& TComboSetup::Default(uint32_t value) { Control->Default = value; return *this; }
TComboSetup& TComboSetup::Key() { Control->Key(); return *this; }
TComboSetup& TComboSetup::Stage(int32_t stage) { Control->Tag = stage; return *this; }
TComboSetup& TComboSetup::Row(int32_t row) { Control->jj = row; return *this; }
TComboSetup& TComboSetup::Width(int width) { Control->SetWidth(width); return *this; }
TComboSetup& TComboSetup::Get(TComboParamProc proc) { Control->OnGetParam = std::move(proc); return *this; }
TComboSetup& TComboSetup::Set(TComboParamProc proc) { Control->OnSetParam = std::move(proc); return *this; }

TSwitchSetup& TSwitchSetup::Values(uint32_t off, uint32_t on) {
  Control->DefaultFalse = off;
  Control->DefaultTrue = on;
  return *this;
}
TSwitchSetup& TSwitchSetup::Get(TButtonParamProc proc) { Control->OnGetParam = std::move(proc); return *this; }
TSwitchSetup& TSwitchSetup::Set(TButtonParamProc proc) { Control->OnSetParam = std::move(proc); return *this; }

// ---- call-backs --------------------------------------------------------------------------------

namespace callbacks {
namespace {

// Runs `f` with the control's synthesizer and patch once it has both.
template <class Control, class F>
void WithEngine(Control& c, F&& f) {
  if (c.Synthesizer != nullptr && c.Patch != nullptr) f(*c.Synthesizer, *c.Patch);
}

uint32_t FieldWord(const XParam& c) {
  if (c.Patch == nullptr) return 0;
  return ReadPatchWord(*c.Patch, c.Param).value_or(0);
}

TModSlot SlotOf(const XParamCombo& c, TModMatrix matrix) { return {matrix, c.jj * 4 + c.ii - 1}; }

}  // namespace

void OscPitch(XParamSlider& s) {
  if (s.Synthesizer != nullptr) UpdateOscPitch(*s.Synthesizer);
}
void OscFixed(XParamSlider& s) { WithEngine(s, [](XSynthesizer& y, XPatch& p) { UpdateOscFixed(y, p); }); }
void OscCenter(XParamSlider& s) {
  WithEngine(s, [&s](XSynthesizer& y, XPatch& p) { UpdateOscCenter(y, p, s.ii); });
}
void SampleRateFields(XParamSlider& s) {
  WithEngine(s, [](XSynthesizer& y, XPatch& p) { UpdateSampleRateFields(y, p); });
}
void VoiceCountGet(XParamSlider& s) {
  if (s.Multi != nullptr) s.Value = static_cast<float>(VoiceCountShown(*s.Multi));
}
void VoiceCountSet(XParamSlider& s) {
  if (s.Synthesizer != nullptr) s.SetValue(static_cast<float>(SetVoiceCount(*s.Synthesizer, s.Value)), true);
}
void PreviewNote(XParamSlider& s) {
  if (s.Synthesizer != nullptr) PlayPreviewNote(*s.Synthesizer, s.Value);
}
void FilterRange(XParamSlider& s) { WithEngine(s, [](XSynthesizer& y, XPatch& p) { UpdateFilterRange(y, p); }); }
void FilterTracking(XParamSlider& s) {
  if (s.Synthesizer != nullptr) UpdateFilterTracking(*s.Synthesizer);
}
void LfoTime(XParamSlider& s) { WithEngine(s, [](XSynthesizer& y, XPatch& p) { UpdateLfos(y, p); }); }
void LfoQuantizeGet(XParamSlider& s) { s.Value = static_cast<float>(LfoQuantizeShown(FieldWord(s))); }
void LfoQuantizeSet(XParamSlider& s) {
  if (s.Patch == nullptr || !std::isfinite(s.Value) || s.Value < 0) return;
  SetLfoQuantize(*s.Patch, s.ii, static_cast<uint32_t>(s.Value));
}
void EnvRates(XParamSlider& s) { WithEngine(s, [](XSynthesizer& y, XPatch& p) { UpdateEnvelopes(y, p); }); }
void DelayValues(XParamSlider& s) { WithEngine(s, [](XSynthesizer& y, XPatch& p) { UpdateDelay(y, p); }); }

void SampleRateFieldsList(XParamCombo& c) {
  WithEngine(c, [](XSynthesizer& y, XPatch& p) { UpdateSampleRateFields(y, p); });
}
void MidiChannelGet(XParamCombo& c) {
  if (c.Multi != nullptr) c.Value = MidiChannelShown(*c.Multi);
}
void MidiChannelSet(XParamCombo& c) {
  if (c.Multi != nullptr) SetMidiChannel(*c.Multi, c.Value);
}
void ModSourceGet(XParamCombo& c) { c.Value = ModSourceShown(FieldWord(c)); }
void AmpSourceSet(XParamCombo& c) {
  WithEngine(c, [&c](XSynthesizer& y, XPatch& p) { SetAmpSource(y, p, c.Value); });
}
void PatchModSourceSet(XParamCombo& c) {
  WithEngine(c, [&c](XSynthesizer& y, XPatch& p) { SetModSource(y, p, SlotOf(c, TModMatrix::Patch), c.Value); });
}
void MidiModSourceSet(XParamCombo& c) {
  WithEngine(c, [&c](XSynthesizer& y, XPatch& p) { SetModSource(y, p, SlotOf(c, TModMatrix::Midi), c.Value); });
}
void PatchModDestSet(XParamCombo& c) {
  WithEngine(c, [&c](XSynthesizer& y, XPatch& p) { UpdateModDest(y, p, SlotOf(c, TModMatrix::Patch)); });
}
void MidiModDestSet(XParamCombo& c) {
  WithEngine(c, [&c](XSynthesizer& y, XPatch& p) { UpdateModDest(y, p, SlotOf(c, TModMatrix::Midi)); });
}
void FilterTypeSet(XParamCombo& c) {
  WithEngine(c, [&c](XSynthesizer& y, XPatch& p) { SetFilterType(y, p, c.ii, c.Value); });
}
void LfoShape(XParamCombo& c) { WithEngine(c, [](XSynthesizer& y, XPatch& p) { UpdateLfos(y, p); }); }
void EnvStepGet(XParamCombo& c) {
  c.Value = EnvStepShown(c.Tag, static_cast<int32_t>(FieldWord(c)));
}
void EnvStepSet(XParamCombo& c) {
  if (c.Patch != nullptr) SetEnvStep(*c.Patch, c.Tag, c.ii, c.Value);
}
void EnvCurve(XParamCombo& c) { WithEngine(c, [](XSynthesizer& y, XPatch& p) { UpdateEnvelopes(y, p); }); }

void SampleLoop(XParamButton& b) {
  WithEngine(b, [&b](XSynthesizer& y, XPatch& p) { UpdateSampleLoop(y, p, b.ii); });
}
void Oversampling(XParamButton& b) {
  WithEngine(b, [](XSynthesizer& y, XPatch& p) { UpdateOversampling(y, p); });
}
void LfoTimeSwitch(XParamButton& b) { WithEngine(b, [](XSynthesizer& y, XPatch& p) { UpdateLfos(y, p); }); }
void DelayClock(XParamButton& b) {
  WithEngine(b, [](XSynthesizer& y, XPatch& p) { UpdateDelayClock(y, p); });
}
void DelayRoutingGet(XParamButton& b) {
  if (b.Patch != nullptr) b.Value = DelayRoutingShown(b.Patch->DelayRouting);
}
void DelayRoutingSet(XParamButton& b) {
  if (b.Patch != nullptr) SetDelayRouting(*b.Patch, b.Value);
}

}  // namespace callbacks
}  // namespace brelix
