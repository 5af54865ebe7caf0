// The numeric edit box: its key filter in front of the edit, commit on Enter and on leaving,
// giving the keys back to a host that plays notes on them, and the single-line edit under it (caret, selection, Backspace, Delete, arrows).
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

#include "support/recording_controls.h"
#include "support/widget_fixture.h"

namespace brelix {
namespace {

using testing::RecordingSliderControl;
namespace keys = ui::keys;

class EditTest : public testing::WidgetFixture {
 protected:
  EditTest() {
    edit = XEdit::CreateEdit(form.get(), page, 91, 35);
    other = XEdit::CreateEdit(form.get(), page, 91, 66);
    edit->Control = &control;
  }

  // The box with `text`, focused, the caret at its end.
  void Start(TParamKind kind, double min, double max, const std::string& text) {
    edit->Kind = kind;
    edit->Min = min;
    edit->Max = max;
    edit->SetText(text);
    form->SetActiveControl(edit);
    edit->SetSelection(static_cast<int>(text.size()), static_cast<int>(text.size()));
  }

  XEdit* edit;
  XEdit* other;
  RecordingSliderControl control;
};

TEST_F(EditTest, TheKeyFilterLetThroughWhatTheKindAllows) {
  using K = TParamKind;
  const struct {
    K kind;
    double min;
    const char* start;
    const char* typed;
    const char* text;
  } cases[] = {
      {K::SingleSingle, 0, "", "12.5.3", "12.53"},     // one "."
      {K::SingleSingle, 0, "", "7-", "7"},             // no sign above 0
      {K::SingleSingle, 0, "", "$*aF9 x+", "9"},       // no hexadecimal in decimals
      {K::SingleSingle, -1, "5", "-", "-5"},
      {K::SingleSingle, -1, "-5", "-", "5"},
      {K::IntegerInteger, -1, "", "3.", "3"},          // no "." in integers
      {K::IntegerInteger, 0, "1A", "$", "$1A"},
      {K::IntegerInteger, 0, "$1A", "*", "1A"},
      {K::IntegerInteger, -1, "$1A", "-", "-$1A"},
      {K::IntegerInteger, -1, "-$1A", "-", "$1A"},
      {K::SingleInteger, 0, "", "$ffgG", "$ff"},
      {K::SingleInteger, 0, "", "/", ""},              // no reciprocal for integers
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.start) + " + " + c.typed);
    Start(c.kind, c.min, 1000, c.start);
    for (char ch : std::string(c.typed)) window->Key(ui::KeyOfChar(ch), ch);
    EXPECT_EQ(edit->Text(), c.text);
  }
}

TEST_F(EditTest, TheSignAndDollarTogglesPlaceTheCaret) {
  Start(TParamKind::IntegerInteger, -100, 100, "12");
  window->Type("-");
  EXPECT_EQ(edit->CaretPosition(), 1);
  window->Type("$");
  EXPECT_EQ(edit->Text(), "$-12");
  EXPECT_EQ(edit->CaretPosition(), 1);
  window->Type("$");
  EXPECT_EQ(edit->CaretPosition(), 0);
  edit->SetText("$1A");
  window->Type("-");
  EXPECT_EQ(edit->CaretPosition(), 2);
}

TEST_F(EditTest, TheFilterSeesTheTextWithoutItsSelection) {
  Start(TParamKind::SingleSingle, 0, 10, "1.5");
  edit->SetSelection(1, 3);  // ".5"
  window->Type(".");
  EXPECT_EQ(edit->Text(), "1.");
  window->Key(0, 1);  // Ctrl+A
  EXPECT_EQ(edit->SelLength(), 2);
  window->Type("7");
  EXPECT_EQ(edit->Text(), "7");
}

TEST_F(EditTest, TheReciprocalKeyInvertsAndCommits) {
  Start(TParamKind::SingleSingle, -10, 10, "4");
  window->Type("/");
  EXPECT_EQ(edit->Text(), "0.25");
  EXPECT_EQ(control.updates, std::vector<float>{0.25f});
  EXPECT_EQ(control.calls, (std::vector<std::string>{"AddUndo", "UpdateValue"}));
  // Zero has no reciprocal; a reciprocal beyond the range is clamped on commit.
  Start(TParamKind::SingleSingle, 0, 1, "0");
  window->Type("/");
  EXPECT_EQ(edit->Text(), "0");
  Start(TParamKind::SingleSingle, 0, 1, "0.5");
  window->Type("/");
  EXPECT_EQ(edit->Text(), "1");
  EXPECT_EQ(control.updates.back(), 1.0f);
}

