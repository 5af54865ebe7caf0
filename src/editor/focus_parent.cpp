#include "editor/focus_parent.h"

#include "editor/widget.h"
#include "editor/widget_settings.h"

namespace brelix {

void FocusParent(TWidget& widget) {
  if (!WidgetSettings().Shortcuts) return;
  TWidget* parent = widget.Parent();
  // Showing: the parent is visible and so is its form.
  if (parent != nullptr && parent->Showing()) parent->SetFocus();
}

}  // namespace brelix
