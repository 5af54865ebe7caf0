// Points, sizes and rectangles in whole pixels. A rectangle includes its left and top edges and
// excludes its right and bottom ones: (0, 0)-(151, 16) is 151 pixels wide and 16 high.
#pragma once

#include <algorithm>

namespace brelix::ui {

struct TPoint {
  int x = 0, y = 0;
  friend bool operator==(TPoint, TPoint) = default;
};

struct TSize {
  int width = 0, height = 0;
  friend bool operator==(TSize, TSize) = default;
};

struct TRect {
  int left = 0, top = 0, right = 0, bottom = 0;

  static TRect FromSize(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  bool Contains(TPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  TRect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  TRect Intersect(const TRect& o) const {
    return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
  }
  friend bool operator==(const TRect&, const TRect&) = default;
};

}  // namespace brelix::ui
