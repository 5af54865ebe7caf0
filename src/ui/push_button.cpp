#include "ui/push_button.h"

namespace brelix::ui {

namespace {

constexpr double kGlyphSize = 12.0;
constexpr double kGlyphGap = 4.0;

void PaintGlyph(cairo_t* cr, ButtonGlyph glyph, double x, double y) {
  cairo_save(cr);
  cairo_set_line_width(cr, 2.0);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  if (glyph == ButtonGlyph::Check) {
    cairo_set_source_rgb(cr, 0.0, 0.55, 0.0);
    cairo_move_to(cr, x + 1.5, y + 6.5);
    cairo_line_to(cr, x + 4.5, y + 10.0);
    cairo_line_to(cr, x + 10.5, y + 2.0);
    cairo_stroke(cr);
  } else if (glyph == ButtonGlyph::Cross) {
    cairo_set_source_rgb(cr, 0.8, 0.0, 0.0);
    cairo_arc(cr, x + 6.0, y + 6.0, 5.0, 0.0, 6.283185307179586);
    cairo_stroke(cr);
    cairo_move_to(cr, x + 2.5, y + 9.5);
    cairo_line_to(cr, x + 9.5, y + 2.5);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
}

}  // namespace

void PushButton::Paint(cairo_t* cr) const {
  cairo_save(cr);
  const double x = left, y = top, w = width, h = height;
  // Face and frame: raised, or sunk while pressed.
  const double face = pressed ? 0.82 : 0.93;
  cairo_set_source_rgb(cr, face, face, face);
  cairo_rectangle(cr, x, y, w, h);
  cairo_fill(cr);
  cairo_set_line_width(cr, 1.0);
  cairo_set_source_rgb(cr, focused ? 0.0 : 0.45, focused ? 0.33 : 0.45, focused ? 0.8 : 0.45);
  cairo_rectangle(cr, x + 0.5, y + 0.5, w - 1.0, h - 1.0);
  cairo_stroke(cr);
  if (focused) {
    static const double dash[] = {1.0, 1.0};
    cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
    cairo_set_dash(cr, dash, 2, 0.0);
    cairo_rectangle(cr, x + 3.5, y + 3.5, w - 7.0, h - 7.0);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0.0);
  }

  // Glyph and caption centred together; the pressed button moves them by a pixel.
  SelectFont(cr, font);
  cairo_text_extents_t text;
  cairo_text_extents(cr, caption.c_str(), &text);
  cairo_font_extents_t metrics;
  cairo_font_extents(cr, &metrics);
  const double glyph_width = glyph == ButtonGlyph::Plain ? 0.0 : kGlyphSize + kGlyphGap;
  const double shift = pressed ? 1.0 : 0.0;
  const double start = x + (w - glyph_width - text.x_advance) / 2.0 + shift;
  if (glyph != ButtonGlyph::Plain)
    PaintGlyph(cr, glyph, static_cast<int>(start), static_cast<int>(y + (h - kGlyphSize) / 2.0 + shift));
  const double baseline = y + (h - metrics.height) / 2.0 + metrics.ascent + shift;
  cairo_set_source_rgb(cr, 0.0, 0.0, 0.0);
  cairo_move_to(cr, static_cast<int>(start + glyph_width), static_cast<int>(baseline + 0.5));
  cairo_show_text(cr, caption.c_str());
  cairo_restore(cr);
}

}  // namespace brelix::ui
