// Buttons, page tabs, labels and section headers: their looks (pressed and released, the
// label's tab split) and their clicks, and the focus they hand to the page box.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "support/widget_fixture.h"

namespace brelix {
namespace {

using ui::TMouseButton;

// A switch that records the states its clicks hand on.
class RecordingSwitch : public XButton {
 public:
  using XButton::XButton;
  void UpdateValue(bool down) override { states.push_back(down); }
  std::vector<bool> states;
};

class ButtonTest : public testing::WidgetFixture {
 protected:
  // Pixels of colour `c` inside the rectangle of `w`.
  int Count(const TWidget& w, const TRect& r, TColor c) {
    window->Idle();
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += Pixel(w, x, y) == c;
    return n;
  }
  // Pixels inside the rectangle that differ from the background: text, smoothed edges included.
  int Ink(const TWidget& w, const TRect& r, TColor background) {
    window->Idle();
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += Pixel(w, x, y) != background;
    return n;
  }
  // The first and last columns of `area` (the whole widget by default) with ink on `background`.
  std::pair<int, int> Columns(const TWidget& w, TColor background, TRect area = {}) {
    if (area.Empty()) area = {0, 0, w.Width(), w.Height()};
    window->Idle();
    int first = -1, last = -1;
    for (int x = area.left; x < area.right; ++x)
      for (int y = area.top; y < area.bottom; ++y)
        if (Pixel(w, x, y) != background) {
          if (first < 0) first = x;
          last = x;
        }
    return {first, last};
  }
};

TEST_F(ButtonTest, ReleasedButtonsAreAFrameAroundATextBox) {
  XButton* button = XButton::CreateButton(form.get(), page, 4, 4);
  button->Caption = "Load";
  button->Color = 0x102030;  // to tell the text box from the page behind the button
  EXPECT_EQ(button->Width(), 75);
  EXPECT_EQ(button->Height(), 16);
  EXPECT_EQ(Pixel(*button, 0, 0), Colors().FrameColor);
  EXPECT_EQ(Pixel(*button, 74, 15), Colors().FrameColor);
  EXPECT_EQ(Pixel(*button, 1, 1), Colors().WindowColor);  // the ring inside the frame is the page's
  EXPECT_EQ(Pixel(*button, 2, 2), 0x102030u);
  EXPECT_EQ(Pixel(*button, 72, 13), 0x102030u);
  EXPECT_EQ(Pixel(*button, 73, 13), Colors().WindowColor);
  EXPECT_GT(Count(*button, {2, 2, 73, 14}, Colors().FontColor), 20);  // the caption
  const auto [first, last] = Columns(*button, 0x102030, {2, 2, 73, 14});
  EXPECT_LE(std::abs(first - (74 - last)), 2) << first << " " << last;  // centred
  // A switch writes its caption in the edit colour; External frames it in the knob colour.
  button->ParamButton = true;
  button->External = true;
  button->Repaint();
  EXPECT_GT(Count(*button, {2, 2, 73, 14}, Colors().EditColor), 20);
  EXPECT_EQ(Pixel(*button, 0, 0), Colors().KnobColor);
}

TEST_F(ButtonTest, PressedButtonsAreFilledWithDarkText) {
  const TColor window_color = Colors().WindowColor;
  const struct {
    const char* name;
    bool param, external, signal;
    TColor fill, text;
  } cases[] = {
      {"plain", false, false, false, Colors().FontColor, window_color},
      {"signal", false, false, true, 0x00FFFF, window_color},
      {"switch", true, false, false, Colors().EditColor, window_color},
      {"external switch", true, true, false, Colors().KnobColor, Colors().EditColor},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    XButton* button = XButton::CreateButton(form.get(), page, 4, 4);
    button->Caption = "Init";
    button->ParamButton = c.param;
    button->External = c.external;
    button->Signal = c.signal;
    button->SignalColor = 0x00FFFF;
    button->Down = !c.signal;
    // Full: the fill covers the frame too.
    EXPECT_EQ(Pixel(*button, 0, 0), c.fill);
    EXPECT_EQ(Pixel(*button, 74, 15), c.fill);
    EXPECT_EQ(Pixel(*button, 1, 1), c.fill);
    EXPECT_GT(Count(*button, {2, 2, 73, 14}, c.text), 20);
    delete button;
  }
  // Not Full: a two-pixel margin stays around the fill.
  XButton* button = XButton::CreateButton(form.get(), page, 4, 4);
  button->Down = true;
  button->Full = false;
  EXPECT_EQ(Pixel(*button, 0, 0), Colors().FrameColor);
  EXPECT_EQ(Pixel(*button, 1, 1), window_color);
  EXPECT_EQ(Pixel(*button, 2, 2), Colors().FontColor);
  EXPECT_EQ(Pixel(*button, 72, 13), Colors().FontColor);
  EXPECT_EQ(Pixel(*button, 73, 14), window_color);
}

TEST_F(ButtonTest, AnOffsetIndentsFrameAndCaption) {
  XButton* button = XButton::CreateButton(form.get(), page, 4, 4);
  button->Caption = "Offset";
  button->Offset = 12;
  EXPECT_EQ(Pixel(*button, 11, 8), Colors().WindowColor);
  EXPECT_EQ(Pixel(*button, 12, 8), Colors().FrameColor);
  const auto [first, last] = Columns(*button, Colors().WindowColor, {14, 2, 73, 14});
  EXPECT_LE(std::abs((first - 12) - (74 - last)), 2) << first << " " << last;
}

TEST_F(ButtonTest, AClickRunsTheHandlerOrTogglesDown) {
  // With a handler: the handler, Down unchanged ("Init", "Load", "Save" stay pressed).
  XButton* load = XButton::CreateButton(form.get(), page, 4, 4);
  load->Down = true;
  int loads = 0;
  load->OnClick = [&] { ++loads; };
  Click(*load, 10, 8);
  EXPECT_EQ(loads, 1);
  EXPECT_TRUE(load->Down);
  // A signal is cleared by the next click, which does nothing else.
  load->Signal = true;
  Click(*load, 10, 8);
  EXPECT_FALSE(load->Signal);
  EXPECT_EQ(loads, 1);
  // A switch toggles on each click, also on two quick ones, and passes its state on.
  auto* freerun = new RecordingSwitch(form.get());
  freerun->SetPosition(100, 4);
  freerun->SetParent(page);
  freerun->ParamButton = true;
  Click(*freerun, 10, 8);
  EXPECT_TRUE(freerun->Down);
  window->DoubleClick(At(*freerun, 10, 8).x, At(*freerun, 10, 8).y);
  EXPECT_TRUE(freerun->Down);
  EXPECT_EQ(freerun->states, (std::vector<bool>{true, false, true}));
  // A press dragged off the button before release is no click.
  Press(*freerun, 10, 8);
  Release(*freerun, 200, 8);
  EXPECT_EQ(freerun->states.size(), 3u);
  // A button that is not a switch only toggles.
  auto* plain = new RecordingSwitch(form.get());
  plain->SetParent(page);
  Click(*plain, 10, 8);
  EXPECT_TRUE(plain->Down);
  EXPECT_TRUE(plain->states.empty());
}

TEST_F(ButtonTest, LabelsSplitTheirCaptionAtATab) {
  XLabel* label = XLabel::CreateLabel(form.get(), page, 4, 4);
  EXPECT_EQ(label->Width(), 87);
  EXPECT_EQ(label->Height(), 14);
  label->Color = 0x102030;
  label->Caption = "Lev\t0.25";
  EXPECT_EQ(Pixel(*label, 0, 0), 0x102030u);  // filled completely
  EXPECT_EQ(Pixel(*label, 86, 13), 0x102030u);
  const TColor back = label->Color;
  EXPECT_GT(Ink(*label, {0, 0, 25, 14}, back), 10);
  EXPECT_EQ(Ink(*label, {30, 0, 55, 14}, back), 0);
  EXPECT_GT(Ink(*label, {60, 0, 87, 14}, back), 10);
  // The right part ends one pixel plus the margin before the edge.
  EXPECT_LE(Columns(*label, back).second, 86 - 2);
  EXPECT_GE(Columns(*label, back).second, 86 - 4);

  const struct {
    TAlignment alignment;
    int min_first, max_first;
  } cases[] = {{TAlignment::Left, 1, 2}, {TAlignment::Right, 40, 60}, {TAlignment::Center, 18, 30}};
  label->Caption = "Detune";
  for (const auto& c : cases) {
    label->Alignment = c.alignment;
    label->Repaint();
    const auto [first, last] = Columns(*label, back);
    EXPECT_GE(first, c.min_first);
    EXPECT_LE(first, c.max_first);
    if (c.alignment == TAlignment::Right) {
      EXPECT_LE(last, 86 - 2);
      EXPECT_GE(last, 86 - 4);
    }
    if (c.alignment == TAlignment::Center) {
      EXPECT_LE(std::abs(first - (86 - last)), 2);
    }
  }
}

TEST_F(ButtonTest, SectionHeadersSwallowOneClickWhenAsked) {
  auto* section = new XSection(form.get());
  section->SetPosition(4, 4);
  section->SetParent(page);
  section->Caption = " Osc #1";
  EXPECT_EQ(section->Width(), 151);
  EXPECT_EQ(section->Height(), 16);
  EXPECT_TRUE(section->Active);
  EXPECT_EQ(Pixel(*section, 0, 0), Colors().SectionColor);
  EXPECT_EQ(Pixel(*section, 150, 15), Colors().SectionColor);
  EXPECT_GT(Count(*section, {0, 0, 60, 16}, Colors().WindowColor), 20);  // dark bold text
  int clicks = 0;
  section->OnClick = [&] { ++clicks; };
  section->DisableClick = true;
  Click(*section, 20, 8);
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(section->DisableClick);
  Click(*section, 20, 8);
  EXPECT_EQ(clicks, 1);
  // Mouse-downs go to their handler either way.
  int downs = 0;
  section->OnMouseDown = [&](const TMouseEvent&) { ++downs; };
  Click(*section, 20, 8, TMouseButton::Right);
  EXPECT_EQ(downs, 1);
}

TEST_F(ButtonTest, WithShortcutsAClickHandsTheFocusToThePageBox) {
  XEdit* edit = XEdit::CreateEdit(form.get(), page, 300, 4);
  XButton* button = XButton::CreateButton(form.get(), page, 4, 4);
  XLabel* label = XLabel::CreateLabel(form.get(), page, 4, 24);
  auto* section = new XSection(form.get());
  section->SetPosition(4, 44);
  section->SetParent(page);
  XSlider* bar = XSlider::CreateSlider(form.get(), page, 4, 64);
  XCombo* combo = XCombo::CreateCombo(form.get(), page, 4, 84, true);
  const std::vector<std::pair<const char*, TWidget*>> clicked = {
      {"button", button}, {"label", label}, {"section", section}, {"slider", bar}, {"combo", combo}, {"page", page}};
  for (bool shortcuts : {false, true}) {
    ChangeSettings([&](TSharedSettings& s) { s.Shortcuts = shortcuts; });
    for (const auto& [name, widget] : clicked) {
      SCOPED_TRACE(std::string(name) + (shortcuts ? " with Shortcuts" : ""));
      form->SetActiveControl(edit);
      Click(*widget, widget == page ? 400 : 5, widget == page ? 400 : 5);
      EXPECT_EQ(form->ActiveControl(), shortcuts ? static_cast<TWidget*>(page) : edit);
    }
  }
  // Not while the page box is hidden.
  ChangeSettings([&](TSharedSettings& s) { s.Shortcuts = true; });
  form->SetActiveControl(nullptr);
  page->Hide();
  FocusParent(*button);
  EXPECT_EQ(form->ActiveControl(), nullptr);
}

// The form side of the page tabs: four boxes, the layer switch recorded.
class PageForm : public IPageButtonForm {
 public:
  bool HiddenPage() const override { return hidden; }
  void ShowPrimaryLayer() override {
    hidden = false;
    layers.push_back("primary");
  }
  void ShowHiddenLayer() override {
    hidden = true;
    layers.push_back("hidden");
  }
  XPageButton* PageButton(TPage page) override { return buttons[static_cast<int>(page)]; }
  XScrollBox* PageBox(TPage page) override { return boxes[static_cast<int>(page)]; }
  void SetCurrentPage(TPage page, XScrollBox* box) override {
    current = page;
    current_box = box;
  }

