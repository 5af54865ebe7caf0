// The list widget and its drop-down: how it is drawn, where and how large the list drops down,
// and how a choice is made or abandoned by mouse and keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_controls.h"
#include "support/widget_fixture.h"

namespace brelix {
namespace {

using testing::RecordingListControl;
using ui::TMouseButton;
namespace keys = ui::keys;

TListItems Items(int n, uint32_t first_number = 0) {
  TListItems items;
  for (int i = 0; i < n; ++i) items.push_back({"Item " + std::to_string(i), first_number + static_cast<uint32_t>(i)});
  return items;
}

class ComboTest : public testing::WidgetFixture {
 protected:
  XCombo* MakeCombo(int top, int n, bool without_drop_down = false) {
    XCombo* combo = XCombo::CreateCombo(form.get(), page, 159, top, without_drop_down);
    combo->Items = Items(n, 10);
    if (combo->ListBox != nullptr) combo->ListBox->SetItems(combo->Items);
    combo->SelectValue(10);
    return combo;
  }
  XListBox& List(XCombo* combo) { return *combo->ListBox; }

  RecordingListControl control;
};

TEST_F(ComboTest, IsATextBoxBesideAButtonSquare) {
  XCombo* combo = MakeCombo(4, 3);
  const int w = combo->Width(), h = combo->Height();
  const TColor frame = Colors().FrameColor, back = Colors().WindowColor, button = Colors().FontColor;
  EXPECT_EQ(Pixel(*combo, 0, 8), frame);
  EXPECT_EQ(Pixel(*combo, w - h - 2, 8), frame);  // the text box ends one pixel before the square
  EXPECT_EQ(Pixel(*combo, w - h - 1, 8), back);
  EXPECT_EQ(Pixel(*combo, w - h, 8), frame);
  EXPECT_EQ(Pixel(*combo, w - 1, 8), frame);
  EXPECT_EQ(Pixel(*combo, w - h, 0), frame);
  EXPECT_EQ(Pixel(*combo, w - h, h - 1), frame);
  // The filled square: from 4 inside the square, side height - 8.
  EXPECT_EQ(Pixel(*combo, w - h + 3, 8), back);
  EXPECT_EQ(Pixel(*combo, w - h + 4, 4), button);
  EXPECT_EQ(Pixel(*combo, w - 5, h - 5), button);
  EXPECT_EQ(Pixel(*combo, w - 4, h - 5), back);
  EXPECT_EQ(Pixel(*combo, w - 5, h - 4), back);
  combo->External = true;
  combo->Repaint();
  EXPECT_EQ(Pixel(*combo, 0, 8), Colors().KnobColor);
  EXPECT_EQ(Pixel(*combo, w - 8, 8), Colors().KnobColor);
  // The text sits on the widget's colour at (4, 1): red for a value no item carries.
  combo->Color = 0x0000FF;
  combo->Repaint();
  EXPECT_EQ(Pixel(*combo, 4, 1), 0x0000FFu);
  EXPECT_EQ(Pixel(*combo, 3, 1), back);
}

TEST_F(ComboTest, SelectValueFindsTheFirstItemWithTheNumber) {
  XCombo* combo = MakeCombo(4, 5);
  combo->Items[3].Value = 11;  // a second item numbered 11
  combo->SelectValue(11);
  EXPECT_EQ(combo->ComboIndex, 1);
  EXPECT_EQ(combo->TextValue, "Item 1");
  combo->SelectValue(99);
  EXPECT_EQ(combo->ComboIndex, 0);
  EXPECT_EQ(combo->TextValue, "");
}

TEST_F(ComboTest, TheDropDownFitsItselfIntoThePage) {
  const struct {
    int items, combo_top, top, height;
  } cases[] = {
      {10, 100, 116, 134},  // under the widget
      {10, 500, 404, 134},  // moved up to end at the page's bottom
      {40, 4, 14, 524},     // 40 x 13 + 4 = 524 would pass the bottom of a 538 page
      {40, 300, 14, 524},
      {41, 4, 1, 537},      // 537 is less than the page: moved up, not stretched
      {42, 4, 0, 538},
      {60, 200, 0, 538},    // too many: the page's whole height
      {0, 100, 116, 4},     // an empty list is its frame
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.items) + " items at " + std::to_string(c.combo_top));
    XCombo* combo = MakeCombo(c.combo_top, c.items);
    ASSERT_EQ(List(combo).ItemHeight(), 13);
    Click(*combo, 20, 8);
    XListBox& list = List(combo);
    EXPECT_TRUE(list.Showing());
    EXPECT_EQ(list.Parent(), page);
    EXPECT_EQ(page->Children().back(), &list);  // in front
    EXPECT_EQ(list.Left(), combo->Left());
    EXPECT_EQ(list.Top(), c.top);
    EXPECT_EQ(list.Height(), c.height);
    EXPECT_EQ(list.Width(), 151);
    EXPECT_EQ(form->ActiveControl(), &list);
    EXPECT_EQ(list.ItemIndex(), c.items > 0 ? 0 : -1);
    window->Key(keys::kEscape, 27);
    EXPECT_FALSE(list.Visible());
  }
}

