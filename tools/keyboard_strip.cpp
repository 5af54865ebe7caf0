#include "keyboard_strip.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace brelix {

namespace {
constexpr double kBlackDepth = 0.6;  // of the keys' height
constexpr double kBlackWidth = 0.6;  // of a white key's width
constexpr int kWhitesBelow[12] = {0, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6};
constexpr int kWhiteKeys = 18;
constexpr const char* kNoteNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

std::string NoteName(int note) {
  return std::string(kNoteNames[note % 12]) + std::to_string(note / 12 - 1);
}
}  // namespace

bool KeyboardStrip::ShiftOctave(int direction) { return SetBase(base_ + 12 * direction); }

bool KeyboardStrip::SetBase(int base) {
  if (base < kLowestBase || base > kHighestBase || base % 12 != 0) return false;
  base_ = base;
  return true;
}

bool KeyboardStrip::IsBlack(int note) {
  const int n = note % 12;
  return n == 1 || n == 3 || n == 6 || n == 8 || n == 10;
}

int KeyboardStrip::WhiteIndex(int offset) const { return offset / 12 * 7 + kWhitesBelow[offset % 12]; }

double KeyboardStrip::WhiteWidth() const { return (width_ - 2.0 * kButtonWidth) / kWhiteKeys; }

bool KeyboardStrip::KeyContains(int offset, double x, double y) const {
  const double white = WhiteWidth();
  if (IsBlack(offset)) {
    const double left = kButtonWidth + (WhiteIndex(offset) + 1) * white - white * kBlackWidth / 2;
    return x >= left && x < left + white * kBlackWidth && y < kHeight * kBlackDepth;
  }
  const double left = kButtonWidth + WhiteIndex(offset) * white;
  return x >= left && x < left + white;
}

std::optional<KeyboardStrip::Hit> KeyboardStrip::At(int x, int y) const {
  if (y < 0 || y >= kHeight || x < 0 || x >= width_) return std::nullopt;
  if (x < kButtonWidth) return Hit{Hit::Kind::OctaveDown};
  if (x >= width_ - kButtonWidth) return Hit{Hit::Kind::OctaveUp};
  // Black keys lie over the white ones: they are tried first.
  for (int pass = 0; pass < 2; ++pass) {
    for (int offset = 0; offset < kNotes; ++offset) {
      if (IsBlack(offset) != (pass == 0) || !KeyContains(offset, x, y)) continue;
      const double depth = IsBlack(offset) ? kHeight * kBlackDepth : kHeight;
      const int velocity = std::clamp(static_cast<int>(std::lround(1 + 126.0 * (y + 0.5) / depth)), 1, 127);
      return Hit{Hit::Kind::Key, base_ + offset, velocity};
    }
  }
  return std::nullopt;
}

std::optional<int> KeyboardStrip::PianoKeyOffset(KeySym key) {
  static constexpr KeySym kLower[] = {XK_z, XK_s, XK_x, XK_d, XK_c, XK_v, XK_g, XK_b, XK_h,
                                      XK_n, XK_j, XK_m, XK_comma, XK_l, XK_period, XK_semicolon, XK_slash};
  static constexpr KeySym kUpper[] = {XK_q, XK_2, XK_w, XK_3, XK_e, XK_r, XK_5, XK_t, XK_6, XK_y,
                                      XK_7, XK_u, XK_i, XK_9, XK_o, XK_0, XK_p, XK_bracketleft, XK_equal, XK_bracketright};
  for (size_t i = 0; i < std::size(kLower); ++i)
    if (kLower[i] == key) return static_cast<int>(i);
  for (size_t i = 0; i < std::size(kUpper); ++i)
    if (kUpper[i] == key) return 12 + static_cast<int>(i);
  return std::nullopt;
}

void KeyboardStrip::Draw(cairo_t* cr, const std::set<int>& sounding, const std::string& status) const {
  const double white = WhiteWidth();
  cairo_set_source_rgb(cr, 0.16, 0.17, 0.19);
  cairo_paint(cr);
  cairo_set_line_width(cr, 1.0);
  const auto pressed = [&](int offset) { return sounding.contains(base_ + offset); };
  for (int offset = 0; offset < kNotes; ++offset) {
    if (IsBlack(offset)) continue;
    const double left = kButtonWidth + WhiteIndex(offset) * white;
    cairo_rectangle(cr, left + 0.5, 0.5, white - 1, kHeight - 1);
    if (pressed(offset)) cairo_set_source_rgb(cr, 0.55, 0.75, 0.95);
    else cairo_set_source_rgb(cr, 0.96, 0.96, 0.94);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.3, 0.3, 0.3);
    cairo_stroke(cr);
    if ((base_ + offset) % 12 == 0) {  // each C carries its name
      cairo_set_source_rgb(cr, 0.35, 0.35, 0.35);
      cairo_set_font_size(cr, 10);
      cairo_move_to(cr, left + 3, kHeight - 5);
      cairo_show_text(cr, NoteName(base_ + offset).c_str());
    }
  }
  for (int offset = 0; offset < kNotes; ++offset) {
    if (!IsBlack(offset)) continue;
    const double left = kButtonWidth + (WhiteIndex(offset) + 1) * white - white * kBlackWidth / 2;
    cairo_rectangle(cr, left, 0, white * kBlackWidth, kHeight * kBlackDepth);
    if (pressed(offset)) cairo_set_source_rgb(cr, 0.25, 0.45, 0.7);
    else cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
    cairo_fill(cr);
  }
  // The octave buttons.
  for (int side = 0; side < 2; ++side) {
    const double left = side == 0 ? 0 : width_ - kButtonWidth;
    const bool usable = side == 0 ? base_ > kLowestBase : base_ < kHighestBase;
    cairo_rectangle(cr, left + 2.5, 2.5, kButtonWidth - 5, kHeight - 5);
    cairo_set_source_rgb(cr, 0.27, 0.29, 0.32);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.45, 0.47, 0.5);
    cairo_stroke(cr);
    const double mid = left + kButtonWidth / 2.0, top = kHeight / 2.0 - 7;
    cairo_move_to(cr, side == 0 ? mid + 5 : mid - 5, top);
    cairo_line_to(cr, side == 0 ? mid - 5 : mid + 5, top + 7);
    cairo_line_to(cr, side == 0 ? mid + 5 : mid - 5, top + 14);
    cairo_close_path(cr);
    if (usable) cairo_set_source_rgb(cr, 0.9, 0.9, 0.9);
    else cairo_set_source_rgb(cr, 0.45, 0.45, 0.45);
    cairo_fill(cr);
  }
  cairo_set_source_rgb(cr, 0.82, 0.83, 0.85);
  cairo_set_font_size(cr, 11);
  cairo_move_to(cr, 6, kHeight + kStatusHeight - 6);
  cairo_show_text(cr, status.c_str());
}

}  // namespace brelix
