#include "ui/msg_box.h"

#include <X11/keysym.h>

#include <exception>

namespace brelix::ui {

namespace {

constexpr int kWaitWidth = 256, kWaitHeight = 128;
constexpr int kMessageWidth = 320, kMessageHeight = 128;
constexpr int kButtonWidth = 80, kButtonHeight = 24, kButtonBottomGap = 12;
constexpr double kTextMargin = 8;

// A shown progress box; closing it destroys its window.
class X11WaitBox : public WaitBox {
 public:
  explicit X11WaitBox(std::unique_ptr<TMsgBox> box) : box_(std::move(box)) {}
  void Close() override { box_.reset(); }

 private:
  std::unique_ptr<TMsgBox> box_;
};

}  // namespace

TMsgBox::TMsgBox(int width, int height, FormStyle style) : XBoxWindow(width, height, style) {}

std::unique_ptr<TMsgBox> TMsgBox::CreateWaitBox() {
  std::unique_ptr<TMsgBox> box(new TMsgBox(kWaitWidth, kWaitHeight, {"brelix-wait", "_NET_WM_WINDOW_TYPE_SPLASH"}));
  box->TextLabel.bounds = {0, 0, kWaitWidth, kWaitHeight};
  box->TextLabel.font = {12, true};
  return box;
}

std::unique_ptr<TMsgBox> TMsgBox::ShowWaitBox(std::string_view text) {
  std::unique_ptr<TMsgBox> box = CreateWaitBox();
  box->Show();
  box->SetMsg(text);
  return box;
}

std::unique_ptr<TMsgBox> TMsgBox::CreateMessageBox(std::string_view text) {
  std::unique_ptr<TMsgBox> box(
      new TMsgBox(kMessageWidth, kMessageHeight, {"brelix-message", "_NET_WM_WINDOW_TYPE_DIALOG"}));
  box->TextLabel.bounds = {0, 0, kMessageWidth, kMessageHeight * 2 / 3};
  box->TextLabel.font = {9, false};
  box->TextLabel.Caption = "\r" + std::string(text);
  PushButton ok;
  ok.width = kButtonWidth;
  ok.height = kButtonHeight;
  ok.left = (kMessageWidth - kButtonWidth) / 2;
  ok.top = kMessageHeight - kButtonHeight - kButtonBottomGap;
  ok.caption = "OK";
  ok.glyph = ButtonGlyph::Check;
  ok.font = {9, false};
  ok.focused = true;  // the default button
  box->Button = ok;
  return box;
}

void TMsgBox::ShowMessageBox(std::string_view text) { CreateMessageBox(text)->ShowModal(); }

void TMsgBox::SetMsg(std::string_view text) {
  TextLabel.Caption = std::string(text) + " ...";
  DispatchPendingEvents();
  Repaint();
}

void TMsgBox::Paint(cairo_t* cr) {
  // The text keeps a little distance from the border.
  const TextBox& b = TextLabel.bounds;
  const TextBox text{b.left + kTextMargin, b.top, b.width - 2 * kTextMargin, b.height};
  cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
  DrawCentredText(cr, text, TextLabel.Caption, TextLabel.font);
  if (Button) Button->Paint(cr);
}

void TMsgBox::KeyDown(KeySym key) {
  if (!Button) return;
  // The OK button is both the default and the cancel button, and has the focus.
  if (key == XK_Return || key == XK_KP_Enter || key == XK_Escape || key == XK_space) Close();
}

void TMsgBox::MouseDown(int x, int y) {
  if (!Button || !Button->Contains(x, y)) return;
  Button->pressed = true;
  Repaint();
}

void TMsgBox::MouseUp(int x, int y) {
  if (!Button || !Button->pressed) return;
  Button->pressed = false;
  if (Button->Contains(x, y))
    Close();
  else
    Repaint();
}

// A box that cannot be made (a lost connection) still reaches the user on standard error.
void X11MessageBoxes::ShowMessageBox(std::string_view text) {
  try {
    TMsgBox::ShowMessageBox(text);
  } catch (const std::exception&) {
    StderrMessageBoxes().ShowMessageBox(text);
  }
}

std::unique_ptr<WaitBox> X11MessageBoxes::ShowWaitBox(std::string_view text) {
  try {
    return std::make_unique<X11WaitBox>(TMsgBox::ShowWaitBox(text));
  } catch (const std::exception&) {
    return StderrMessageBoxes().ShowWaitBox(text);
  }
}

}  // namespace brelix::ui