TEST_F(ComboTest, KeysMoveTheSelectionAndEnterChooses) {
  XCombo* combo = MakeCombo(4, 60);
  combo->Control = &control;
  control.value = 10;
  Click(*combo, 20, 8);
  XListBox& list = List(combo);
  window->Key(keys::kDown);
  window->Key(keys::kDown);
  EXPECT_EQ(list.ItemIndex(), 2);
  window->Key(keys::kEnd);
  EXPECT_EQ(list.ItemIndex(), 59);
  EXPECT_EQ(list.TopIndex(), 60 - list.VisibleLines());  // scrolled to show it
  window->Key(keys::kPageUp);
  EXPECT_EQ(list.ItemIndex(), 59 - (list.VisibleLines() - 1));
  window->Key(keys::kHome);
  window->Key(keys::kUp);  // stays on the first
  EXPECT_EQ(list.ItemIndex(), 0);
  window->Key(keys::kPageDown);
  const int chosen = list.ItemIndex();
  window->Key(keys::kReturn, '\r');
  EXPECT_FALSE(list.Visible());
  EXPECT_EQ(combo->ComboIndex, chosen);
  EXPECT_EQ(combo->TextValue, "Item " + std::to_string(chosen));
  EXPECT_EQ(control.calls,
            (std::vector<std::string>{"AddUndo", "UpdateValue " + std::to_string(10 + chosen)}));
  EXPECT_NE(form->ActiveControl(), &list);
}

TEST_F(ComboTest, EscapeAndAClickElsewhereLeaveTheValue) {
  XCombo* combo = MakeCombo(4, 5);
  combo->Control = &control;
  XCombo* neighbour = MakeCombo(200, 5);
  XListBox& list = List(combo);
  Click(*combo, 20, 8);
  window->Key(keys::kDown);
  window->Key(keys::kEscape, 27);
  EXPECT_FALSE(list.Visible());
  EXPECT_EQ(combo->ComboIndex, 0);
  EXPECT_TRUE(control.calls.empty());
  // A click on the widget again closes it; a click beside it too.
  Click(*combo, 20, 8);
  Click(*combo, 140, 8);
  EXPECT_FALSE(list.Visible());
  Click(*combo, 20, 8);
  Click(*page, 400, 300);
  EXPECT_FALSE(list.Visible());
  // A click on another list widget closes this list and opens that one.
  Click(*combo, 20, 8);
  Click(*neighbour, 20, 8);
  EXPECT_FALSE(list.Visible());
  EXPECT_TRUE(List(neighbour).Visible());
  EXPECT_TRUE(control.calls.empty());
}

