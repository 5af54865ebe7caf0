// Every widget of the set in each of its states on one form, drawn at scale 1 and at scale 2 to
// build/artifacts/widget_gallery.png and widget_gallery@2x.png for a person to look at. The
// enlarged picture must be the same drawing at twice the pixels: frames stay one (logical)
// pixel wide and land on the doubled places.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "toolkit/toolkit.h"
#include "support/widget_fixture.h"
#include "ui/headless_window.h"

namespace brelix {
namespace {

constexpr int kColumn2 = 170, kColumn3 = 336, kColumn4 = 480;

struct Gallery {
  std::unique_ptr<TForm> form;
  std::vector<TWidget*> framed;  // widgets whose top and bottom rows are frame lines
  XSection* hinted = nullptr;
  XEdit* focused = nullptr;
};

XLabel* Heading(TForm& f, int left, int top, const char* text) {
  XLabel* label = XLabel::CreateLabel(&f, &f, left, top);
  label->SetSize(151, label->Height());
  label->Caption = text;
  label->Font.Color = WidgetSettings().Colors.FrameColor;
  return label;
}

Gallery BuildGallery() {
  Gallery g;
  g.form = std::make_unique<TForm>(nullptr);
  TForm& f = *g.form;
  const TEditorColors& colors = WidgetSettings().Colors;
  f.SetBounds(0, 0, 640, 420);
  f.Color = colors.WindowColor;

  // Buttons: plain released and pressed, signal, switches off and on, external switches, a
  // pressed button with a margin, an indented one.
  Heading(f, 4, 4, "XButton");
  const struct {
    const char* caption;
    bool down, signal, param, external, full;
    int offset;
  } buttons[] = {
      {"Load", false, false, false, false, true, 0},   {"Init", true, false, false, false, true, 0},
      {"Signal", false, true, false, false, true, 0},  {"FreeRun", false, false, true, false, true, 0},
      {"FreeRun", true, false, true, false, true, 0},  {"Clocked", false, false, true, true, true, 0},
      {"Clocked", true, false, true, true, true, 0},   {"Margin", true, false, false, false, false, 0},
      {"Offset", false, false, false, false, true, 12},
  };
  int y = 20;
  for (size_t i = 0; i < std::size(buttons); ++i) {
    const auto& b = buttons[i];
    XButton* button = XButton::CreateButton(&f, &f, i % 2 == 0 ? 4 : 83, y);
    button->Caption = b.caption;
    button->Down = b.down;
    button->Signal = b.signal;
    button->ParamButton = b.param;
    button->External = b.external;
    button->Full = b.full;
    button->Offset = b.offset;
    if (b.param) button->Font.Size = 8;
    g.framed.push_back(button);
    if (i % 2 == 1) y += 20;
  }
  y += 24;

  // Page tabs, the first one shown.
  Heading(f, 4, y, "XPageButton");
  const char* pages[] = {"Oscillators / Sound", "Filters / LFOs"};
  for (int i = 0; i < 2; ++i) {
    auto* tab = new XPageButton(&f);
    tab->SetBounds(4, y + 16 + i * 20, 151, 17);
    tab->SetParent(&f);
    tab->Caption = pages[i];
    tab->Down = i == 0;
  }
  y += 62;

  // Labels and section headers.
  Heading(f, 4, y, "XLabel, XSection");
  const struct {
    const char* caption;
    TAlignment alignment;
    bool bold;
  } labels[] = {{"Semitone", TAlignment::Left, true}, {"Detune", TAlignment::Left, false},
                {"right", TAlignment::Right, false},  {"centre", TAlignment::Center, false},
                {"Level\t0.25", TAlignment::Left, false}};
  for (const auto& l : labels) {
    y += 16;
    XLabel* label = XLabel::CreateLabel(&f, &f, 4, y);
    label->Caption = l.caption;
    label->Alignment = l.alignment;
    label->Font.Bold = l.bold;
  }
  const char* sections[] = {" Osc #1", " *Osc #2", "warm-pad.tw", " Delay #1\tReset"};
  for (int i = 0; i < 4; ++i) {
    y += 18;
    auto* section = new XSection(&f);
    section->SetPosition(4, y);
    section->SetParent(&f);
    section->Caption = sections[i];
    if (i == 2) section->Alignment = TAlignment::Center;
    if (i == 0) {
      section->Hint = "strings.wav";
      section->ShowHint = true;
      g.hinted = section;
    }
  }

  // Edit boxes: a value, a focused one with part of its text selected.
  Heading(f, kColumn2, 4, "XEdit");
  const double values[] = {0.25, -12543.854, 0.1234567};
  for (int i = 0; i < 3; ++i) {
    XEdit* edit = XEdit::CreateEdit(&f, &f, kColumn2 + 87, 20 + i * 18);
    edit->Min = -20000;
    edit->Max = 20000;
    edit->SetValue(values[i]);
    XLabel* label = XLabel::CreateLabel(&f, &f, kColumn2, 20 + i * 18);
    label->Caption = i == 2 ? "focused" : "Cutoff";
    if (i == 2) g.focused = edit;
  }

  // Slider bars: minimum, middle, maximum, overflowing, external, not a number.
  Heading(f, kColumn2, 80, "XSlider");
  const float slider_values[] = {0.0f, 0.5f, 1.0f, 1.5f, 0.3f, std::numeric_limits<float>::quiet_NaN()};
  for (int i = 0; i < 6; ++i) {
    XSlider* bar = XSlider::CreateSlider(&f, &f, kColumn2, 96 + i * 20);
    bar->Value = slider_values[i];
    bar->Overflow.AboveMax = true;
    bar->External = i == 4;
  }

  // List widgets: a value, an external one, an unknown value (red), a text too long for it.
  Heading(f, kColumn2, 220, "XCombo");
  const char* combo_texts[] = {"LowPass4", "Env4 [AmpEG]", "None", "Aftertouch/Pressure and more"};
  for (int i = 0; i < 4; ++i) {
    XCombo* combo = XCombo::CreateCombo(&f, &f, kColumn2, 236 + i * 20, false);
    combo->TextValue = combo_texts[i];
    combo->External = i == 1;
    if (i == 2) combo->Color = 0x0000FF;
    g.framed.push_back(combo);
  }
  XCombo* step = XCombo::CreateCombo(&f, &f, kColumn2 + 12, 316, false);
  step->SetSize(139, 16);
  step->TextValue = "Stage1 [D]";
  g.framed.push_back(step);

  // Lists as dropped down: a short one, and a long one with its scroll bar.
  Heading(f, kColumn3, 4, "XListBox");
  TListItems shapes;
  for (const char* s : {"Sine", "Saw", "Square", "Triangle", "Log1", "Exp1", "Tanh"}) shapes.push_back({s, 0});
  auto* shortlist = new XListBox(&f);
  shortlist->SetItems(shapes);
  shortlist->SetBounds(kColumn3, 20, 140, static_cast<int>(shapes.size()) * shortlist->ItemHeight() + 4);
  shortlist->SetParent(&f);
  shortlist->SetItemIndex(2);
  shortlist->Show();
  TListItems sources;
  for (int i = 1; i <= 40; ++i) sources.push_back({"CC" + std::to_string(i), static_cast<uint32_t>(48 + i)});
  auto* longlist = new XListBox(&f);
  longlist->SetItems(sources);
  longlist->SetBounds(kColumn3, 120, 140, 200);
  longlist->SetParent(&f);
  longlist->SetItemIndex(20);
  longlist->Show();

  // A page box whose content is taller than the box: its scroll bar.
  Heading(f, kColumn4, 4, "XScrollBox");
  auto* box = new XScrollBox(&f);
  box->SetBounds(kColumn4, 20, 151, 120);
  box->SetParent(&f);
  for (int i = 0; i < 8; ++i) {
    XLabel* label = XLabel::CreateLabel(&f, box, 4, 4 + i * 31);
    label->Caption = "Row " + std::to_string(i + 1);
  }
  // A column as the pages build it: a half-column header with its switch, then label, edit box
  // and bar in groups of 31 pixels.
  Heading(f, kColumn4, 150, "A column");
  auto* header = new XSection(&f);
  header->SetBounds(kColumn4, 166, kHalfColumn, 16);
  header->SetParent(&f);
  header->Caption = " Osc #1";
  XButton* freerun = XButton::CreateButton(&f, &f, kColumn4 + kHalfColumn + 1, 166);
  freerun->Caption = "FreeRun";
  freerun->ParamButton = true;
  freerun->Font.Size = 8;
  const struct {
    const char* caption;
    bool key;
    double min, max, value;
  } rows[] = {{"Semitone", true, -48, 48, 12}, {"Detune", false, -1, 1, -0.25}, {"Level", true, 0, 1, 0.25}};
  for (int i = 0; i < 3; ++i) {
    const int top = 182 + 31 * i;
    XLabel* label = XLabel::CreateLabel(&f, &f, kColumn4, top);
    label->Caption = rows[i].caption;
    label->Font.Bold = rows[i].key;
    XEdit* edit = XEdit::CreateEdit(&f, &f, kColumn4 + kLabelWidth, top);
    edit->Min = rows[i].min;
    edit->Max = rows[i].max;
    edit->SetValue(rows[i].value);
    XSlider* bar = XSlider::CreateSlider(&f, &f, kColumn4, top + XEdit::kDefaultHeight + 1);
    bar->Min = rows[i].min;
    bar->Max = rows[i].max;
    bar->Value = static_cast<float>(rows[i].value);
  }
  return g;
}

// The gallery drawn at `scale`, with the focus in an edit box and a hint shown.
std::unique_ptr<ui::HeadlessWindow> Draw(Gallery& g, double scale) {
  g.form->SetScale(scale);
  auto window = std::make_unique<ui::HeadlessWindow>(g.form->WindowClient());
  g.form->SetActiveControl(g.focused);
  g.focused->SetSelection(2, 6);
  const TPoint hint_at = g.hinted->FormOrigin();
  window->MouseMove(static_cast<int>((hint_at.x + 40) * scale), static_cast<int>((hint_at.y + 8) * scale));
  window->Idle();
  window->Idle(THint::kPauseMs + 10);
  return window;
}

TEST(WidgetGallery, DrawsAtScaleOneAndTwoAlike) {
  testing::ScopedWidgetSettings settings;
  Gallery g = BuildGallery();
  auto one = Draw(g, 1);
  ASSERT_TRUE(g.form->HintBox().Shown());
  EXPECT_TRUE(one->WritePng(BRELIX_ARTIFACT_DIR "/widget_gallery.png"));
  auto two = Draw(g, 2);
  EXPECT_TRUE(two->WritePng(BRELIX_ARTIFACT_DIR "/widget_gallery@2x.png"));
  ASSERT_EQ(cairo_image_surface_get_width(two->Image()), 2 * 640);
  ASSERT_EQ(cairo_image_surface_get_height(two->Image()), 2 * 420);

  // The frame lines of the buttons and list widgets: each logical pixel is four device pixels
  // of the same colour.
  for (const TWidget* w : g.framed) {
    const TPoint o = w->FormOrigin();
    for (int row : {0, w->Height() - 1})
      for (int x = 0; x < w->Width(); ++x) {
        const TColor expected = one->Pixel(o.x + x, o.y + row);
        for (int dy = 0; dy < 2; ++dy)
          for (int dx = 0; dx < 2; ++dx)
            ASSERT_EQ(two->Pixel(2 * (o.x + x) + dx, 2 * (o.y + row) + dy), expected)
                << w->Caption << " at " << x << "," << row;
      }
  }
}

}  // namespace
}  // namespace brelix
