#include "support/test_page_form.h"

#include "editor/x_param_button.h"
#include "editor/x_param_combo.h"
#include "editor/x_param_slider.h"
#include "engine/patch.h"
#include "synth/multi.h"
#include "synth/synthesizer.h"

namespace brelix {

namespace {
constexpr int kFormWidth = 624, kFormHeight = 557;
}  // namespace

TTestPageForm::TTestPageForm(XInterface* editor, XSynthesizer* synthesizer, const XPatch* patch)
    : TInterfaceForm(kFormWidth, kFormHeight) {
  Editor = editor;
  Synthesizer = synthesizer;
  PatchAddr = reinterpret_cast<uintptr_t>(patch);
  AddPage("Test");
  const XPatch* p = patch;
  X = 4;
  Y = 4;
  AddSection("Osc #1");
  FreeRun = Add(p ? &p->AuxOscStartPhase : nullptr, TSwitchRow{.caption = "FreeRun"});
  Semitone = Add(p ? &p->AuxOscSemitone : nullptr, TSliderRow{.caption = "Semitone", .range = {-48, 48}, .extended = {-96, 96}, .key = true});
  Cutoff = Add(p ? &p->FilterCutoff : nullptr, TSliderRow{.caption = "Cutoff", .range = {0, 12543.854}, .layer = TLayer::Primary, .curve = TSliderCurve::Exp5, .reset = 12543.854f});
  Detune = Add(p ? &p->AuxOscDetune : nullptr, TSliderRow{.caption = "Detune", .range = {-1, 1}, .extended = {-8, 8}, .layer = TLayer::Hidden});
  Range = Add(p ? &p->AuxOscRange : nullptr, TSliderRow{.caption = "Range", .range = {0, 10}, .kind = TParamKind::SingleInteger});
  Type = Add(p ? &p->FilterType : nullptr, TListRow{.caption = "Type", .items = "Off\nLow\n_Reserved\nHigh#5\nBand", .label = "Filter Type"});
  Note = Add(p ? &p->PlayNote : nullptr, TSliderRow{.caption = "Note", .range = {0, 127}, .kind = TParamKind::IntegerInteger});
  FlushHiddenParams();

  X = 4 + 151 + 4;
  Y = 4;
  AddLabel("Test page");
  AddSection("Sound", TLayer::Primary);
  AddSection("Voice", TLayer::Hidden);
  Level = Add(p ? &p->AuxOscLevel : nullptr, TSliderRow{.caption = "Level", .range = {0, 1}, .layer = TLayer::Primary});
  Declick = Add(p ? &p->FilterDeclick : nullptr, TSwitchRow{.caption = "Declick", .layer = TLayer::Hidden});
  FlushHiddenParams();
}

std::unique_ptr<TInterfaceForm> MakeTestPageForm(XInterface& editor) {
  XSynthesizer* synth = editor.Synthesizer;
  const XPatch* patch = synth != nullptr && synth->Multi ? synth->Multi->EditBuffer : nullptr;
  return std::make_unique<TTestPageForm>(&editor, synth, patch);
}

}  // namespace brelix