TEST_F(ComboTest, TheMouseChoosesWhereItIsReleased) {
  XCombo* combo = MakeCombo(4, 8);
  combo->Control = &control;
  control.value = 10;
  Click(*combo, 20, 8);
  XListBox& list = List(combo);
  // Pressed on item 1, dragged to item 3, released there.
  Press(list, 20, 2 + 13 + 5);
  Move(list, 20, 2 + 3 * 13 + 5);
  EXPECT_TRUE(list.Visible());
  Release(list, 20, 2 + 3 * 13 + 5);
  EXPECT_FALSE(list.Visible());
  EXPECT_EQ(combo->TextValue, "Item 3");
  EXPECT_EQ(control.value, 13u);
  // Choosing the value it has already records no undo.
  control.calls.clear();
  Click(*combo, 20, 8);
  window->Key(keys::kReturn, '\r');
  EXPECT_EQ(control.calls, std::vector<std::string>{"UpdateValue 13"});
}

TEST_F(ComboTest, TheScrollBarOfALongListChoosesNothing) {
  XCombo* combo = MakeCombo(4, 60);
  Click(*combo, 20, 8);
  XListBox& list = List(combo);
  ASSERT_TRUE(list.BarShown());
  Click(list, 151 - 2 - 5, 500);  // below the thumb: a page down
  EXPECT_TRUE(list.Visible());
  EXPECT_GT(list.TopIndex(), 0);
  const int top = list.TopIndex();
  window->Wheel(At(list, 20, 100).x, At(list, 20, 100).y, 1);
  EXPECT_EQ(list.TopIndex(), top - TListBox::kWheelLines);
  EXPECT_EQ(combo->ComboIndex, 0);
}

TEST_F(ComboTest, OtherButtonsRunTheMouseDownHandler) {
  XCombo* combo = MakeCombo(4, 3);
  int resets = 0;
  combo->OnMouseDown = [&](const TMouseEvent& e) { resets += e.Button == TMouseButton::Right; };
  Click(*combo, 20, 8, TMouseButton::Right);
  EXPECT_EQ(resets, 1);
  EXPECT_FALSE(List(combo).Visible());
}

TEST_F(ComboTest, AnEmptyListOpensAndClosesWithoutAChoice) {
  XCombo* combo = MakeCombo(4, 0);
  combo->Control = &control;
  Click(*combo, 20, 8);
  window->Key(keys::kDown);
  window->Key(keys::kReturn, '\r');
  EXPECT_FALSE(List(combo).Visible());
  EXPECT_TRUE(control.calls.empty());
}

TEST_F(ComboTest, ASharedDropDownServesTheWidgetThatOpenedIt) {
  XCombo* owner = MakeCombo(4, 5);
  XCombo* sharer = MakeCombo(300, 5, /*without_drop_down=*/true);
  ASSERT_EQ(sharer->ListBox, nullptr);
  sharer->ListBox = owner->ListBox;
  sharer->Control = &control;
  Click(*sharer, 20, 8);
  XListBox& list = *owner->ListBox;
  EXPECT_EQ(list.Combo, sharer);
  EXPECT_EQ(list.Top(), 316);
  window->Key(keys::kDown);
  window->Key(keys::kReturn, '\r');
  EXPECT_EQ(sharer->TextValue, "Item 1");
  EXPECT_EQ(owner->TextValue, "Item 0");
  EXPECT_EQ(control.value, 11u);
  // Without a control the widget only shows the choice.
  Click(*owner, 20, 8);
  EXPECT_EQ(list.Combo, owner);
  window->Key(keys::kEnd);
  window->Key(keys::kReturn, '\r');
  EXPECT_EQ(owner->ComboIndex, 4);
  EXPECT_EQ(owner->TextValue, "Item 4");
}

TEST_F(ComboTest, LeavingTheListClearsTheChoosedReference) {
  XCombo* combo = MakeCombo(4, 3);
  TComponent* chosen = combo;
  XListBox& list = List(combo);
  Click(*combo, 20, 8);
  list.ChoosedPointer = &chosen;
  list.AltKey = true;
  window->Key(keys::kAlt);  // Alt with AltKey chooses
  EXPECT_FALSE(list.Visible());
  EXPECT_EQ(chosen, nullptr);
  EXPECT_FALSE(list.AltKey);
  EXPECT_EQ(list.ChoosedPointer, nullptr);
}

}  // namespace
}  // namespace brelix
