// The push button of our small forms: caption with glyph, focus frame, pressed look.
#pragma once

#include <cairo.h>

#include <string>

#include "ui/text_layout.h"

namespace brelix::ui {

enum class ButtonGlyph { Plain, Check, Cross };

struct PushButton {
  int left = 0, top = 0, width = 80, height = 24;
  std::string caption;
  ButtonGlyph glyph = ButtonGlyph::Plain;
  FontSpec font{9, false};
  bool focused = false;
  bool pressed = false;  // held down by the mouse

  bool Contains(int x, int y) const { return x >= left && x < left + width && y >= top && y < top + height; }
  void Paint(cairo_t* cr) const;
};

}  // namespace brelix::ui
