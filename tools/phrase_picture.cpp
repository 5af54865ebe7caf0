#include "phrase_picture.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "palette_png.h"
#include "ui/canvas.h"

namespace brelix {

namespace {

using ui::TCanvas;
using ui::TColor;
using ui::TRect;

constexpr TColor kBackground = 0xFFFFFF, kInk = 0x404040;
constexpr int kSteps = 12;  // colours of the level scale, kSpectrogramRangeDb / kSteps dB each
constexpr int kTick = 4, kGap = 4;
// The margins around the cells: room for the frequency labels on the left, the legend's title
// above, the time labels and the axis title below, the legend on the right.
constexpr int kLeft = 40, kTop = 20, kBelow = 38;
constexpr int kLegendGap = 16, kLegendWidth = 12, kLegendStep = 16, kLegendRoom = 34;

const ui::TFont kLabelFont{8, false, kInk};

// Dark blue through purple and red to pale yellow: the colour of step 0 (quietest) to kSteps - 1.
TColor StepColor(int step) {
  static const TColor anchors[] = {0x200A0A, 0x5A1A28, 0x8A1E5A, 0x6A20B0, 0x2A40E0, 0x1A80F0, 0x40C0F8, 0xB0F0FF};
  constexpr int last = static_cast<int>(std::size(anchors)) - 1;
  const double at = static_cast<double>(step) * last / (kSteps - 1);
  const int below = std::min(static_cast<int>(at), last - 1);
  const double part = at - below;
  TColor color = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const double a = (anchors[below] >> shift) & 0xFF, b = (anchors[below + 1] >> shift) & 0xFF;
    color |= static_cast<TColor>(std::lround(a + (b - a) * part)) << shift;
  }
  return color;
}

int StepOf(double level, double loudest) {
  return std::clamp(static_cast<int>(std::floor((1.0 + (level - loudest) / kSpectrogramRangeDb) * kSteps)), 0,
                    kSteps - 1);
}

// "−12": a true minus sign, as a chart prints it.
std::string SignedText(int value) { return value < 0 ? "\u2212" + std::to_string(-value) : std::to_string(value); }

// The top of the units' line above the frequency labels and the legend.
int UnitTop(const TCanvas& canvas, const TRect& plot) { return plot.top - 1 - kGap - canvas.TextHeight(); }

// One rectangle for each run of cells of one colour in a row.
void DrawCells(TCanvas& canvas, const Spectrogram& s, const TRect& plot) {
  const double loudest = *std::max_element(s.Levels.begin(), s.Levels.end());
  for (int row = 0; row < s.Rows; ++row) {
    for (int column = 0; column < s.Columns;) {
      const int step = StepOf(s.Level(column, row), loudest);
      int end = column + 1;
      while (end < s.Columns && StepOf(s.Level(end, row), loudest) == step) ++end;
      canvas.FillRect({plot.left + column, plot.top + row, plot.left + end, plot.top + row + 1}, StepColor(step));
      column = end;
    }
  }
  canvas.FrameRect({plot.left - 1, plot.top - 1, plot.right + 1, plot.bottom + 1}, kInk);
}

// 50 Hz to 10 kHz in steps of 1, 2, 5, labelled "50" .. "10k", and the unit above them.
void DrawFrequencyAxis(TCanvas& canvas, const TRect& plot) {
  const int half = canvas.TextHeight() / 2;
  for (double decade = 10.0; decade <= 10000.0; decade *= 10.0) {
    for (const int factor : {1, 2, 5}) {
      const double hz = decade * factor;
      if (hz < kSpectrogramLowHz || hz > kSpectrogramHighHz) continue;
      const int y = plot.top + static_cast<int>(std::lround(SpectrogramRowPosition(hz, plot.Height())));
      canvas.FillRect({plot.left - 1 - kTick, y, plot.left - 1, y + 1}, kInk);
      const std::string text = hz >= 1000.0 ? std::to_string(static_cast<int>(hz / 1000.0)) + "k"
                                            : std::to_string(static_cast<int>(hz));
      canvas.TextOut(plot.left - 1 - kTick - kGap - canvas.TextWidth(text), y - half, text);
    }
  }
  canvas.TextOut(plot.left - 1 - kTick - kGap - canvas.TextWidth("Hz"), UnitTop(canvas, plot), "Hz");
}

// A tick and a label every half second, and the axis's title beneath.
void DrawTimeAxis(TCanvas& canvas, const TRect& plot, double seconds) {
  const int labels = plot.bottom + 1 + kTick + 1;
  for (int half_seconds = 0; half_seconds * 0.5 <= seconds; ++half_seconds) {
    const int x = plot.left + static_cast<int>(std::lround(half_seconds * 0.5 / seconds * plot.Width()));
    canvas.FillRect({x, plot.bottom + 1, x + 1, plot.bottom + 1 + kTick}, kInk);
    const std::string text = half_seconds % 2 == 0 ? std::to_string(half_seconds / 2)
                                                   : std::to_string(half_seconds / 2) + ".5";
    canvas.TextOut(x - canvas.TextWidth(text) / 2, labels, text);
  }
  const std::string title = "time in seconds";
  canvas.TextOut(plot.left + (plot.Width() - canvas.TextWidth(title)) / 2, labels + canvas.TextHeight(), title);
}

// The colour steps from the loudest at the top, a label every second boundary, "dB" above.
void DrawLegend(TCanvas& canvas, const TRect& plot) {
  const TRect bar = TRect::FromSize(plot.right + 1 + kLegendGap, plot.top, kLegendWidth, kSteps * kLegendStep);
  for (int step = 0; step < kSteps; ++step)
    canvas.FillRect(TRect::FromSize(bar.left, bar.bottom - (step + 1) * kLegendStep, bar.Width(), kLegendStep),
                    StepColor(step));
  canvas.FrameRect({bar.left - 1, bar.top - 1, bar.right + 1, bar.bottom + 1}, kInk);
  const int half = canvas.TextHeight() / 2;
  for (int boundary = 0; boundary <= kSteps; boundary += 2) {
    const int y = bar.top + boundary * kLegendStep;
    const int db = -static_cast<int>(std::lround(boundary * kSpectrogramRangeDb / kSteps));
    canvas.TextOut(bar.right + 1 + kGap, y - half, SignedText(db));
  }
  canvas.TextOut(bar.left, UnitTop(canvas, plot), "dB");
}

}  // namespace

bool WriteSpectrogramPng(const Spectrogram& spectrogram, const std::filesystem::path& file) {
  const TRect plot = TRect::FromSize(kLeft, kTop, spectrogram.Columns, spectrogram.Rows);
  const int width = plot.right + 1 + kLegendGap + kLegendWidth + kLegendRoom;
  const int height = plot.bottom + kBelow;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(surface);
  TCanvas canvas(cr, {0, 0, width, height});
  canvas.FillRect({0, 0, width, height}, kBackground);
  canvas.SetFont(kLabelFont);
  DrawCells(canvas, spectrogram, plot);
  DrawFrequencyAxis(canvas, plot);
  DrawTimeAxis(canvas, plot, spectrogram.Seconds);
  DrawLegend(canvas, plot);
  cairo_destroy(cr);
  const bool written = WritePng(surface, file);
  cairo_surface_destroy(surface);
  return written;
}

}  // namespace brelix
