// The parameter controls and the interface form on the test page, in a real
// instance: what the controls write into the patch, their resets and undo, the option list's
// numbering and unknown values, the switch's field values, the two layers and the host names,
// the host parameter mapping, and the one automation call every edit sends.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "widgets/x_combo.h"
#include "widgets/x_edit.h"
#include "editor/x_interface.h"
#include "widgets/x_label.h"
#include "editor/x_param_button.h"
#include "editor/x_param_combo.h"
#include "editor/x_param_slider.h"
#include "widgets/x_slider.h"
#include "support/plugin_folder.h"
#include "support/synth_instance.h"
#include "support/test_page_form.h"
#include "support/widget_fixture.h"
#include "ui/headless_window.h"

namespace brelix {
namespace {

using ui::TMouseButton;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The automate calls the instance sent: how many, and of which parameter and value.
std::atomic<int> g_automates{0};
std::atomic<int> g_automate_index{-1};
std::atomic<float> g_automate_value{-1};

intptr_t RecordingHost(AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float opt) {
  if (opcode == audioMasterAutomate) {
    ++g_automates;
    g_automate_index = index;
    g_automate_value = opt;
  }
  return opcode == audioMasterVersion ? 2400 : 0;
}

class ParamControls : public ::testing::Test {
 protected:
  ParamControls() {
    synth_.reset(XSynthesizer::Create(&RecordingHost));
    synth_->Automation = true;
    editor = synth_->Interface();
    form = static_cast<TTestPageForm*>(editor->EditorForm());
    window = std::make_unique<ui::HeadlessWindow>(form->WindowClient());
    g_automates = 0;
    g_automate_index = -1;
  }
  ~ParamControls() override { window.reset(); }

  XPatch& patch() { return *synth_->Multi->EditBuffer; }
  TPoint At(const TWidget& w, int x, int y) {
    const TPoint o = w.FormOrigin();
    return {o.x + x, o.y + y};
  }
  void RightClick(const TWidget& w, TShiftState s = {}) {
    const TPoint p = At(w, 5, 5);
    window->MouseDown(p.x, p.y, TMouseButton::Right, s);
    window->MouseUp(p.x, p.y, TMouseButton::Right, s);
  }

