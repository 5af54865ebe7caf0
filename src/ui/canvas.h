// Drawing for the widgets: crisp fills and one-pixel frames without antialiasing, rounded knobs,
// and "Arial" text placed by the top of its cell, in the widget's own logical pixels. The canvas
// wraps a Cairo context whose transformation already holds the widget's place and the window's
// scale factor, so a widget draws the same at any scale.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string_view>

#include "ui/geometry.h"

namespace brelix::ui {

// 0x00BBGGRR: red in the low byte, as the settings file writes colours.
using TColor = uint32_t;

void SetSourceColor(cairo_t* cr, TColor color);

struct TFont {
  double Size = 9;  // points, at 96 pixels per inch
  bool Bold = false;
  TColor Color = 0;
};

// Text measured for layout, independent of any window: at the design's exact pixels (scale 1)
// unless a scale is given, with the same font options as the drawing.
int TextWidth(const TFont& font, std::string_view text, double scale = 1.0);
// The height of a text line: the font's ascent plus descent (13 for 8 points, 14 for 9).
int TextHeight(const TFont& font, double scale = 1.0);

class TCanvas {
 public:
  // `clip` is the part of the widget being painted, in its own coordinates.
  TCanvas(cairo_t* cr, TRect clip) : cr_(cr), clip_(clip) {}

  cairo_t* Cairo() const { return cr_; }
  const TRect& ClipRect() const { return clip_; }

  void FillRect(const TRect& r, TColor color) const;
  // The one-pixel border just inside `r`.
  void FrameRect(const TRect& r, TColor color) const;
  // A filled rectangle whose corners are quarters of an ellipse `ellipse_width` by
  // `ellipse_height`, edge and inside in one colour.
  void FillRoundRect(const TRect& r, int ellipse_width, int ellipse_height, TColor color) const;

  void SetFont(const TFont& font);
  const TFont& Font() const { return font_; }
  int TextWidth(std::string_view text) const;
  int TextHeight() const;
  // The text with the top of its cell at (x, y), in the font's colour.
  void TextOut(int x, int y, std::string_view text) const;
  // The same on a filled cell of the text's width and height.
  void TextOutOpaque(int x, int y, std::string_view text, TColor background) const;
  // Fills `box`, then draws the text at (x, y) cut off at the box's edges.
  void TextRect(const TRect& box, int x, int y, std::string_view text, TColor fill) const;

 private:
  cairo_t* cr_;
  TRect clip_;
  TFont font_;
};

}  // namespace brelix::ui
