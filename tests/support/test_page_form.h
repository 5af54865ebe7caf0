// The test page: a few controls of every kind on both layers, built with the interface form's
// builders, small enough that a test knows every host parameter it registers. A test that drives
// it installs it (TestPageInstalled) before it makes the instance whose editor shows it.
#pragma once

#include <memory>
#include <utility>

#include "editor/interface_form.h"
#include "editor/x_interface.h"

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

// The test page for `editor`, bound to its synthesizer's edit buffer.
std::unique_ptr<TInterfaceForm> MakeTestPageForm(XInterface& editor);

namespace testing {

// Every editor made while it lives shows the test page; the factory installed before comes back
// after.
class TestPageInstalled {
 public:
  TestPageInstalled() : previous_(SetEditorFormFactory(&MakeTestPageForm)) {}
  ~TestPageInstalled() { SetEditorFormFactory(std::move(previous_)); }
  TestPageInstalled(const TestPageInstalled&) = delete;
  TestPageInstalled& operator=(const TestPageInstalled&) = delete;

 private:
  TEditorFormFactory previous_;
};

}  // namespace testing
}  // namespace brelix
