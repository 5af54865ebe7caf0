#include "toolkit/list_box.h"

#include <algorithm>

#include "toolkit/widget_settings.h"

namespace brelix {

TListBox::TListBox(TComponent* owner)
    : TWidget(owner), FrameColor(WidgetSettings().Colors.FrameColor), BarColor(WidgetSettings().Colors.FrameColor) {
  TabStop = true;
}

void TListBox::SetItems(TListItems items) {
  items_ = std::move(items);
  item_index_ = -1;
  top_index_ = 0;
  Repaint();
}

int TListBox::VisibleLines() const { return std::max(Inside().Height() / std::max(ItemHeight(), 1), 1); }

bool TListBox::BarShown() const {
  return static_cast<long long>(items_.size()) * ItemHeight() > Inside().Height();
}

void TListBox::SetTopIndex(int index) {
  const int last_top = std::max(static_cast<int>(items_.size()) - VisibleLines(), 0);
  index = std::clamp(index, 0, last_top);
  if (index == top_index_) return;
  top_index_ = index;
  Repaint();
}

void TListBox::SetItemIndex(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) index = -1;
  if (index != item_index_) {
    item_index_ = index;
    Repaint();
  }
  if (index < 0) return;
  if (index < top_index_)
    SetTopIndex(index);
  else if (index >= top_index_ + VisibleLines())
    SetTopIndex(index - VisibleLines() + 1);
}

int TListBox::IndexAtY(int y) const {
  return top_index_ + (y - kBorder) / std::max(ItemHeight(), 1) - (y < kBorder ? 1 : 0);
}

void TListBox::UpdateBar() {
  const TRect inside = Inside();
  bar_.Set({inside.right - TScrollBar::kWidth, inside.top, inside.right, inside.bottom},
           static_cast<int>(items_.size()), VisibleLines(), top_index_);
}

void TListBox::Paint(TCanvas& canvas) {
  const TRect inside = Inside();
  canvas.FrameRect({0, 0, Width(), Height()}, FrameColor);
  canvas.FrameRect({1, 1, Width() - 1, Height() - 1}, Color);
  canvas.FillRect(inside, Color);
  const bool bar = BarShown();
  const TRect rows{inside.left, inside.top, bar ? inside.right - TScrollBar::kWidth : inside.right, inside.bottom};
  cairo_t* cr = canvas.Cairo();
  cairo_save(cr);
  cairo_rectangle(cr, rows.left, rows.top, rows.Width(), rows.Height());
  cairo_clip(cr);
  const int height = ItemHeight();
  TFont selected = Font;
  selected.Color = Color;
  for (int i = top_index_, y = rows.top; i < static_cast<int>(items_.size()) && y < rows.bottom; ++i, y += height) {
    if (i == item_index_) {
      canvas.FillRect({rows.left, y, rows.right, y + height}, Font.Color);
      canvas.SetFont(selected);
    } else {
      canvas.SetFont(Font);
    }
    canvas.TextOut(rows.left + kTextIndent, y, items_[i].Text);
  }
  cairo_restore(cr);
  if (bar) {
    UpdateBar();
    bar_.Paint(canvas, Color, BarColor);
  }
}

void TListBox::MouseDown(const TMouseEvent& e) {
  press_on_bar_ = false;
  if (e.Button == ui::TMouseButton::Left) {
    if (BarShown() && e.X >= Inside().right - TScrollBar::kWidth) {
      press_on_bar_ = true;
      UpdateBar();
      if (!bar_.Press(e.Y)) SetTopIndex(bar_.Position());
    } else {
      selecting_ = true;
      const int index = IndexAtY(e.Y);
      if (index >= 0 && index < static_cast<int>(items_.size())) SetItemIndex(index);
    }
  }
  TWidget::MouseDown(e);
}

void TListBox::MouseMove(const TMouseEvent& e) {
  if (bar_.Dragging()) {
    SetTopIndex(bar_.Drag(e.Y));
  } else if (selecting_ && !items_.empty()) {
    // Dragging past an edge scrolls the list.
    SetItemIndex(std::clamp(IndexAtY(e.Y), 0, static_cast<int>(items_.size()) - 1));
  }
}

void TListBox::MouseUp(const TMouseEvent& e) {
  selecting_ = false;
  bar_.Release();
  TWidget::MouseUp(e);
}

bool TListBox::MouseWheel(int steps, TShiftState) {
  if (!BarShown()) return false;
  SetTopIndex(top_index_ - steps * kWheelLines);
  return true;
}

void TListBox::KeyDown(TKeyEvent& e) {
  namespace keys = ui::keys;
  const int last = static_cast<int>(items_.size()) - 1;
  const int page = std::max(VisibleLines() - 1, 1);
  int to;
  switch (e.Key) {
    case keys::kUp: to = item_index_ - 1; break;
    case keys::kDown: to = item_index_ + 1; break;
    case keys::kPageUp: to = item_index_ - page; break;
    case keys::kPageDown: to = item_index_ + page; break;
    case keys::kHome: to = 0; break;
    case keys::kEnd: to = last; break;
    default: return;
  }
  if (last >= 0) SetItemIndex(std::clamp(to, 0, last));
  e.Key = 0;
}

}  // namespace brelix
