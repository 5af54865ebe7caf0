#include "toolkit/focus_parent.h"

#include "toolkit/widget.h"
#include "toolkit/widget_settings.h"

namespace brelix {

void FocusParent(TWidget& widget) {
  if (!WidgetSettings().Shortcuts) return;
  TWidget* parent = widget.Parent();
  // Showing: the parent is visible and so is its form.
  if (parent != nullptr && parent->Showing()) parent->SetFocus();
}

}  // namespace brelix