  testing::ScopedWidgetSettings settings_;
  testing::PluginFolder folder_;
  testing::TestPageInstalled test_page_;
  testing::Synth synth_;
  XInterface* editor = nullptr;
  TTestPageForm* form = nullptr;
  std::unique_ptr<ui::HeadlessWindow> window;
};

// ---- what the controls write --------------------------------------------------------------

TEST_F(ParamControls, IntegerKindsRoundHalvesToEvenAndAnIntegerFieldGetsAnInteger) {
  form->Range->UpdateValue(2.5f);
  EXPECT_EQ(patch().AuxOscRange.lane(0), 2.0f);
  form->Range->UpdateValue(3.5f);
  EXPECT_EQ(patch().AuxOscRange.lane(0), 4.0f);
  EXPECT_EQ(form->Range->KnobValue, 3.5f);

  form->Note->UpdateValue(60.5f);
  EXPECT_EQ(patch().PlayNote, 60);
  form->Note->UpdateValue(61.5f);
  EXPECT_EQ(patch().PlayNote, 62);
  EXPECT_EQ(form->Note->Edit->Text(), "62");
}

TEST_F(ParamControls, ControlsShowThePatchFromTheStartAndAfterAReload) {
  // Loaded when the editor was made, before any open.
  EXPECT_EQ(form->Semitone->Value, patch().AuxOscSemitone.lane(0));
  float* semitone = reinterpret_cast<float*>(&patch().AuxOscSemitone);
  semitone[0] = 7.0f;
  form->Semitone->AddUndo();
  form->RefreshControls(&patch(), synth_->Multi.get());
  EXPECT_EQ(form->Semitone->Value, 7.0f);
  EXPECT_EQ(form->Semitone->Edit->Text(), "7");
  EXPECT_TRUE(form->Semitone->UndoList.Empty());
}

// ---- reset and undo through the mouse --------------------------------------------------------

TEST_F(ParamControls, RightClickResetsByModifierAndCtrlUndoes) {
  XParamSlider& s = *form->Semitone;  // -48..48, default 0
  s.Default = 12;
  const struct {
    TShiftState shift;
    float expected;
  } cases[] = {
      {{}, 12.0f},
      {{.Shift = true}, -48.0f},
      {{.Alt = true}, 0.0f},
      {{.Shift = true, .Alt = true}, 48.0f},
  };
  for (const auto& c : cases) {
    RightClick(*s.Text, c.shift);
    EXPECT_EQ(s.Value, c.expected);
    EXPECT_EQ(patch().AuxOscSemitone.lane(0), c.expected);
  }
  // Ctrl + right click on the bar undoes, newest first.
  RightClick(*s.Slider, {.Ctrl = true});
  EXPECT_EQ(s.Value, 0.0f);
  RightClick(*s.Slider, {.Ctrl = true});
  EXPECT_EQ(s.Value, -48.0f);
  // A double click on the label undoes as well.
  const TPoint p = At(*s.Text, 5, 5);
  window->DoubleClick(p.x, p.y);
  EXPECT_EQ(s.Value, 12.0f);
}

// Where the window manager takes Alt with a click: the middle button resets as Alt + right click,
// and Shift drags through the extended range as Alt does.
TEST_F(ParamControls, TheMiddleButtonAndShiftStandInForAlt) {
  XParamSlider& s = *form->Semitone;  // -48..48, extended -96..96
  const TPoint label = At(*s.Text, 5, 5);
  s.UpdateValue(12.0f);
  window->Click(label.x, label.y, TMouseButton::Middle);
  EXPECT_EQ(s.Value, 0.0f);
  window->Click(label.x, label.y, TMouseButton::Middle, {.Shift = true});
  EXPECT_EQ(s.Value, 48.0f);
  window->Click(label.x, label.y, TMouseButton::Middle, {.Ctrl = true});
  EXPECT_EQ(s.Value, 0.0f);  // Ctrl undoes, as with the right button

  const TPoint end = At(*s.Slider, 150, 8);
  for (const TShiftState shift : {TShiftState{.Alt = true}, TShiftState{.Shift = true}}) {
    window->MouseDown(end.x, end.y, TMouseButton::Left, shift);
    window->MouseUp(end.x, end.y, TMouseButton::Left, shift);
    EXPECT_GT(s.Value, 90.0f);
  }
  window->MouseDown(end.x, end.y);
  window->MouseUp(end.x, end.y);
  EXPECT_LT(s.Value, 48.0f);
}

TEST_F(ParamControls, TwoEqualResetsLeaveOneUndoEntry) {
  XParamSlider& s = *form->Semitone;
  s.UpdateValue(5.0f);
  RightClick(*s.Text);
  RightClick(*s.Text);
  EXPECT_EQ(s.UndoList.Size(), 1u);
  RightClick(*s.Text, {.Ctrl = true});
  EXPECT_EQ(s.Value, 5.0f);
  RightClick(*s.Text, {.Ctrl = true});  // an empty stack changes nothing
  EXPECT_EQ(s.Value, 5.0f);
}

TEST_F(ParamControls, ADragIsOneUndoEntryAndOneAutomationOfParameterOnePerPointerEvent) {
  XParamSlider& s = *form->Semitone;
  s.UpdateValue(0.0f);
  g_automates = 0;
  const TPoint a = At(*s.Slider, 75, 8), b = At(*s.Slider, 100, 8);
  window->MouseDown(a.x, a.y);
  window->MouseMove(b.x, b.y);
  window->MouseMove(b.x, b.y);  // no change of value: still announced
  window->MouseMove(b.x + 10, b.y);
  window->MouseUp(b.x + 10, b.y);
  EXPECT_GT(s.Value, 0.0f);
  // The press places the knob too; then one call per move.
  EXPECT_EQ(g_automates.load(), 4);
  EXPECT_EQ(g_automate_index.load(), 1);
  EXPECT_EQ(g_automate_value.load(), 0.0f);
  EXPECT_EQ(s.UndoList.Size(), 1u);
  s.UndoHandler();
  EXPECT_EQ(s.Value, 0.0f);
}

// One wheel notch over a bar moves a hundredth of the normal range (a thousandth with Ctrl; whole
// steps for whole-number kinds) and is an edit like a drag: one automation, one undo entry.
TEST_F(ParamControls, AWheelNotchOverTheBarStepsTheValueAsADragWould) {
  struct Case {
    XParamSlider* slider;
    float start;
    int notches;
    bool ctrl;
    float expected;
  };
  const Case cases[] = {
      {form->Semitone, 0.0f, 1, false, 0.96f},     // -48 .. 48
      {form->Semitone, 0.0f, -2, false, -1.92f},
      {form->Semitone, 0.0f, 1, true, 0.096f},
      {form->Semitone, 47.5f, 1, false, 48.0f},    // held at the end
      {form->Semitone, 90.0f, -1, false, 89.04f},  // typed beyond: moves back in ...
      {form->Semitone, 90.0f, 1, false, 90.0f},    // ... never further out
      {form->Range, 3.0f, 1, false, 4.0f},         // 0 .. 10, whole numbers: at least one
      {form->Range, 3.0f, 1, true, 4.0f},
      {form->Note, 60.0f, -3, false, 57.0f},       // 0 .. 127
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.slider->Text->Caption + " from " + std::to_string(c.start) + " by " + std::to_string(c.notches));
    XParamSlider& s = *c.slider;
    s.UpdateValue(c.start);
    s.UndoList.Clear();
    g_automates = 0;
    const TPoint p = At(*s.Slider, 75, 8);
    window->Wheel(p.x, p.y, c.notches, {.Ctrl = c.ctrl});
    EXPECT_NEAR(s.Value, c.expected, 1e-4);
    const bool moved = c.expected != c.start;
    EXPECT_EQ(g_automates.load(), 1);
    EXPECT_EQ(s.UndoList.Size(), moved ? 1u : 0u);
    s.UndoHandler();
    EXPECT_EQ(s.Value, moved ? c.start : c.expected);
  }
  // On a curved bar a notch is a hundredth of the bar, wherever the knob stands.
  XParamSlider& cutoff = *form->Cutoff;
  cutoff.UpdateValue(cutoff.Default);
  const TPoint p = At(*cutoff.Slider, 75, 8);
  window->Wheel(p.x, p.y, -1);
  EXPECT_NEAR(cutoff.Slider->Value, 12543.854f * 0.99f, 0.01f);
  EXPECT_LT(cutoff.Value, 12543.854f * 0.99f);  // the curve is steeper at the top
}

TEST_F(ParamControls, AWheelNotchOverAClosedListChoosesTheNeighbourItem) {
  XParamCombo& type = *form->Type;  // "Off" 0, "Low" 1, "High" 5, "Band" 6
  type.UpdateValue(0);
  const TPoint p = At(*type.Combo, 20, 8);
  struct Step {
    int notches;
    uint32_t value;
  };
  for (const Step& step : {Step{-1, 1}, Step{-5, 6}, Step{1, 5}, Step{3, 0}, Step{1, 0}}) {
    g_automates = 0;
    const uint32_t before = type.Value;
    window->Wheel(p.x, p.y, step.notches);
    EXPECT_EQ(type.Value, step.value) << step.notches;
    EXPECT_EQ(patch().FilterType.lane(0), step.value);
    EXPECT_EQ(g_automates.load(), before != step.value ? 1 : 0);
  }
  EXPECT_EQ(type.UndoList.Size(), 4u);
  type.UndoHandler();
  EXPECT_EQ(type.Value, 5u);
  // The open list keeps its own wheel: the choice waits for the user's click.
  window->MouseDown(p.x, p.y);
  window->MouseUp(p.x, p.y);
  ASSERT_TRUE(type.Combo->ListBox->Visible());
  window->Wheel(p.x, p.y, -1);
  EXPECT_EQ(type.Value, 5u);
}

// ---- lists and switches ------------------------------------------------------------------

TEST_F(ParamControls, ListItemsAreNumberedAndAnUnknownValueTurnsTheListRed) {
  XParamCombo& type = *form->Type;  // "Off", "Low", "_Reserved", "High#5", "Band"
  ASSERT_EQ(type.ItemCount(), 4);
  EXPECT_EQ(type.Items()[2], (TListItem{"High", 5}));
  EXPECT_EQ(type.Items()[3], (TListItem{"Band", 6}));
  type.UpdateValue(5);
  EXPECT_EQ(type.DisplayText(), "High");
  EXPECT_NE(type.Combo->Color, 0x0000FFu);
  // A number no item carries is kept and stored; the list shows item 0 on red, and stays red.
  type.UpdateValue(3);
  EXPECT_EQ(type.Value, 3u);
  EXPECT_EQ(patch().FilterType.lane(0), 3u);
  EXPECT_EQ(type.DisplayText(), "Off");
  EXPECT_EQ(type.Combo->Color, 0x0000FFu);
  type.UpdateValue(1);
  EXPECT_EQ(type.Combo->Color, 0x0000FFu);
  // Read from the patch, an unknown number shows as value 0.
  reinterpret_cast<uint32_t*>(&patch().FilterType)[0] = 9;
  type.GetParam();
  EXPECT_EQ(type.Value, 0u);
}

TEST_F(ParamControls, ASwitchWritesItsFieldValuesAndReadsOnForAnythingButOff) {
  XParamButton& sw = *form->FreeRun;
  sw.DefaultFalse = 0xFFFFFFFFu;
  sw.DefaultTrue = 0;
  uint32_t* field = reinterpret_cast<uint32_t*>(&patch().AuxOscStartPhase);
  sw.UpdateValue(true);
  EXPECT_EQ(field[0], 0u);
  sw.UpdateValue(false);
  EXPECT_EQ(field[0], 0xFFFFFFFFu);
  for (uint32_t v : {0u, 1u, 0x80000000u}) {
    field[0] = v;
    sw.GetParam();
    EXPECT_TRUE(sw.Value) << v;
  }
  // A click toggles it through the same path.
  const TPoint p = At(sw, 5, 5);
  window->MouseDown(p.x, p.y);
  window->MouseUp(p.x, p.y);
  EXPECT_FALSE(sw.Value);
  EXPECT_EQ(field[0], 0xFFFFFFFFu);
}

// ---- the form: layers, places and names --------------------------------------------------------

TEST_F(ParamControls, APrimaryAndAHiddenGroupShareOnePlaceAndOneLayerIsShown) {
  EXPECT_EQ(form->Cutoff->GetTop(), form->Detune->GetTop());
  EXPECT_EQ(form->Range->GetTop(), form->Cutoff->GetTop() + 31);
  EXPECT_TRUE(form->Cutoff->GetVisible());
  EXPECT_FALSE(form->Detune->GetVisible());
  EXPECT_TRUE(form->Detune->GetHidden());
  form->ShowHiddenLayer();
  EXPECT_FALSE(form->Cutoff->GetVisible());
  EXPECT_TRUE(form->Detune->GetVisible());
  EXPECT_TRUE(form->Semitone->GetVisible());  // plain groups stay
  EXPECT_TRUE(form->HiddenPage);
  window->Idle();
  window->WritePng(std::string(BRELIX_ARTIFACT_DIR) + "/test_page_hidden.png");
  form->ShowPrimaryLayer();
  EXPECT_TRUE(form->Cutoff->GetVisible());
  EXPECT_FALSE(form->Detune->GetVisible());
  window->Idle();
  window->WritePng(std::string(BRELIX_ARTIFACT_DIR) + "/test_page_primary.png");
}

TEST_F(ParamControls, EntriesAreNamedBySectionAndTheHiddenLayerJoinsAtTheFlush) {
  const char* names[] = {"Extended",    "*Osc1",       "Osc1.FreeRun", "Osc1.Semitone", "Osc1.Cutoff",
                         "Osc1.Range",  "Osc1.Type",   "Osc1.Note",    "Osc1.Detune",   "*Sound",
                         "Sound.Level", "*Voice",      "Voice.Declick"};
  ASSERT_EQ(editor->Params.Count(), 13);
  for (int i = 0; i < 13; ++i) EXPECT_EQ(editor->GetParamName(i), names[i]) << i;
  EXPECT_EQ(form->Semitone->ParamID, "Osc1.Semitone");
  // A hidden control after a hidden section takes its number, a primary one the primary's.
  EXPECT_EQ(form->Declick->SectionID, 3);
  EXPECT_EQ(form->Level->SectionID, 2);
  EXPECT_EQ(form->Detune->SectionID, 1);
  // A second flush moves nothing.
  form->FlushHiddenParams();
  EXPECT_EQ(editor->Params.Count(), 13);
}

TEST_F(ParamControls, TabMovesTheFocusUnlessLegacyTab) {
  form->Semitone->Edit->SetFocus();
  window->Key(ui::keys::kTab);
  EXPECT_NE(form->ActiveControl(), form->Semitone->Edit);
  EXPECT_NE(form->ActiveControl(), nullptr);
  window->Key(ui::keys::kTab, 0, {.Shift = true});
  EXPECT_EQ(form->ActiveControl(), form->Semitone->Edit);

  // The form takes Tab for itself, unless LegacyTab leaves it to the toolkit.
  TKeyEvent tab{ui::keys::kTab, {}};
  EXPECT_TRUE(form->PreviewKeyDown(tab));
  TSharedSettings legacy = WidgetSettings();
  legacy.LegacyTab = true;
  SetWidgetSettings(legacy);
  EXPECT_FALSE(form->PreviewKeyDown(tab));
  // Escape inside a host does nothing.
  TKeyEvent escape{ui::keys::kEscape, {}};
  EXPECT_FALSE(form->PreviewKeyDown(escape));
}

// ---- host parameters -----------------------------------------------------------------------

TEST_F(ParamControls, HostValuesMapThroughTheControls) {
  // Entry 0: rounds half to even; reads 0.
  editor->SetParam(0, 0.5f);
  EXPECT_FALSE(editor->ExtRange);
  editor->SetParam(0, 0.51f);
  EXPECT_TRUE(editor->ExtRange);
  EXPECT_EQ(editor->GetParam(0), 0.0f);
  editor->SetParam(0, 0.0f);

  // Detune: -1..1, extended -8..8.
  // The controls take a host's values at the next idle call.
  editor->SetParam(8, 0.75f);
  editor->Idle();
  EXPECT_EQ(form->Detune->Value, 0.5f);
  editor->SetParam(0, 1.0f);
  editor->SetParam(8, 0.75f);
  editor->Idle();
  EXPECT_EQ(form->Detune->Value, 4.0f);
  EXPECT_EQ(patch().AuxOscDetune.lane(0), 4.0f);
  editor->SetParam(0, 0.0f);
  EXPECT_EQ(editor->GetParam(8), 2.5f);

  // A list of four items reaches value numbers 0..3 by position of number: 0.5 -> 2 (1.5 to
  // even), which no item carries here: stored, shown red.
  editor->SetParam(6, 0.5f);
  editor->Idle();
  EXPECT_EQ(form->Type->Value, 2u);
  EXPECT_EQ(editor->GetParam(6), 2.0f / 3.0f);

  // Switch.
  editor->SetParam(2, 0.5f);
  editor->Idle();
  EXPECT_FALSE(form->FreeRun->Value);
  EXPECT_EQ(editor->GetParamDisplay(2), "Off");
  editor->SetParam(2, 0.6f);
  editor->Idle();
  EXPECT_TRUE(form->FreeRun->Value);
  EXPECT_EQ(editor->GetParamDisplay(2), "On");
  EXPECT_EQ(editor->GetParamLabel(2), "");

  // Section entries read 0 and ignore writes.
  EXPECT_EQ(editor->GetParam(1), 0.0f);
  editor->SetParam(1, 1.0f);
  EXPECT_EQ(editor->GetParamDisplay(1), "");
}

TEST_F(ParamControls, BadHostValuesAndIndicesGetTheNeutralAnswer) {
  form->Semitone->UpdateValue(3.0f);
  for (float bad : {kNaN, -kNaN}) {
    editor->SetParam(3, bad);
    EXPECT_EQ(patch().AuxOscSemitone.lane(0), 3.0f);
    editor->SetParam(2, bad);
    editor->SetParam(6, bad);
    editor->SetParam(0, bad);
    EXPECT_FALSE(editor->ExtRange);
  }
  // Infinite values stay inside the extended range.
  editor->SetParam(3, kInf);
  EXPECT_EQ(patch().AuxOscSemitone.lane(0), 96.0f);
  editor->SetParam(3, -kInf);
  EXPECT_EQ(patch().AuxOscSemitone.lane(0), -96.0f);

  for (int32_t index : {-1, -1000, 13, 443, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()}) {
    EXPECT_EQ(editor->GetParam(index), 0.0f) << index;
    editor->SetParam(index, 1.0f);
    EXPECT_EQ(editor->GetParamName(index), "?");
    EXPECT_EQ(editor->GetParamDisplay(index), "");
  }
  synth_->Automation = false;
  EXPECT_EQ(editor->GetParamName(0), "?");
  EXPECT_EQ(editor->GetParam(3), 0.0f);
  editor->SetParam(3, 1.0f);
  EXPECT_EQ(patch().AuxOscSemitone.lane(0), -96.0f);
}

// A host write is not echoed, and the number box, the bar and the host's display text follow it
// whatever the EditAutomation setting: the box takes it at the next idle call.
TEST_F(ParamControls, AHostWriteIsNotEchoedAndEveryViewOfTheValueFollowsIt) {
  form->Semitone->UpdateValue(0.0f);
  char text[64];
  struct Case {
    bool editAutomation;
    float host;
    const char* shown;
  };
  for (const Case& c : {Case{false, 0.75f, "24"}, Case{true, 0.25f, "-24"}, Case{false, 0.5f, "0"}}) {
    synth_->EditAutomation = c.editAutomation;
    g_automates = 0;
    synth_->Multi->Modified = false;
    synth_->SetParameter(3, c.host);
    EXPECT_EQ(patch().AuxOscSemitone.lane(0), (c.host - 0.5f) * 96.0f);
    EXPECT_EQ(g_automates.load(), 0);
    EXPECT_TRUE(synth_->Multi->Modified);
    synth_->GetParameterDisplay(3, text);
    EXPECT_STREQ(text, c.shown);
    editor->Idle();
    EXPECT_EQ(form->Semitone->Edit->Text(), c.shown);
    EXPECT_EQ(form->Semitone->Value, (c.host - 0.5f) * 96.0f);
    EXPECT_EQ(synth_->GetParameter(3), c.host);
  }
  synth_->GetParameterName(3, text);
  EXPECT_STREQ(text, "Osc1.Semitone");
  TSharedSettings legacy = WidgetSettings();
  legacy.LegacyParams = true;
  SetWidgetSettings(legacy);
  synth_->GetParameterName(3, text);
  EXPECT_STREQ(text, "Semitone");
  synth_->GetParameterName(1, text);
  EXPECT_STREQ(text, "*Osc1");
}

}  // namespace
}  // namespace brelix
