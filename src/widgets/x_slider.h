// XSlider: the slider bar. A frame with a small rounded knob at the value's place; the knob
// turns OverflowColor when the value lies beyond the normal range on a side where the extended
// range goes further.
//
// Dragging with the left button: inside the bar's band the value follows the pointer across the
// bar; once the pointer leaves the band vertically the pointer is moved to the screen height that
// matches the value and the value then follows the vertical position over the whole screen (top =
// maximum); Ctrl moves relatively, scaled by the Microscope setting; Alt uses the extended range.
// Other buttons run the mouse-down handler (the control's reset).
#pragma once

#include "widgets/control_links.h"
#include "toolkit/paint_box.h"

namespace brelix {

class XSlider : public TPaintBox {
 public:
  static constexpr int kDefaultWidth = 151;
  static constexpr int kDefaultHeight = 16;
  static constexpr float kNoLastValue = 1e9f;
  static constexpr int kKnobWidth = 7;

  // 151 x 16.
  explicit XSlider(TComponent* owner);
  static XSlider* CreateSlider(TComponent* owner, TWidget* parent, int left, int top);

  struct TOverflow {
    bool BelowMin = false;  // the extended range goes below Min
    bool AboveMax = false;  // the extended range goes above Max
  };

  bool Down = false;        // a left-button drag is in progress
  bool External = false;    // frame in KnobColor
  bool Vertical = false;    // the screen-height mode of the current drag
  TPoint LastPoint;         // the pointer's last place on the screen
  float LastValue = kNoLastValue;  // the value at the last move
  int32_t LastX = 0;        // the pointer's last x in the bar
  double Min = 0, Max = 1;        // the normal range
  double ExtMin = 0, ExtMax = 1;  // the extended range
  float Roundec = 0;  // quantisation steps per unit; 0: none
  float Value = 0;    // the knob's place, in value units
  TOverflow Overflow;
  ISliderControl* Control = nullptr;

  // The knob's left edge for the current value.
  int KnobLeft() const;
  bool Overflowing() const;

  void Paint(TCanvas& canvas) override;
  void MouseDown(const TMouseEvent& e) override;
  void MouseMove(const TMouseEvent& e) override;
  void MouseUp(const TMouseEvent& e) override;
  // Each notch steps the value (the control's Notch; Ctrl: finer). Taken, so that the page
  // under the bar does not scroll.
  bool MouseWheel(int steps, TShiftState shift) override;

 private:
  // Where the pointer is on the screen, corrected by what a failed warp left behind.
  TPoint ScreenPointer();

  int warp_error_y_ = 0;
};

}  // namespace brelix