TEST_F(EditTest, EnterCommitsWhatTheTextStandsFor) {
  using K = TParamKind;
  const struct {
    K kind;
    double min, max;
    const char* typed;
    float value;
    const char* shown;
  } cases[] = {
      {K::IntegerInteger, -1000, 1000, "$1A", 26, "26"},
      {K::SingleInteger, -1000, 1000, "$1a", 26, "26"},
      {K::SingleSingle, -1, 1, ".5", 0.5f, "0.5"},
      {K::SingleSingle, -1, 1, "-.5", -0.5f, "-0.5"},
      {K::SingleInteger, -120, 120, "300", 120, "120"},   // clamped to the extended bound
      {K::SingleInteger, -5000, 5000, "1E3", 1000, "1000"},  // a hexadecimal letter, read as decimal
      {K::SingleSingle, 0, 12543.854, "99999", 12543.854f, "12543.854"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    edit->Mask = "####0.###";
    Start(c.kind, c.min, c.max, "");
    control.value = 7;
    window->Type(std::string(c.typed) + "\r");
    ASSERT_FALSE(control.updates.empty());
    EXPECT_EQ(control.updates.back(), c.value);
    EXPECT_EQ(edit->Text(), c.shown);
    EXPECT_EQ(edit->SelLength(), static_cast<int>(edit->Text().size()));  // all selected after Enter
  }
}

TEST_F(EditTest, AHexadecimalTextWithDecimalsCommitsItsWholePart) {
  edit->Kind = TParamKind::IntegerInteger;
  edit->Min = -1000;
  edit->Max = 1000;
  edit->SetText("$1A.7");
  EXPECT_TRUE(edit->Commit());
  EXPECT_EQ(control.value, 26.0f);
}

TEST_F(EditTest, ATextThatIsNoNumberKeepsTheValue) {
  for (const char* typed : {"$", "-"}) {
    SCOPED_TRACE(typed);
    edit->Kind = TParamKind::IntegerInteger;
    edit->Min = -100;
    edit->Max = 100;
    edit->SetValue(3);
    control.value = 3;
    control.calls.clear();
    form->SetActiveControl(edit);
    edit->SelectAll();
    window->Type(std::string(typed) + "\r");
    EXPECT_TRUE(control.calls.empty());
    EXPECT_EQ(edit->Text(), "3");
  }
  // A value that is no number (from a damaged file) is not taken back from its text either.
  edit->Kind = TParamKind::SingleSingle;
  control.calls.clear();
  edit->SetValue(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(edit->Text(), "NAN");
  EXPECT_FALSE(edit->Commit());
  EXPECT_TRUE(control.calls.empty());
}

TEST_F(EditTest, TheSameValueIsNoChange) {
  Start(TParamKind::SingleSingle, 0, 1, "");
  control.value = 0.1f;
  window->Type("0.1\r");
  EXPECT_TRUE(control.calls.empty());
}

TEST_F(EditTest, LeavingTheBoxCommits) {
  Start(TParamKind::SingleSingle, 0, 1, "");
  window->Type("0.75");
  EXPECT_TRUE(control.calls.empty());
  window->Key(keys::kTab, '\t');
  EXPECT_EQ(form->ActiveControl(), other);
  EXPECT_EQ(control.updates, std::vector<float>{0.75f});
  // A click elsewhere in the page takes the focus from it too.
  form->SetActiveControl(edit);
  window->Type("0.5");
  Click(*other, 5, 5);
  EXPECT_EQ(control.updates.back(), 0.5f);
}

// Arriving selects all, by Tab as by a click, so that typing replaces the value; a click into
// the box that has the focus places the caret.
TEST_F(EditTest, ArrivingByTabOrClickSelectsAllAndAClickInsidePlacesTheCaret) {
  edit->SetValue(0.25);
  other->Max = 100;
  other->SetValue(12);
  form->SetActiveControl(other);
  window->Key(keys::kTab, '\t', {.Shift = true});
  EXPECT_EQ(form->ActiveControl(), edit);
  EXPECT_EQ(edit->SelLength(), 4);
  Click(*other, 4, 7);  // on the text's first digit
  EXPECT_EQ(form->ActiveControl(), other);
  EXPECT_EQ(other->SelLength(), 2);
  window->Type("5");
  EXPECT_EQ(other->Text(), "5");
  window->Type("0");
  Click(*other, 40, 7);  // right of the text
  EXPECT_EQ(other->SelLength(), 0);
  EXPECT_EQ(other->CaretPosition(), 2);
  window->DoubleClick(At(*other, 2, 7).x, At(*other, 2, 7).y);
  EXPECT_EQ(other->SelLength(), 2);
}

TEST_F(EditTest, TheEditMovesAndDeletesByKeys) {
  Start(TParamKind::SingleSingle, -100, 100, "12345");
  const struct {
    int key;
    char c;
    TShiftState shift;
    const char* text;
    int caret, selected;
  } steps[] = {
      {keys::kLeft, 0, {}, "12345", 4, 0},
      {keys::kLeft, 0, {.Shift = true}, "12345", 3, 1},
      {keys::kBack, '\b', {}, "1235", 3, 0},     // the selection goes
      {keys::kBack, '\b', {}, "125", 2, 0},
      {keys::kHome, 0, {}, "125", 0, 0},
      {keys::kDelete, 0, {}, "25", 0, 0},
      {keys::kEnd, 0, {.Shift = true}, "25", 2, 2},
      {keys::kRight, 0, {}, "25", 2, 0},
      {keys::kBack, '\b', {}, "2", 1, 0},
      {keys::kDelete, 0, {}, "2", 1, 0},         // nothing after the caret
  };
  for (const auto& s : steps) {
    window->Key(s.key, s.c, s.shift);
    EXPECT_EQ(edit->Text(), s.text);
    EXPECT_EQ(edit->CaretPosition(), s.caret);
    EXPECT_EQ(edit->SelLength(), s.selected);
  }
}

TEST_F(EditTest, AHostThatPlaysTheKeysHasThemBackAfterTyping) {
  const struct {
    const char* after;
    bool keysBack;  // the form's mode, which only such a host sets
    std::function<void()> act;
    bool focused;   // the box still takes the keys
    const char* shown;
    float value;
  } cases[] = {
      {"Enter, no such host", false, [&] { window->Type("\r"); }, true, "0.25", 0.25f},
      {"a click on blank space, no such host", false, [&] { Click(*page, 400, 300); }, true, ".25", 0.5f},
      {"Enter", true, [&] { window->Type("\r"); }, false, "0.25", 0.25f},
      {"Escape", true, [&] { window->Type("\x1b"); }, false, "0.5", 0.5f},
      {"a click on blank space", true, [&] { Click(*page, 400, 300); }, false, "0.25", 0.25f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.after);
    form->KeysBackToHost = c.keysBack;
    control.value = 0.5f;
    edit->SetValue(0.5);
    Start(TParamKind::SingleSingle, 0, 1, "");
    window->Type(".25");
    c.act();
    EXPECT_EQ(form->KeyTaker() == edit, c.focused);
    EXPECT_EQ(edit->Text(), c.shown);
    EXPECT_EQ(control.value, c.value);
    form->KeysBackToHost = false;
    form->SetActiveControl(nullptr);
  }
}

TEST_F(EditTest, APressAndDragSelects) {
  Start(TParamKind::SingleSingle, -100, 100, "0.1234567");
  Press(*edit, 1, 7);
  EXPECT_EQ(edit->CaretPosition(), 0);
  Move(*edit, 200, 7);  // past the end
  Release(*edit, 200, 7);
  EXPECT_EQ(edit->SelLength(), 9);
}

TEST_F(EditTest, ShowsCaretAndSelectionOnlyWithTheFocus) {
  edit->SetValue(-123.5);
  const TColor edit_color = Colors().EditColor;
  auto coloured = [&](TColor c) {
    window->Idle();
    int n = 0;
    for (int x = 0; x < edit->Width(); ++x)
      for (int y = 0; y < edit->Height(); ++y) n += Pixel(*edit, x, y) == c;
    return n;
  };
  const int unfocused = coloured(edit_color);
  EXPECT_GT(unfocused, 0);  // the text
  form->SetActiveControl(edit);  // all selected: a filled block
  EXPECT_GT(coloured(edit_color), 4 * unfocused);
  edit->SetSelection(0, 0);  // the caret: a line of the text's height at its start
  for (int y = 0; y < 14; ++y) EXPECT_EQ(Pixel(*edit, TEdit::kMargin, y), edit_color) << y;
  // It blinks.
  window->Idle(TEdit::kBlinkMs + 1);
  EXPECT_NE(Pixel(*edit, TEdit::kMargin, 0), edit_color);
  window->Idle(TEdit::kBlinkMs);
  EXPECT_EQ(Pixel(*edit, TEdit::kMargin, 0), edit_color);
}

}  // namespace
}  // namespace brelix
