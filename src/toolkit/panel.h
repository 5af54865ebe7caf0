// A panel: a plain container in its own colour, usually aligned to an edge of its parent (the
// editor's strip of page buttons) or filling it (the area of the pages).
#pragma once

#include "toolkit/widget.h"

namespace brelix {

class TPanel : public TWidget {
 public:
  explicit TPanel(TComponent* owner) : TWidget(owner) {}

  void Paint(TCanvas& canvas) override { canvas.FillRect(canvas.ClipRect(), Color); }
};

}  // namespace brelix
