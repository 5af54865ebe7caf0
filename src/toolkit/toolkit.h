// The editor's toolkit and widget set, in one include.
//
// The tree. Every widget (TWidget) has an owner and a parent. The owner (a TComponent: the form,
// or a parameter control) destroys it; the parent is where it is shown, at (Left, Top) in the
// parent's client area, in logical pixels, above the siblings added before it. Create a widget
// with its owner, then place it, or in one step with the widget's creator:
//     XSlider* bar = XSlider::CreateSlider(control, page_box, 4, 35);
// Change a look field (Color, Font, Caption, Down, Value ...) and call Repaint(); SetBounds,
// Show/Hide and SetParent repaint by themselves. At the root is a TForm.
//
// Painting. Repaint only marks an area as dirty; nothing is drawn at once. On the host's idle
// call the backend asks the form to paint the dirty areas: each widget that meets them gets
// Paint(TCanvas&) in its own coordinates, clipped to itself and to what changed, after its parent
// and before its children. TCanvas draws crisp frames and fills (no antialiasing) and "Arial"
// text placed by the top of its cell, as the widget set's drawing rules are written.
//
// Events. The backend hands the form device-pixel input; the form finds the widget under the
// pointer and calls its MouseDown / MouseMove / MouseUp (in widget coordinates, with the button,
// Shift/Ctrl/Alt and a double-click flag), Click (a left press and release inside) and
// DoubleClick (only for widgets that want one). The widget pressed keeps the pointer until every
// button is up (Capture), so drags work outside it. Keys go to the focused widget: KeyDown and
// KeyUp with the virtual key code (ui/input.h), KeyChar with the typed character; a form
// subclass sees them first through PreviewKeyDown/PreviewKeyChar/PreviewKeyUp. Handlers for
// the creator: OnClick, OnDoubleClick, OnMouseDown, OnMouseUp (the base event methods run them).
//
// Focus. Edit boxes, lists and scroll boxes can take the keyboard focus (SetFocus, or
// TForm::SetActiveControl); a click on an edit or list takes it. Enter and Exit tell a widget it
// got or lost it. Tab moves along the tab stops (TabStop, TabOrder within a parent, depth first).
// Hiding the focused widget hands the focus to the nearest parent that takes it.
//
// Backends. A form is shown by one of two backends through ui::IWindowClient (WindowClient()):
// ui::HeadlessWindow paints into an image and takes synthetic input (tests, pictures), and
// ui::X11ChildWindow is a child window in the host's window, pumped and repainted on the host's
// idle call. Widgets never see either; they ask ui::IPlatform (Platform()) for the screen size,
// the pointer, a pointer move and the modifier keys. The form's Scale multiplies everything, so
// the whole editor can be enlarged without touching a widget (the Zoom setting, editor_zoom.h).
//
// The widget set (the X classes) reads its colours and the Shortcuts, TouchScreen and
// Microscope settings from WidgetSettings(); it reaches parameter controls through
// ISliderControl and IListControl (editor/control_links.h) and XButton::UpdateValue.
#pragma once

#include "toolkit/component.h"
#include "widgets/control_links.h"
#include "toolkit/edit.h"
#include "toolkit/focus_parent.h"
#include "toolkit/form.h"
#include "toolkit/list_box.h"
#include "toolkit/paint_box.h"
#include "toolkit/panel.h"
#include "widgets/param_kind.h"
#include "toolkit/scroll_box.h"
#include "widgets/value_text.h"
#include "toolkit/widget.h"
#include "toolkit/widget_settings.h"
#include "widgets/x_button.h"
#include "widgets/x_combo.h"
#include "widgets/x_edit.h"
#include "widgets/x_label.h"
#include "widgets/x_list_box.h"
#include "widgets/x_page_button.h"
#include "widgets/x_scroll_box.h"
#include "widgets/x_section.h"
#include "widgets/x_slider.h"
