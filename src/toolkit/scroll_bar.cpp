#include "toolkit/scroll_bar.h"

#include <algorithm>

namespace brelix {

void TScrollBar::Set(const ui::TRect& track, int total, int page, int position) {
  track_ = track;
  total_ = std::max(total, 0);
  page_ = std::max(page, 0);
  position_ = std::clamp(position, 0, MaxPosition());
}

ui::TRect TScrollBar::Thumb() const {
  const int length = track_.Height();
  if (total_ <= page_ || total_ <= 0) return track_;
  const int thumb = std::clamp(length * page_ / total_, std::min(kMinThumb, length), length);
  const int top = track_.top + static_cast<int>(static_cast<long long>(length - thumb) * position_ / MaxPosition());
  return {track_.left, top, track_.right, top + thumb};
}

bool TScrollBar::Press(int y) {
  const ui::TRect thumb = Thumb();
  if (y >= thumb.top && y < thumb.bottom) {
    dragging_ = true;
    grab_offset_ = y - thumb.top;
    return true;
  }
  const int step = std::max(page_, 1);
  position_ = std::clamp(position_ + (y < thumb.top ? -step : step), 0, MaxPosition());
  return false;
}

int TScrollBar::Drag(int y) {
  if (!dragging_) return position_;
  const ui::TRect thumb = Thumb();
  const int travel = track_.Height() - thumb.Height();
  if (travel > 0) {
    const int top = std::clamp(y - grab_offset_ - track_.top, 0, travel);
    position_ = static_cast<int>((static_cast<long long>(top) * MaxPosition() + travel / 2) / travel);
  }
  return position_;
}

void TScrollBar::Paint(const ui::TCanvas& canvas, ui::TColor track, ui::TColor thumb) const {
  canvas.FillRect(track_, track);
  const ui::TRect t = Thumb();
  canvas.FillRect({t.left + 2, t.top + 1, t.right - 2, t.bottom - 1}, thumb);
}

}  // namespace brelix