  bool hidden = false;
  std::vector<std::string> layers;
  std::array<XPageButton*, kPageCount> buttons{};
  std::array<XScrollBox*, kPageCount> boxes{};
  TPage current = TPage::OscPage;
  XScrollBox* current_box = nullptr;
};

TEST_F(ButtonTest, PageTabsShowTheirPageAndASecondClickSwitchesTheLayer) {
  PageForm pages;
  page->Hide();
  for (int i = 0; i < kPageCount; ++i) {
    auto* tab = new XPageButton(form.get());
    tab->SetBounds(4 + i * 155, 2, 151, 17);
    tab->SetParent(form.get());
    tab->Index = static_cast<TPage>(i);
    tab->EditorForm = &pages;
    pages.buttons[i] = tab;
    auto* box = new XScrollBox(form.get());
    box->SetBounds(0, 19, 624, 538);
    box->SetParent(form.get());
    box->Hide();
    pages.boxes[i] = box;
  }
  Click(*pages.buttons[0], 10, 8);
  Click(*pages.buttons[2], 10, 8);
  for (int i = 0; i < kPageCount; ++i) {
    EXPECT_EQ(pages.buttons[i]->Down, i == 2) << i;
    EXPECT_EQ(pages.boxes[i]->Visible(), i == 2) << i;
  }
  EXPECT_EQ(pages.current, TPage::EnvPage);
  EXPECT_EQ(pages.current_box, pages.boxes[2]);
  EXPECT_EQ(form->ActiveControl(), pages.boxes[2]);
  EXPECT_TRUE(pages.layers.empty());
  Click(*pages.buttons[2], 10, 8);
  Click(*pages.buttons[2], 10, 8);
  EXPECT_EQ(pages.layers, (std::vector<std::string>{"hidden", "primary"}));
  EXPECT_TRUE(pages.buttons[2]->Down);
  EXPECT_TRUE(pages.boxes[2]->Visible());
}

}  // namespace
}  // namespace brelix
