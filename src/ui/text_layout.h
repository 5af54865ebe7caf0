// Text in a box: the label texts of our forms, wrapped to the box and centred in it.
#pragma once

#include <cairo.h>

#include <string>
#include <string_view>
#include <vector>

namespace brelix::ui {

struct TextBox {
  double left = 0, top = 0, width = 0, height = 0;
};

// A font by its size in points (at 96 pixels per inch, as the form sizes are given in pixels).
struct FontSpec {
  double points = 9;
  bool bold = false;
};

// Selects the forms' face ("Arial", which fontconfig resolves to a metric-compatible face) at
// `font`, with the same antialiasing on every surface.
void SelectFont(cairo_t* cr, FontSpec font);

// `text` as lines no wider than `width` with the current font: "\r\n", "\r" and "\n" each end a
// line; long lines wrap after spaces (or after "/" and "\\" in a path), and a word wider than
// the box is broken between characters.
std::vector<std::string> WrapText(cairo_t* cr, std::string_view text, double width);

// Draws `text` wrapped, each line centred horizontally, the block centred vertically, clipped to
// the box, in the current source colour.
void DrawCentredText(cairo_t* cr, const TextBox& box, std::string_view text, FontSpec font);

}  // namespace brelix::ui
