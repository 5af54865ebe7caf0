// A list box: items shown one per line under a two-pixel frame, one of them selected; Up, Down,
// PageUp, PageDown, Home and End move the selection, the mouse selects (also by dragging), and a
// scroll bar appears when the items do not fit. Each item carries the value number a list widget
// stands for besides its text (editor/list_items.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "toolkit/list_items.h"
#include "toolkit/scroll_bar.h"
#include "toolkit/widget.h"

namespace brelix {

class TListBox : public TWidget {
 public:
  static constexpr int kBorder = 2;
  static constexpr int kTextIndent = 2;
  static constexpr int kWheelLines = 3;

  explicit TListBox(TComponent* owner);

  const TListItems& Items() const { return items_; }
  // Replaces the items; nothing is selected afterwards.
  void SetItems(TListItems items);
  // The selected item, or -1; setting it scrolls it into view (out of range: none).
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int index);
  int TopIndex() const { return top_index_; }
  void SetTopIndex(int index);
  // The height of a line: the font's line height (13 for the 8-point lists).
  int ItemHeight() const { return TextHeight(Font); }
  // Lines that fit completely.
  int VisibleLines() const;
  bool BarShown() const;

  TColor FrameColor;
  TColor BarColor;

  void Paint(TCanvas& canvas) override;
  void MouseDown(const TMouseEvent& e) override;
  void MouseMove(const TMouseEvent& e) override;
  void MouseUp(const TMouseEvent& e) override;
  bool MouseWheel(int steps, TShiftState shift) override;
  void KeyDown(TKeyEvent& e) override;
  bool TakesKeys() const override { return true; }
  bool TakesFocusOnClick() const override { return true; }

 protected:
  bool Focusable() const override { return true; }
  // True while the current press began on the scroll bar (it selects nothing).
  bool PressOnBar() const { return press_on_bar_; }

 private:
  TRect Inside() const { return {kBorder, kBorder, Width() - kBorder, Height() - kBorder}; }
  int IndexAtY(int y) const;
  void UpdateBar();

  TListItems items_;
  int item_index_ = -1;
  int top_index_ = 0;
  bool selecting_ = false;
  bool press_on_bar_ = false;
  TScrollBar bar_;
};

}  // namespace brelix
