#include "ui/text_layout.h"

#include <algorithm>
#include <cmath>

namespace brelix::ui {

namespace {

double Advance(cairo_t* cr, const std::string& text) {
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  return extents.x_advance;
}

std::string TrimmedRight(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

bool IsBreakAfter(char c) { return c == ' ' || c == '/' || c == '\\'; }

// Length of the UTF-8 sequence that starts with `lead`.
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Breaks a word wider than `width` between characters; the last piece stays open in `line`.
void BreakWord(cairo_t* cr, const std::string& word, double width, std::vector<std::string>& lines,
               std::string& line) {
  for (size_t i = 0; i < word.size();) {
    const size_t n = std::min(SequenceLength(static_cast<unsigned char>(word[i])), word.size() - i);
    const std::string piece = word.substr(i, n);
    if (!line.empty() && Advance(cr, TrimmedRight(line + piece)) > width) {
      lines.push_back(TrimmedRight(line));
      line.clear();
    }
    line += piece;
    i += n;
  }
}

void WrapParagraph(cairo_t* cr, const std::string& paragraph, double width, std::vector<std::string>& lines) {
  std::string line;
  size_t start = 0;
  while (start < paragraph.size()) {
    size_t end = start;
    while (end < paragraph.size() && !IsBreakAfter(paragraph[end])) ++end;
    if (end < paragraph.size()) ++end;  // the break character stays with its word
    const std::string word = paragraph.substr(start, end - start);
    start = end;
    if (Advance(cr, TrimmedRight(line + word)) <= width) {
      line += word;
    } else if (Advance(cr, TrimmedRight(word)) <= width) {
      lines.push_back(TrimmedRight(line));
      line = word;
    } else {
      BreakWord(cr, word, width, lines, line);
    }
  }
  lines.push_back(TrimmedRight(line));
}

}  // namespace

void SelectFont(cairo_t* cr, FontSpec font) {
  cairo_select_font_face(cr, "Arial", CAIRO_FONT_SLANT_NORMAL,
                         font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  // Whole pixels, as the system sizes a font in points: 8 points are 11 pixels, 9 are 12.
  cairo_set_font_size(cr, std::round(font.points * 96.0 / 72.0));
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_font_options_set_subpixel_order(options, CAIRO_SUBPIXEL_ORDER_DEFAULT);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

std::vector<std::string> WrapText(cairo_t* cr, std::string_view text, double width) {
  std::vector<std::string> lines;
  std::string paragraph;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
      WrapParagraph(cr, paragraph, width, lines);
      paragraph.clear();
      if (i < text.size() && text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      paragraph += text[i];
    }
  }
  return lines;
}

void DrawCentredText(cairo_t* cr, const TextBox& box, std::string_view text, FontSpec font) {
  cairo_save(cr);
  cairo_rectangle(cr, box.left, box.top, box.width, box.height);
  cairo_clip(cr);
  SelectFont(cr, font);
  cairo_font_extents_t metrics;
  cairo_font_extents(cr, &metrics);
  const std::vector<std::string> lines = WrapText(cr, text, box.width);
  const double block = metrics.height * static_cast<double>(lines.size());
  double baseline = box.top + (box.height - block) / 2.0 + metrics.ascent;
  for (const std::string& line : lines) {
    const double x = box.left + (box.width - Advance(cr, line)) / 2.0;
    // Whole pixels keep the glyphs as sharp as the hinting made them.
    cairo_move_to(cr, static_cast<int>(x + 0.5), static_cast<int>(baseline + 0.5));
    cairo_show_text(cr, line.c_str());
    baseline += metrics.height;
  }
  cairo_restore(cr);
}

}  // namespace brelix::ui
