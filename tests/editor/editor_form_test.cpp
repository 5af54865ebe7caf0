// The editor form as the synthesizer builds it: the pages' tabs and places, the two layers, the
// patch commands on the header and the buttons, and a picture of every page on each layer.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "editor/editor_form.h"
#include "toolkit/toolkit.h"
#include "editor/x_interface.h"
#include "editor/x_param.h"
#include "editor/x_param_button.h"
#include "editor/x_param_combo.h"
#include "editor/x_param_slider.h"
#include "support/plugin_folder.h"
#include "support/scripted_ui.h"
#include "support/synth_instance.h"
#include "synth/multi.h"
#include "ui/headless_window.h"

namespace brelix {
namespace {

class EditorForm : public ::testing::Test {
 protected:
  void SetUp() override {
    synth = testing::MakeSynth();
    ASSERT_NE(synth, nullptr);
    form = dynamic_cast<TEditorForm*>(synth->Interface()->EditorForm());
    ASSERT_NE(form, nullptr);
    window = std::make_unique<ui::HeadlessWindow>(form->WindowClient());
    window->Idle();
  }
  void TearDown() override { window.reset(); }

  // The groups of a page with their tops, in build order, as "caption@top".
  static IParam* AsParam(TComponent* c) { return dynamic_cast<IParam*>(c); }
  template <class T>
  T* Find(TPage page, const std::string& paramId) {
    for (TComponent* c : form->PageControls[static_cast<int>(page)]) {
      if (auto* t = dynamic_cast<T*>(c); t != nullptr && t->ParamID == paramId) return t;
    }
    return nullptr;
  }
  void ClickAt(const TWidget& w, TShiftState shift = {}) {
    const TPoint p = w.FormOrigin();
    window->Click(p.x + 3, p.y + 3, ui::TMouseButton::Left, shift);
    window->Idle();
  }

