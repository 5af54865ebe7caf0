#include "toolkit/edit.h"

#include <algorithm>

namespace brelix {

namespace {

bool Typable(char c) { return c >= 0x20 && c < 0x7F; }

}  // namespace

TEdit::TEdit(TComponent* owner) : TWidget(owner) { TabStop = true; }

void TEdit::SetText(std::string text) {
  text_ = std::move(text);
  anchor_ = caret_ = 0;
  scroll_x_ = 0;
  Repaint();
}

int TEdit::SelStart() const { return std::min(anchor_, caret_); }

int TEdit::SelLength() const { return std::abs(caret_ - anchor_); }

void TEdit::SetSelection(int anchor, int caret) {
  const int size = static_cast<int>(text_.size());
  anchor_ = std::clamp(anchor, 0, size);
  caret_ = std::clamp(caret, 0, size);
  ScrollToCaret();
  ShowCaret();
  Repaint();
}

std::string TEdit::TextWithoutSelection() const {
  return text_.substr(0, SelStart()) + text_.substr(SelStart() + SelLength());
}

void TEdit::ReplaceSelection(std::string_view text) {
  const int start = SelStart();
  text_ = text_.substr(0, start) + std::string(text) + text_.substr(start + SelLength());
  anchor_ = caret_ = start + static_cast<int>(text.size());
  ScrollToCaret();
  ShowCaret();
  Repaint();
  Changed();
}

void TEdit::Changed() {
  if (OnChange) OnChange();
}

// ---- geometry -----------------------------------------------------------------------------------

int TEdit::TextX(int index) const {
  return kMargin - scroll_x_ + TWidget::TextWidth(Font, std::string_view(text_).substr(0, index));
}

int TEdit::IndexAt(int x) const {
  const int size = static_cast<int>(text_.size());
  int before = TextX(0);
  for (int i = 0; i < size; ++i) {
    const int after = TextX(i + 1);
    if (x < (before + after) / 2) return i;
    before = after;
  }
  return size;
}

int TEdit::TextTop() const { return (Height() - TextHeight(Font)) / 2; }

void TEdit::ScrollToCaret() {
  const int x = TextX(caret_);
  const int room = std::max(Width() - 2 * kMargin - 1, 1);
  if (x < kMargin)
    scroll_x_ -= kMargin - x;
  else if (x > kMargin + room)
    scroll_x_ += x - kMargin - room;
  scroll_x_ = std::max(scroll_x_, 0);
}

// ---- painting -----------------------------------------------------------------------------------

void TEdit::Paint(TCanvas& canvas) {
  canvas.FillRect({0, 0, Width(), Height()}, Color);
  canvas.SetFont(Font);
  const int y = TextTop();
  const int x = TextX(0);
  canvas.TextOut(x, y, text_);
  if (!Focused()) return;
  if (SelLength() > 0) {
    // The selected part in reversed colours.
    const TRect box{TextX(SelStart()), y, TextX(SelStart() + SelLength()), y + canvas.TextHeight()};
    cairo_t* cr = canvas.Cairo();
    cairo_save(cr);
    cairo_rectangle(cr, box.left, box.top, box.Width(), box.Height());
    cairo_clip(cr);
    canvas.FillRect(box, Font.Color);
    TFont reversed = Font;
    reversed.Color = Color;
    canvas.SetFont(reversed);
    canvas.TextOut(x, y, text_);
    canvas.SetFont(Font);
    cairo_restore(cr);
  }
  if (caret_on_) canvas.FillRect(TRect::FromSize(TextX(caret_), y, 1, canvas.TextHeight()), Font.Color);
}

void TEdit::ShowCaret() {
  caret_on_ = true;
  blink_from_ms_ = -1;  // the next tick starts the blinking anew
}

void TEdit::Tick(int64_t now_ms) {
  if (blink_from_ms_ < 0) blink_from_ms_ = now_ms;
  const bool on = ((now_ms - blink_from_ms_) / kBlinkMs) % 2 == 0;
  if (on == caret_on_) return;
  caret_on_ = on;
  Invalidate(TRect::FromSize(TextX(caret_), 0, 1, Height()));
}

// ---- mouse --------------------------------------------------------------------------------------

void TEdit::MouseDown(const TMouseEvent& e) {
  // The second press of a double click keeps the selection the double click made.
  if (e.Button == ui::TMouseButton::Left && !e.DoubleClick && !(e.FocusArrived && AutoSelect)) {
    const int index = IndexAt(e.X);
    SetSelection(e.Shift.Shift ? anchor_ : index, index);
    selecting_ = true;
  }
  TWidget::MouseDown(e);
}

void TEdit::MouseMove(const TMouseEvent& e) {
  if (selecting_) SetSelection(anchor_, IndexAt(e.X));
}

void TEdit::MouseUp(const TMouseEvent& e) {
  if (e.Button == ui::TMouseButton::Left) selecting_ = false;
  TWidget::MouseUp(e);
}

void TEdit::DoubleClick() {
  SelectAll();
  TWidget::DoubleClick();
}

// ---- keys ---------------------------------------------------------------------------------------

void TEdit::KeyDown(TKeyEvent& e) {
  namespace keys = ui::keys;
  const int size = static_cast<int>(text_.size());
  int to = -1;
  switch (e.Key) {
    case keys::kLeft:
      to = (SelLength() > 0 && !e.Shift.Shift) ? SelStart() : caret_ - 1;
      break;
    case keys::kRight:
      to = (SelLength() > 0 && !e.Shift.Shift) ? SelStart() + SelLength() : caret_ + 1;
      break;
    case keys::kHome:
      to = 0;
      break;
    case keys::kEnd:
      to = size;
      break;
    case keys::kDelete:
      if (SelLength() == 0 && caret_ < size) SetSelection(caret_, caret_ + 1);
      if (SelLength() > 0) ReplaceSelection("");
      e.Key = 0;
      return;
    default:
      return;
  }
  to = std::clamp(to, 0, size);
  SetSelection(e.Shift.Shift ? anchor_ : to, to);
  e.Key = 0;
}

void TEdit::KeyChar(char& c) {
  if (c == 1) {  // Ctrl+A
    SelectAll();
  } else if (c == '\b') {
    if (SelLength() == 0 && caret_ > 0) SetSelection(caret_ - 1, caret_);
    if (SelLength() > 0) ReplaceSelection("");
  } else if (Typable(c)) {
    ReplaceSelection(std::string_view(&c, 1));
  }
}

void TEdit::Enter() {
  if (AutoSelect) SelectAll();
  ShowCaret();
  Repaint();
}

void TEdit::Exit() {
  selecting_ = false;
  Repaint();
}

}  // namespace brelix
