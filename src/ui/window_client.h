// What a window backend drives: the form at the root of a widget tree (editor/form.h). The
// backend turns its events into these calls, calls Tick on every idle call, and copies what
// PaintDirty painted to the screen. Everything here is in device pixels; the client knows its
// own scale factor.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <vector>

#include "ui/geometry.h"
#include "ui/input.h"
#include "ui/platform.h"

namespace brelix::ui {

class IWindowClient {
 public:
  virtual ~IWindowClient() = default;

  // The window's size in device pixels.
  virtual TSize DeviceSize() const = 0;
  // The backend that shows the client from now on (none: the window went away).
  virtual void AttachPlatform(IPlatform* platform) = 0;

  // `time_ms` is the event's time on any clock that counts milliseconds (double clicks).
  virtual void MouseDown(TMouseButton button, TShiftState shift, TPoint device, int64_t time_ms) = 0;
  virtual void MouseUp(TMouseButton button, TShiftState shift, TPoint device) = 0;
  virtual void MouseMove(TShiftState shift, TPoint device) = 0;
  // Positive steps turn the wheel away from the user.
  virtual void MouseWheel(int steps, TShiftState shift, TPoint device) = 0;
  virtual void MouseLeave() = 0;
  virtual void KeyDown(int key, TShiftState shift) = 0;
  virtual void KeyChar(char c) = 0;
  virtual void KeyUp(int key, TShiftState shift) = 0;
  // True when the window acts on `key`: the focused widget takes keys (an edit box, an open
  // list), or the form acts on this key itself.
  virtual bool TakesKey(int key) const = 0;

  // The idle call, with the time on a monotonic millisecond clock: hints, caret blinking.
  virtual void Tick(int64_t now_ms) = 0;
  virtual bool NeedsPaint() const = 0;
  // Paints every area that changed onto `cr` (device pixels, the window's whole extent) and
  // returns those areas in device pixels.
  virtual std::vector<TRect> PaintDirty(cairo_t* cr) = 0;
  virtual void InvalidateAll() = 0;
};

}  // namespace brelix::ui
