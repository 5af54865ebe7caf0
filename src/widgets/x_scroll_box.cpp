#include "widgets/x_scroll_box.h"

#include "toolkit/widget_settings.h"

namespace brelix {

void XScrollBox::MouseDown(const TMouseEvent& e) {
  if (WidgetSettings().Shortcuts) SetFocus();
  TScrollBox::MouseDown(e);
}

}  // namespace brelix
