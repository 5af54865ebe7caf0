// The editor's built-in page: a few controls of every kind on both layers, built with the
// interface form's builders. The editor shows it until a form with the real pages is installed
// (SetEditorFormFactory), and the tests drive it.
#pragma once

#include <memory>

#include "editor/interface_form.h"

namespace brelix {

class TTestPageForm : public TInterfaceForm {
 public:
  // Built for `editor` (none: nothing is registered with a host list), its fields measured
  // against `patch` (none: the controls are bound to nothing).
  TTestPageForm(XInterface* editor, XSynthesizer* synthesizer, const XPatch* patch);

  // The host list it builds (the first lane of each field): 0 "Extended", 1 "*Osc1",
  // 2 "Osc1.FreeRun", 3 "Osc1.Semitone", 4 "Osc1.Cutoff", 5 "Osc1.Range", 6 "Osc1.Type",
  // 7 "Osc1.Note", 8 "Osc1.Detune" (hidden, flushed), 9 "*Sound", 10 "Sound.Level", 11 "*Voice"
  // and 12 "Voice.Declick" (hidden, flushed).
  XParamButton* FreeRun = nullptr;   // a switch
  XParamSlider* Semitone = nullptr;  // -48..48, extended -96..96
  XParamSlider* Cutoff = nullptr;    // primary, Exp5
  XParamSlider* Detune = nullptr;    // hidden, in Cutoff's place: -1..1, extended -8..8
  XParamSlider* Range = nullptr;     // whole numbers in a float field
  XParamCombo* Type = nullptr;       // items with reserved and numbered lines
  XParamSlider* Note = nullptr;      // an integer field
  XParamSlider* Level = nullptr;
  XParamButton* Declick = nullptr;   // hidden
};

// The factory the editor uses unless another is installed.
std::unique_ptr<TInterfaceForm> MakeTestPageForm(XInterface& editor);

}  // namespace brelix
