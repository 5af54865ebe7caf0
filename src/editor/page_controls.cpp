#include "editor/page_controls.h"

#include <cmath>

#include "editor/patch_field.h"
#include "synth/multi.h"
#include "synth/synthesizer.h"

namespace brelix {

// ---- call-backs --------------------------------------------------------------------------------

namespace callbacks {
namespace {

// Runs `f` with the call's synthesizer and patch once it has both.
template <class F>
void WithEngine(TParamCall& c, F&& f) {
  if (c.Synthesizer != nullptr && c.Patch != nullptr) f(*c.Synthesizer, *c.Patch);
}

uint32_t FieldWord(const TParamCall& c) {
  if (c.Patch == nullptr) return 0;
  return ReadPatchWord(*c.Patch, c.Param).value_or(0);
}

TModSlot SlotOf(const TParamCall& c, TModMatrix matrix) { return {matrix, c.jj * 4 + c.ii - 1}; }

}  // namespace

void OscPitch(TParamCall& c) {
  if (c.Synthesizer != nullptr) UpdateOscPitch(*c.Synthesizer);
}
void OscFixed(TParamCall& c) { WithEngine(c, [](XSynthesizer& y, XPatch& p) { UpdateOscFixed(y, p); }); }
void OscCenter(TParamCall& c) {
  WithEngine(c, [&c](XSynthesizer& y, XPatch& p) { UpdateOscCenter(y, p, c.ii); });
}
void SampleRateFields(TParamCall& c) {
  WithEngine(c, [](XSynthesizer& y, XPatch& p) { UpdateSampleRateFields(y, p); });
}
void VoiceCountGet(TParamCall& c) {
  if (c.Multi != nullptr) c.Value = VoiceCountShown(*c.Multi);
}
void VoiceCountSet(TParamCall& c) {
  if (c.Synthesizer == nullptr) return;
  c.Value = SetVoiceCount(*c.Synthesizer, c.Float());
  c.Retaken = true;
}
void PreviewNote(TParamCall& c) {
  if (c.Synthesizer != nullptr) PlayPreviewNote(*c.Synthesizer, c.Float());
}
void FilterRange(TParamCall& c) { WithEngine(c, [](XSynthesizer& y, XPatch& p) { UpdateFilterRange(y, p); }); }
void FilterTracking(TParamCall& c) {
  if (c.Synthesizer != nullptr) UpdateFilterTracking(*c.Synthesizer);
}
void LfoTime(TParamCall& c) { WithEngine(c, [](XSynthesizer& y, XPatch& p) { UpdateLfos(y, p); }); }
void LfoQuantizeGet(TParamCall& c) { c.Value = LfoQuantizeShown(FieldWord(c)); }
void LfoQuantizeSet(TParamCall& c) {
  const float value = c.Float();
  if (c.Patch == nullptr || !std::isfinite(value) || value < 0) return;
  SetLfoQuantize(*c.Patch, c.ii, static_cast<uint32_t>(value));
}
void EnvRates(TParamCall& c) { WithEngine(c, [](XSynthesizer& y, XPatch& p) { UpdateEnvelopes(y, p); }); }
void DelayValues(TParamCall& c) { WithEngine(c, [](XSynthesizer& y, XPatch& p) { UpdateDelay(y, p); }); }

void SampleRateFieldsList(TParamCall& c) {
  WithEngine(c, [](XSynthesizer& y, XPatch& p) { UpdateSampleRateFields(y, p); });
}
void MidiChannelGet(TParamCall& c) {
  if (c.Multi != nullptr) c.Value = MidiChannelShown(*c.Multi);
}
void MidiChannelSet(TParamCall& c) {
  if (c.Multi != nullptr) SetMidiChannel(*c.Multi, c.Number());
}
void ModSourceGet(TParamCall& c) { c.Value = ModSourceShown(FieldWord(c)); }
void AmpSourceSet(TParamCall& c) {
  WithEngine(c, [&c](XSynthesizer& y, XPatch& p) { SetAmpSource(y, p, c.Number()); });
}
void PatchModSourceSet(TParamCall& c) {
  WithEngine(c, [&c](XSynthesizer& y, XPatch& p) { SetModSource(y, p, SlotOf(c, TModMatrix::Patch), c.Number()); });
}
void MidiModSourceSet(TParamCall& c) {
  WithEngine(c, [&c](XSynthesizer& y, XPatch& p) { SetModSource(y, p, SlotOf(c, TModMatrix::Midi), c.Number()); });
}
void PatchModDestSet(TParamCall& c) {
  WithEngine(c, [&c](XSynthesizer& y, XPatch& p) { UpdateModDest(y, p, SlotOf(c, TModMatrix::Patch)); });
}
void MidiModDestSet(TParamCall& c) {
  WithEngine(c, [&c](XSynthesizer& y, XPatch& p) { UpdateModDest(y, p, SlotOf(c, TModMatrix::Midi)); });
}
void FilterTypeSet(TParamCall& c) {
  WithEngine(c, [&c](XSynthesizer& y, XPatch& p) { SetFilterType(y, p, c.ii, c.Number()); });
}
void LfoShape(TParamCall& c) { WithEngine(c, [](XSynthesizer& y, XPatch& p) { UpdateLfos(y, p); }); }
void EnvStepGet(TParamCall& c) {
  c.Value = EnvStepShown(c.Tag, static_cast<int32_t>(FieldWord(c)));
}
void EnvStepSet(TParamCall& c) {
  if (c.Patch != nullptr) SetEnvStep(*c.Patch, c.Tag, c.ii, c.Number());
}
void EnvCurve(TParamCall& c) { WithEngine(c, [](XSynthesizer& y, XPatch& p) { UpdateEnvelopes(y, p); }); }

void SampleLoop(TParamCall& c) {
  WithEngine(c, [&c](XSynthesizer& y, XPatch& p) { UpdateSampleLoop(y, p, c.ii); });
}
void Oversampling(TParamCall& c) {
  WithEngine(c, [](XSynthesizer& y, XPatch& p) { UpdateOversampling(y, p); });
}
void LfoTimeSwitch(TParamCall& c) { WithEngine(c, [](XSynthesizer& y, XPatch& p) { UpdateLfos(y, p); }); }
void DelayClock(TParamCall& c) {
  WithEngine(c, [](XSynthesizer& y, XPatch& p) { UpdateDelayClock(y, p); });
}
void DelayRoutingGet(TParamCall& c) {
  if (c.Patch != nullptr) c.Value = DelayRoutingShown(c.Patch->DelayRouting);
}
void DelayRoutingSet(TParamCall& c) {
  if (c.Patch != nullptr) SetDelayRouting(*c.Patch, c.On());
}

}  // namespace callbacks
}  // namespace brelix
