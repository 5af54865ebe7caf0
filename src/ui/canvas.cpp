#include "ui/canvas.h"

#include <cmath>
#include <map>
#include <string>
#include <tuple>

#include "ui/text_layout.h"

namespace brelix::ui {

namespace {

FontSpec FontSpecOf(const TFont& font) { return {font.Size, font.Bold}; }

// Text is drawn and measured from a NUL-terminated copy.
std::string Terminated(std::string_view text) { return std::string(text); }

double Advance(cairo_t* cr, std::string_view text) {
  cairo_text_extents_t extents;
  cairo_text_extents(cr, Terminated(text).c_str(), &extents);
  return extents.x_advance;
}

// A context on a one-pixel image at `scale`, for measuring outside any painting.
class Measurer {
 public:
  Measurer(const TFont& font, double scale)
      : surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1, 1)), cr_(cairo_create(surface_)) {
    cairo_scale(cr_, scale, scale);
    SelectFont(cr_, FontSpecOf(font));
  }
  ~Measurer() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  Measurer(const Measurer&) = delete;
  Measurer& operator=(const Measurer&) = delete;
  cairo_t* cr() const { return cr_; }

 private:
  cairo_surface_t* surface_;
  cairo_t* cr_;
};

int LineHeight(cairo_t* cr) {
  cairo_font_extents_t metrics;
  cairo_font_extents(cr, &metrics);
  return static_cast<int>(std::lround(metrics.ascent + metrics.descent));
}

int Ascent(cairo_t* cr) {
  cairo_font_extents_t metrics;
  cairo_font_extents(cr, &metrics);
  return static_cast<int>(std::lround(metrics.ascent));
}

}  // namespace

void SetSourceColor(cairo_t* cr, TColor color) {
  cairo_set_source_rgb(cr, (color & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, ((color >> 16) & 0xFF) / 255.0);
}

int TextWidth(const TFont& font, std::string_view text, double scale) {
  const Measurer m(font, scale);
  return static_cast<int>(std::lround(Advance(m.cr(), text)));
}

int TextHeight(const TFont& font, double scale) {
  // Asked for at every layout step (list lines): measured once per font and scale.
  static std::map<std::tuple<double, bool, double>, int> known;
  const auto key = std::make_tuple(font.Size, font.Bold, scale);
  if (const auto found = known.find(key); found != known.end()) return found->second;
  const Measurer m(font, scale);
  return known[key] = LineHeight(m.cr());
}

void TCanvas::FillRect(const TRect& r, TColor color) const {
  if (r.Empty()) return;
  cairo_save(cr_);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  SetSourceColor(cr_, color);
  cairo_rectangle(cr_, r.left, r.top, r.Width(), r.Height());
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void TCanvas::FrameRect(const TRect& r, TColor color) const {
  if (r.Empty()) return;
  cairo_save(cr_);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  SetSourceColor(cr_, color);
  // Four filled strips: exact at any scale, where a stroked line would straddle pixels.
  cairo_rectangle(cr_, r.left, r.top, r.Width(), 1);
  cairo_rectangle(cr_, r.left, r.bottom - 1, r.Width(), 1);
  cairo_rectangle(cr_, r.left, r.top, 1, r.Height());
  cairo_rectangle(cr_, r.right - 1, r.top, 1, r.Height());
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void TCanvas::FillRoundRect(const TRect& r, int ellipse_width, int ellipse_height, TColor color) const {
  if (r.Empty()) return;
  const double rx = std::min(ellipse_width, r.Width()) / 2.0;
  const double ry = std::min(ellipse_height, r.Height()) / 2.0;
  cairo_save(cr_);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_NONE);
  SetSourceColor(cr_, color);
  cairo_new_path(cr_);
  // Each corner is a quarter of a unit circle stretched to the ellipse's radii.
  const struct {
    double cx, cy, from;
  } corners[] = {{r.right - rx, r.top + ry, -M_PI / 2},
                 {r.right - rx, r.bottom - ry, 0},
                 {r.left + rx, r.bottom - ry, M_PI / 2},
                 {r.left + rx, r.top + ry, M_PI}};
  for (const auto& c : corners) {
    cairo_save(cr_);
    cairo_translate(cr_, c.cx, c.cy);
    cairo_scale(cr_, rx > 0 ? rx : 1e-9, ry > 0 ? ry : 1e-9);
    cairo_arc(cr_, 0, 0, 1, c.from, c.from + M_PI / 2);
    cairo_restore(cr_);
  }
  cairo_close_path(cr_);
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void TCanvas::SetFont(const TFont& font) {
  font_ = font;
  SelectFont(cr_, FontSpecOf(font));
}

int TCanvas::TextWidth(std::string_view text) const { return static_cast<int>(std::lround(Advance(cr_, text))); }

int TCanvas::TextHeight() const { return LineHeight(cr_); }

void TCanvas::TextOut(int x, int y, std::string_view text) const {
  if (text.empty()) return;
  cairo_save(cr_);
  SetSourceColor(cr_, font_.Color);
  cairo_move_to(cr_, x, y + Ascent(cr_));
  cairo_show_text(cr_, Terminated(text).c_str());
  cairo_restore(cr_);
}

void TCanvas::TextOutOpaque(int x, int y, std::string_view text, TColor background) const {
  FillRect(TRect::FromSize(x, y, TextWidth(text), TextHeight()), background);
  TextOut(x, y, text);
}

void TCanvas::TextRect(const TRect& box, int x, int y, std::string_view text, TColor fill) const {
  FillRect(box, fill);
  if (box.Empty()) return;
  cairo_save(cr_);
  cairo_rectangle(cr_, box.left, box.top, box.Width(), box.Height());
  cairo_clip(cr_);
  TextOut(x, y, text);
  cairo_restore(cr_);
}

}  // namespace brelix::ui
