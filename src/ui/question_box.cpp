#include "ui/question_box.h"

#include <X11/keysym.h>

namespace brelix::ui {

namespace {

constexpr int kWidth = 360, kHeight = 128;
constexpr int kButtonWidth = 80, kButtonHeight = 24, kButtonGap = 8, kButtonBottomGap = 12;
constexpr int kSignLeft = 20, kSignTop = 26, kSignSize = 32;
constexpr int kTextLeft = 64, kTextRightGap = 16;

// A yellow triangle with an exclamation mark.
void PaintWarningSign(cairo_t* cr, double x, double y, double size) {
  cairo_save(cr);
  cairo_move_to(cr, x + size / 2.0, y + 1.0);
  cairo_line_to(cr, x + size - 1.0, y + size - 2.0);
  cairo_line_to(cr, x + 1.0, y + size - 2.0);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 1.0, 0.8, 0.0);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, 0.45, 0.33, 0.0);
  cairo_set_line_width(cr, 1.0);
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
  cairo_rectangle(cr, x + size / 2.0 - 1.5, y + size * 0.32, 3.0, size * 0.36);
  cairo_rectangle(cr, x + size / 2.0 - 1.5, y + size * 0.74, 3.0, 3.0);
  cairo_fill(cr);
  cairo_restore(cr);
}

}  // namespace

TQuestionBox::TQuestionBox() : XBoxWindow(kWidth, kHeight, {"brelix-question", "_NET_WM_WINDOW_TYPE_DIALOG"}) {}

std::unique_ptr<TQuestionBox> TQuestionBox::Create(std::string_view text) {
  std::unique_ptr<TQuestionBox> box(new TQuestionBox());
  box->TextBounds = {kTextLeft, 0, kWidth - kTextLeft - kTextRightGap, kHeight * 2 / 3};
  box->Text = std::string(text);
  const int left = (kWidth - 2 * kButtonWidth - kButtonGap) / 2;
  const int top = kHeight - kButtonHeight - kButtonBottomGap;
  box->YesButton = {left, top, kButtonWidth, kButtonHeight, "Yes", ButtonGlyph::Check, {9, false}, true, false};
  box->NoButton = {left + kButtonWidth + kButtonGap, top, kButtonWidth, kButtonHeight, "No", ButtonGlyph::Cross,
                   {9, false}, false, false};
  return box;
}

bool TQuestionBox::Ask(std::string_view text) {
  std::unique_ptr<TQuestionBox> box = Create(text);
  box->ShowModal();
  return box->Answer();
}

void TQuestionBox::Choose(bool yes) {
  answer_ = yes;
  Close();
}

void TQuestionBox::MoveFocus() {
  YesButton.focused = !YesButton.focused;
  NoButton.focused = !NoButton.focused;
  Repaint();
}

void TQuestionBox::Paint(cairo_t* cr) {
  PaintWarningSign(cr, kSignLeft, kSignTop, kSignSize);
  cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
  DrawCentredText(cr, TextBounds, Text, {9, false});
  YesButton.Paint(cr);
  NoButton.Paint(cr);
}

void TQuestionBox::KeyDown(KeySym key) {
  switch (key) {
    case XK_Return:
    case XK_KP_Enter:
    case XK_space:
      Choose(YesButton.focused);
      break;
    case XK_Escape:
    case XK_n:
      Choose(false);
      break;
    case XK_y:
      Choose(true);
      break;
    case XK_Tab:
    case XK_ISO_Left_Tab:
    case XK_Left:
    case XK_Right:
      MoveFocus();
      break;
    default:
      break;
  }
}

void TQuestionBox::MouseDown(int x, int y) {
  for (PushButton* button : {&YesButton, &NoButton}) {
    if (button->Contains(x, y)) {
      button->pressed = true;
      Repaint();
    }
  }
}

void TQuestionBox::MouseUp(int x, int y) {
  for (PushButton* button : {&YesButton, &NoButton}) {
    if (!button->pressed) continue;
    button->pressed = false;
    if (button->Contains(x, y)) {
      Choose(button == &YesButton);
      return;
    }
    Repaint();
  }
}

bool AskToReplaceFile(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return TQuestionBox::Ask(name + " already exists.\rDo you want to replace it?");
}

}  // namespace brelix::ui
