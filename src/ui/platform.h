// The little the widgets ask of the system they run on, in screen pixels: the screen's size, where
// the pointer is, moving the pointer (the slider's screen-height mode), and which modifier keys
// are held (for handlers that run without an input event, such as "Save" with Alt).
#pragma once

#include "ui/geometry.h"
#include "ui/input.h"

namespace brelix::ui {

class IPlatform {
 public:
  virtual ~IPlatform() = default;
  virtual TSize ScreenSize() = 0;
  // During an input event: where the pointer was at that event.
  virtual TPoint PointerPosition() = 0;
  // May fail (a display server that forbids it): PointerPosition then tells where it stayed.
  virtual void WarpPointer(TPoint screen) = 0;
  virtual TShiftState Modifiers() = 0;
};

// For widgets outside any window: a screen of one pixel, the pointer at its origin, no keys.
class NullPlatform final : public IPlatform {
 public:
  TSize ScreenSize() override { return {1, 1}; }
  TPoint PointerPosition() override { return {}; }
  void WarpPointer(TPoint) override {}
  TShiftState Modifiers() override { return {}; }
};

}  // namespace brelix::ui
