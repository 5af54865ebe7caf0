#include "editor/test_page_form.h"

#include "editor/x_interface.h"
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
  FreeRun = AddButton(p ? &p->AuxOscStartPhase : nullptr, "FreeRun", 0, 0);
  Semitone = AddSlider(p ? &p->AuxOscSemitone : nullptr, "Semitone", -48, 48, -96, 96, "", nullptr);
  Semitone->Key();
  Cutoff = AddPrimarySlider(p ? &p->FilterCutoff : nullptr, "Cutoff", 0, 12543.854, 1e9, 1e9, "", nullptr);
  Cutoff->Curve = TSliderCurve::Exp5;
  Cutoff->Default = 12543.854f;
  Detune = AddHiddenSlider(p ? &p->AuxOscDetune : nullptr, "Detune", -1, 1, -8, 8, "", nullptr);
  Range = AddSliderI(p ? &p->AuxOscRange : nullptr, "Range", 0, 10, 1e9, 1e9, "", nullptr);
  Type = AddCombo(p ? &p->FilterType : nullptr, "Type", "Off\nLow\n_Reserved\nHigh#5\nBand",
                  false, "Filter Type", 0, nullptr, false);
  Note = AddSliderII(p ? &p->PlayNote : nullptr, "Note", 0, 127, 1e9, 1e9, "");
  FlushHiddenParams();

  X = 4 + 151 + 4;
  Y = 4;
  AddLabel("Built-in test page");
  AddPrimarySection("Sound");
  AddHiddenSection("Voice");
  Level = AddPrimarySlider(p ? &p->AuxOscLevel : nullptr, "Level", 0, 1, 1e9, 1e9, "", nullptr);
  Declick = AddHiddenButton(p ? &p->FilterDeclick : nullptr, "Declick", 0, 0);
  FlushHiddenParams();
}

std::unique_ptr<TInterfaceForm> MakeTestPageForm(XInterface& editor) {
  XSynthesizer* synth = editor.Synthesizer;
  const XPatch* patch = synth != nullptr && synth->Multi ? synth->Multi->EditBuffer : nullptr;
  return std::make_unique<TTestPageForm>(&editor, synth, patch);
}

}  // namespace brelix
