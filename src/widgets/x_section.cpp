#include "widgets/x_section.h"

#include "toolkit/focus_parent.h"
#include "toolkit/widget_settings.h"

namespace brelix {

XSection::XSection(TComponent* owner) : XLabel(owner) {
  const TEditorColors& colors = WidgetSettings().Colors;
  Color = colors.SectionColor;
  Font = {9, true, colors.WindowColor};
  SetSize(kDefaultWidth, kDefaultHeight);
}

void XSection::Click() {
  FocusParent(*this);
  if (DisableClick) {
    DisableClick = false;
    return;
  }
  XLabel::Click();
}

}  // namespace brelix
