#include "toolkit/scroll_box.h"

#include <algorithm>

#include "toolkit/widget_settings.h"

namespace brelix {

TScrollBox::TScrollBox(TComponent* owner) : TWidget(owner), BarColor(WidgetSettings().Colors.FrameColor) {
  Color = WidgetSettings().Colors.WindowColor;
}

int TScrollBox::ContentHeight() const {
  int bottom = 0;
  for (const TWidget* child : Children())
    if (child->Visible()) bottom = std::max(bottom, child->Top() + child->Height());
  return bottom;
}

void TScrollBox::UpdateBar() {
  bar_.Set({Width() - TScrollBar::kWidth, 0, Width(), Height()}, ContentHeight(), Height(), scroll_y_);
}

void TScrollBox::ScrollTo(int y) {
  UpdateBar();
  const int clamped = std::clamp(y, 0, bar_.MaxPosition());
  if (clamped == scroll_y_) return;
  scroll_y_ = clamped;
  Repaint();
}

TRect TScrollBox::ClientRect() const {
  return {0, 0, BarShown() ? std::max(Width() - TScrollBar::kWidth, 0) : Width(), Height()};
}

void TScrollBox::Paint(TCanvas& canvas) { canvas.FillRect(canvas.ClipRect(), Color); }

void TScrollBox::PaintOver(TCanvas& canvas) {
  if (!BarShown()) return;
  UpdateBar();
  bar_.Paint(canvas, Color, BarColor);
}

void TScrollBox::MouseDown(const TMouseEvent& e) {
  if (BarShown() && e.Button == ui::TMouseButton::Left && e.X >= Width() - TScrollBar::kWidth) {
    UpdateBar();
    if (!bar_.Press(e.Y)) ScrollTo(bar_.Position());
    return;
  }
  TWidget::MouseDown(e);
}

void TScrollBox::MouseMove(const TMouseEvent& e) {
  if (bar_.Dragging()) ScrollTo(bar_.Drag(e.Y));
}

void TScrollBox::MouseUp(const TMouseEvent& e) {
  if (bar_.Dragging()) {
    bar_.Release();
    return;
  }
  TWidget::MouseUp(e);
}

bool TScrollBox::MouseWheel(int steps, TShiftState) {
  if (!BarShown()) return false;
  ScrollTo(scroll_y_ - steps * kWheelStep);
  return true;
}

void TScrollBox::DescendantFocused(TWidget* widget) {
  if (!BarShown()) return;
  // The widget's place in the scrolled content.
  int top = widget->Top();
  for (const TWidget* w = widget->Parent(); w != nullptr && w != this; w = w->Parent()) top += w->Top();
  const int bottom = top + widget->Height();
  if (top < scroll_y_)
    ScrollTo(top);
  else if (bottom > scroll_y_ + Height())
    ScrollTo(bottom - Height());
}

}  // namespace brelix
