// The hint of a widget: a small box with the widget's Hint text that appears under the pointer
// once it has rested on the widget for a moment, and goes after a while, on a click or when the
// pointer moves to another widget. Drawn by the form on top of everything else.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <string>

#include "ui/geometry.h"

namespace brelix {

class TWidget;

class THint {
 public:
  static constexpr int64_t kPauseMs = 500;
  static constexpr int64_t kShowMs = 2500;

  // `invalidate` marks an area of the form for painting.
  explicit THint(std::function<void(const ui::TRect&)> invalidate) : invalidate_(std::move(invalidate)) {}

  // The pointer is over `widget` (none: over nothing) at `point` (form coordinates); the pause
  // is counted from the next idle call.
  void PointerOver(TWidget* widget, ui::TPoint point);
  // A click or a key: the hint goes and stays away until the pointer reaches another widget.
  void Dismiss();
  // The widget (or one above it) is leaving the form.
  void Forget(const TWidget* subtree);
  // Shows or hides the hint as the time says, inside a form of `form_size`.
  void Tick(int64_t now_ms, ui::TSize form_size);

  bool Shown() const { return shown_; }
  const ui::TRect& Bounds() const { return bounds_; }
  const std::string& Text() const { return text_; }
  // In form coordinates.
  void Paint(cairo_t* cr) const;

 private:
  void Hide();

  std::function<void(const ui::TRect&)> invalidate_;
  TWidget* widget_ = nullptr;
  ui::TPoint point_;
  int64_t since_ms_ = 0;
  bool dismissed_ = false;
  bool shown_ = false;
  ui::TRect bounds_;
  std::string text_;
};

}  // namespace brelix