  testing::PluginFolder folder;
  testing::RecordedMessages messages;
  testing::ScriptedDialogs dialogs;
  testing::Synth synth;
  TEditorForm* form = nullptr;
  std::unique_ptr<ui::HeadlessWindow> window;
};

TEST_F(EditorForm, TabsAndTheFirstPage) {
  for (int i = 0; i < kPageCount; ++i) {
    ASSERT_NE(form->PageButtons[i], nullptr);
    EXPECT_EQ(form->PageButtons[i]->Caption, TEditorForm::kPageNames[i]);
    EXPECT_EQ(form->PageButtons[i]->Left(), 4 + 155 * i);
    EXPECT_EQ(form->Pages[i]->Visible(), i == 0) << i;
  }
  for (int n = 1; n <= 4; ++n) {
    XSection* header = form->OscSection[n - 1];
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->Caption, " Osc #" + std::to_string(n));
    EXPECT_EQ(header->Left(), 4 + 155 * (n - 1));
    EXPECT_EQ(header->Width(), 75);
  }
  EXPECT_EQ(synth->Interface()->Params.Count(), 443);
}

TEST_F(EditorForm, ControlsSitWhereTheirTablesPlaceThem) {
  struct Case {
    TPage page;
    const char* id;
    int left, top;
  };
  const Case sliders[] = {
      {TPage::OscPage, "Osc1.Semitone", 4, 20},      {TPage::OscPage, "Osc2.OscRange", 159, 175},
      {TPage::OscPage, "Osc2.Tracking", 159, 175},   {TPage::OscPage, "Osc4.Balance34", 469, 392},
      {TPage::OscPage, "Sound.PlayNote", 4, 504},    {TPage::OscPage, "Voice.Velocity", 159, 504},
      {TPage::FilterPage, "Filter1.Cutoff", 4, 38},  {TPage::FilterPage, "Filter3.Center", 314, 162},
      {TPage::FilterPage, "LFO4.Quantize", 469, 504}, {TPage::EnvPage, "Env1.Time0A", 4, 20},
      {TPage::EnvPage, "Env4Amp.Level4", 469, 272 + 16 + 4 * 31},
      {TPage::ModPage, "ModMatrix16.Amount", 469, 265 + 52}, {TPage::ModPage, "Delay1.Input", 4, 504},
      {TPage::ModPage, "Delay2.Mix", 469, 504},
  };
  for (const Case& c : sliders) {
    XParamSlider* s = Find<XParamSlider>(c.page, c.id);
    ASSERT_NE(s, nullptr) << c.id;
    EXPECT_EQ(s->GetTop(), c.top) << c.id;
    EXPECT_EQ(s->Text->Left(), c.left) << c.id;
  }
  const Case lists[] = {
      {TPage::FilterPage, "Filter2.Type", 159, 20},  {TPage::EnvPage, "Env3.Step2", 16, 272 + 173 + 36},
      {TPage::EnvPage, "Env2.Curve4", 469, 4 + 173 + 72}, {TPage::ModPage, "MIDIModMatrix6.Destination", 159, 91 + 34},
  };
  for (const Case& c : lists) {
    XParamCombo* l = Find<XParamCombo>(c.page, c.id);
    ASSERT_NE(l, nullptr) << c.id;
    EXPECT_EQ(l->GetTop(), c.top + 2) << c.id;  // a list without label sits 2 below its place
    EXPECT_EQ(l->Combo->Left(), c.left) << c.id;
  }
}

TEST_F(EditorForm, TheSecondClickOnTheShownTabSwitchesTheLayerOnEveryPage) {
  XParamButton* freeRun = Find<XParamButton>(TPage::OscPage, "Osc1.FreeRun");
  XParamButton* sampleLoop = Find<XParamButton>(TPage::OscPage, "Osc1.SampleLoop");
  XParamSlider* smooth = Find<XParamSlider>(TPage::FilterPage, "LFO1.Smooth");
  ASSERT_TRUE(freeRun && sampleLoop && smooth);
  EXPECT_TRUE(freeRun->GetVisible());
  EXPECT_FALSE(sampleLoop->GetVisible());
  ClickAt(*form->PageButtons[0]);
  EXPECT_FALSE(freeRun->GetVisible());
  EXPECT_TRUE(sampleLoop->GetVisible());
  EXPECT_TRUE(smooth->GetVisible());
  ClickAt(*form->PageButtons[1]);  // another page keeps the layer
  EXPECT_TRUE(form->Pages[1]->Visible());
  EXPECT_TRUE(smooth->GetVisible());
}

TEST_F(EditorForm, InitMarksTheHeaderAndTheNextSaveAsks) {
  ASSERT_NE(form->PatchLabel, nullptr);
  XButton* init = nullptr;
  for (TWidget* w : form->Pages[0]->Children())
    if (auto* b = dynamic_cast<XButton*>(w); b != nullptr && b->Caption == "Init") init = b;
  ASSERT_NE(init, nullptr);
  ClickAt(*init);
  EXPECT_EQ(form->PatchLabel->Caption.find("*Init.tw") != std::string::npos, true) << form->PatchLabel->Caption;
  EXPECT_TRUE(synth->Multi->Modified);
}

TEST_F(EditorForm, CtrlClickOnAnOscHeaderRemovesItsSample) {
  synth->Multi->Modified = false;
  ClickAt(*form->OscSection[1], TShiftState{false, true, false});
  EXPECT_EQ(form->OscSection[1]->Caption, " Osc #2");
  EXPECT_TRUE(synth->Multi->Modified);
  EXPECT_TRUE(dialogs.file_dialogs.empty());
}

TEST_F(EditorForm, PicturesOfEveryPageOnEachLayer) {
  for (int layer = 0; layer < 2; ++layer) {
    for (int i = 0; i < kPageCount; ++i) {
      form->ActivatePage(static_cast<TPage>(i));
      window->Idle();
      const std::string name = std::string(BRELIX_ARTIFACT_DIR) + "/editor_page" + std::to_string(i) +
                               (layer == 0 ? "" : "_hidden") + ".png";
      EXPECT_TRUE(window->WritePng(name)) << name;
    }
    form->ShowHiddenLayer();
  }
}

}  // namespace
}  // namespace brelix
