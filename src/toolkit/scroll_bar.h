// The vertical scroll bar of the list box and the scroll box: where its thumb is for a position
// in a range, what a press on it means, and how it looks (a dark track with a thumb in the
// frame colour).
#pragma once

#include "ui/canvas.h"
#include "ui/geometry.h"

namespace brelix {

class TScrollBar {
 public:
  static constexpr int kWidth = 16;
  static constexpr int kMinThumb = 12;

  // The bar occupies `track`; `page` of `total` units are shown from `position`.
  void Set(const ui::TRect& track, int total, int page, int position);
  const ui::TRect& Track() const { return track_; }
  int Position() const { return position_; }
  int MaxPosition() const { return total_ > page_ ? total_ - page_ : 0; }
  ui::TRect Thumb() const;

  // A press at `y` (in the track's coordinates): true when it hit the thumb (a drag starts);
  // otherwise the position moves a page towards the press.
  bool Press(int y);
  // The thumb dragged to follow the pointer; returns the new position.
  int Drag(int y);
  void Release() { dragging_ = false; }
  bool Dragging() const { return dragging_; }

  void Paint(const ui::TCanvas& canvas, ui::TColor track, ui::TColor thumb) const;

 private:
  ui::TRect track_;
  int total_ = 0, page_ = 0, position_ = 0;
  bool dragging_ = false;
  int grab_offset_ = 0;
};

}  // namespace brelix
