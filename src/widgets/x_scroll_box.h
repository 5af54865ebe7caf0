// XScrollBox: a page box. With the Shortcuts setting on, a click on the box itself gives it the
// keyboard focus, so that the editor's keys act on the page.
#pragma once

#include "toolkit/scroll_box.h"

namespace brelix {

class XScrollBox : public TScrollBox {
 public:
  explicit XScrollBox(TComponent* owner) : TScrollBox(owner) {}


  void MouseDown(const TMouseEvent& e) override;
};

}  // namespace brelix
