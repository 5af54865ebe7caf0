// A scroll box: a container whose children may reach below its bottom edge; then a scroll bar
// appears at its right edge and the wheel, the bar and the keyboard focus move the view.
#pragma once

#include "toolkit/scroll_bar.h"
#include "toolkit/widget.h"

namespace brelix {

class TScrollBox : public TWidget {
 public:
  static constexpr int kWheelStep = 40;

  explicit TScrollBox(TComponent* owner);

  TColor BarColor;  // the thumb of the scroll bar
  int ScrollY() const { return scroll_y_; }
  void ScrollTo(int y);
  // The lowest bottom edge of the visible children.
  int ContentHeight() const;
  bool BarShown() const { return ContentHeight() > Height(); }

  TRect ClientRect() const override;
  TPoint ChildOrigin() const override { return {0, -scroll_y_}; }
  void Paint(TCanvas& canvas) override;
  void PaintOver(TCanvas& canvas) override;
  void MouseDown(const TMouseEvent& e) override;
  void MouseMove(const TMouseEvent& e) override;
  void MouseUp(const TMouseEvent& e) override;
  bool MouseWheel(int steps, TShiftState shift) override;
  void DescendantFocused(TWidget* widget) override;

 protected:
  bool Focusable() const override { return true; }

 private:
  void UpdateBar();

  int scroll_y_ = 0;
  TScrollBar bar_;
};

}  // namespace brelix
