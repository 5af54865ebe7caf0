#include "widgets/x_slider.h"

#include <algorithm>
#include <cmath>

#include "toolkit/focus_parent.h"
#include "widgets/param_kind.h"
#include "toolkit/widget_settings.h"

namespace brelix {

namespace {

// A whole number of pixels from a double that may be huge or not a number.
int PixelOf(double x) { return std::isnan(x) ? 0 : static_cast<int>(std::clamp(x, -1e6, 1e6)); }

}  // namespace

XSlider::XSlider(TComponent* owner) : TPaintBox(owner) { SetSize(kDefaultWidth, kDefaultHeight); }

XSlider* XSlider::CreateSlider(TComponent* owner, TWidget* parent, int left, int top) {
  return PlaceIn(new XSlider(owner), parent, left, top);
}

int XSlider::KnobLeft() const {
  const int w = Width();
  const int a = Min == Max ? 0 : PixelOf(w * (static_cast<double>(Value) - Min) / (Max - Min));
  int b = a - 3;
  if (b < 0)
    b = 0;
  else if (a + 4 >= w)
    b = w - kKnobWidth;
  return b;
}

bool XSlider::Overflowing() const { return (Overflow.BelowMin && Value < Min) || (Overflow.AboveMax && Value > Max); }

void XSlider::Paint(TCanvas& canvas) {
  const TEditorColors& colors = WidgetSettings().Colors;
  const int h = Height();
  canvas.FrameRect({0, 0, Width(), h}, External ? colors.KnobColor : colors.FrameColor);
  const int b = KnobLeft();
  canvas.FillRoundRect({b, 0, b + kKnobWidth, h}, kKnobWidth, h - 1,
                       Overflowing() ? colors.OverflowColor : colors.SliderColor);
}

TPoint XSlider::ScreenPointer() {
  TPoint p = Platform().PointerPosition();
  p.y += warp_error_y_;
  return p;
}

void XSlider::MouseDown(const TMouseEvent& e) {
  FocusParent(*this);
  if (e.Button != ui::TMouseButton::Left) {
    TPaintBox::MouseDown(e);
    return;
  }
  Down = true;
  Vertical = false;
  // The drag starts from the value and the pointer as they are, so that a press with Ctrl
  // changes nothing until the pointer moves.
  warp_error_y_ = 0;
  LastValue = Value;
  LastX = e.X;
  LastPoint = ScreenPointer();
  if (Control != nullptr) Control->BeginDrag();
  MouseMove(e);
}

void XSlider::MouseMove(const TMouseEvent& e) {
  if (!Down) return;
  // Shift stands for Alt, which many window managers take with a click.
  const bool ext = e.Shift.Alt || e.Shift.Shift;
  const bool fine = e.Shift.Ctrl;
  const float min = static_cast<float>(ext ? ExtMin : Min);
  const float max = static_cast<float>(ext ? ExtMax : Max);
  if (LastValue == kNoLastValue) LastValue = Value;

  if (min == max) {
    Value = min;
  } else {
    const int h = Height();
    const bool in_band = e.Y >= -h && e.Y < 2 * h;
    const int screen_height = Platform().ScreenSize().height;
    TPoint p = ScreenPointer();
    if (!in_band && !Vertical) {
      Vertical = true;
      if (!fine && !WidgetSettings().TouchScreen) {
        const double d = max - min != 0.0f ? static_cast<double>(max) - min : 1.0;
        const int y = PixelOf((screen_height - 1) * (1.0 - (static_cast<double>(Value) - min) / d));
        Platform().WarpPointer({p.x, y});
        // A display server that refuses the move leaves the pointer where it was; from now on
        // its movements count from the place the value stands for, so the value does not jump.
        warp_error_y_ += y - ScreenPointer().y;
        p.y = y;
      }
    }
    const double range = static_cast<double>(max) - min;
    const double screen_span = std::max(screen_height - 1, 1);
    const double microscope = WidgetSettings().Microscope;
    double v;
    if (fine && Vertical)
      v = LastValue + microscope * (LastPoint.y - p.y) / screen_span * range;
    else if (fine)
      v = LastValue + microscope * (e.X - LastX) / std::max(Width(), 1) * range;
    else if (Vertical)
      v = (1.0 - p.y / screen_span) * range + min;
    else
      v = static_cast<double>(e.X) / std::max(Width(), 1) * range + min;
    Value = static_cast<float>(v);
    LastPoint = p;
    LastX = e.X;
  }

  // A value that is not a number (from a damaged file) gives way to the bottom of the range.
  Value = std::isnan(Value) ? min : std::clamp(Value, min, max);
  LastValue = Value;
  if (Roundec != 0) Value = std::clamp(RoundHalfEven(Value * Roundec) / Roundec, min, max);
  if (Control != nullptr) Control->DragTo(Value, ext);
  Repaint();
}

bool XSlider::MouseWheel(int steps, TShiftState shift) {
  if (Control != nullptr && !Down) Control->Notch(steps, shift.Ctrl);
  return true;
}

void XSlider::MouseUp(const TMouseEvent& e) {
  if (e.Button != ui::TMouseButton::Left) {
    TPaintBox::MouseUp(e);
    return;
  }
  if (!Down) return;
  Down = false;
  if (Control != nullptr) Control->EndDrag();
}

}  // namespace brelix
