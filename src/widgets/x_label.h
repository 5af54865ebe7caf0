// XLabel: a caption on a filled box. A tab character splits the caption: the part after it is
// drawn right-aligned on the same line. A click first hands the focus to the page box (with the
// Shortcuts setting), then runs the click handler.
#pragma once

#include <cstdint>

#include "toolkit/paint_box.h"

namespace brelix {

enum class TAlignment { Left, Right, Center };

class XLabel : public TPaintBox {
 public:
  static constexpr int kDefaultWidth = 87;  // the label width of a slider row
  static constexpr int kDefaultHeight = 14;

  // Margin 1, 87 x 14, background WindowColor, FontColor 9 points.
  explicit XLabel(TComponent* owner);
  static XLabel* CreateLabel(TComponent* owner, TWidget* parent, int left, int top);

  TAlignment Alignment = TAlignment::Left;
  int32_t Margin = 1;

  void Paint(TCanvas& canvas) override;
  void Click() override;
};

}  // namespace brelix
