#include "toolkit/hint.h"

#include <algorithm>

#include "toolkit/widget.h"
#include "toolkit/widget_settings.h"

namespace brelix {

namespace {

constexpr int kPointerHeight = 20;  // the hint appears below the pointer's arrow
constexpr int kPadding = 3;
const TFont kHintFont{8, false, 0};

bool HasHint(const TWidget* w) { return w != nullptr && w->ShowHint && !w->Hint.empty(); }

}  // namespace

void THint::PointerOver(TWidget* widget, ui::TPoint point) {
  if (widget == widget_) {
    if (!shown_) point_ = point;  // the hint appears where the pointer came to rest
    return;
  }
  Hide();
  widget_ = widget;
  point_ = point;
  since_ms_ = -1;  // the pause starts at the next idle call
  dismissed_ = false;
}

void THint::Dismiss() {
  Hide();
  dismissed_ = true;
}

void THint::Forget(const TWidget* subtree) {
  if (widget_ != nullptr && subtree->Contains(widget_)) {
    Hide();
    widget_ = nullptr;
  }
}

void THint::Hide() {
  if (!shown_) return;
  shown_ = false;
  invalidate_(bounds_);
}

void THint::Tick(int64_t now_ms, ui::TSize form_size) {
  if (since_ms_ < 0) since_ms_ = now_ms;
  if (shown_ && (now_ms - since_ms_ >= kPauseMs + kShowMs || !HasHint(widget_) || !widget_->Showing())) {
    Dismiss();
    return;
  }
  if (shown_ || dismissed_ || !HasHint(widget_) || !widget_->Showing() || now_ms - since_ms_ < kPauseMs) return;
  text_ = widget_->Hint;
  const int width = ui::TextWidth(kHintFont, text_) + 2 * kPadding;
  const int height = ui::TextHeight(kHintFont) + 2 * kPadding - 2;
  const int left = std::clamp(point_.x, 0, std::max(form_size.width - width, 0));
  int top = point_.y + kPointerHeight;
  if (top + height > form_size.height) top = std::max(point_.y - height - 2, 0);
  bounds_ = ui::TRect::FromSize(left, top, width, height);
  shown_ = true;
  invalidate_(bounds_);
}

void THint::Paint(cairo_t* cr) const {
  if (!shown_) return;
  const TEditorColors& colors = WidgetSettings().Colors;
  cairo_save(cr);
  TCanvas canvas(cr, bounds_);
  canvas.FillRect(bounds_, colors.WindowColor);
  canvas.FrameRect(bounds_, colors.FrameColor);
  TFont font = kHintFont;
  font.Color = colors.EditColor;
  canvas.SetFont(font);
  canvas.TextOut(bounds_.left + kPadding, bounds_.top + kPadding - 1, text_);
  cairo_restore(cr);
}

}  // namespace brelix
