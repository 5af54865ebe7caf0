// XButton: the editor's flat button. A framed box with a centred bold caption; pressed (Down, or
// the Signal look) it is filled and its caption turns dark. Plain buttons run their click
// handler; without one a click toggles Down, and a switch (ParamButton) then passes the new
// state to UpdateValue, which the parameter switch overrides.
#pragma once

#include <cstdint>

#include "toolkit/paint_box.h"

namespace brelix {

class XButton : public TPaintBox {
 public:
  static constexpr int kDefaultWidth = 75;
  static constexpr int kDefaultHeight = 16;

  // Background WindowColor, caption and signal in FontColor, bold 9 points, 75 x 16, Full.
  explicit XButton(TComponent* owner);
  static XButton* CreateButton(TComponent* owner, TWidget* parent, int left, int top);

  bool External = false;    // assigned to an external controller: frame and fill in KnobColor
  bool ParamButton = false; // a switch of a parameter control
  bool Down = false;        // pressed
  bool Full = true;         // the pressed fill covers the whole button (else a 2-pixel margin)
  bool Signal = false;      // a pressed look in SignalColor that the next click clears
  int32_t Offset = 0;       // left indent of frame and caption
  TColor SignalColor;

  void Paint(TCanvas& canvas) override;
  void Click() override;
  // The switch's edit path after a click toggled Down (a parameter switch overrides it).
  virtual void UpdateValue(bool /*down*/) {}
};

}  // namespace brelix
