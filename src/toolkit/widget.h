// A widget of the editor's toolkit: a rectangle in its parent with children, drawn by itself and
// fed with mouse, keyboard and focus events by the form at the root of its tree (editor/form.h).
// See editor/toolkit.h for how the pieces fit together.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/component.h"
#include "ui/canvas.h"
#include "ui/geometry.h"
#include "ui/input.h"
#include "ui/platform.h"

namespace brelix {

using ui::TCanvas;
using ui::TColor;
using ui::TFont;
using ui::TPoint;
using ui::TRect;
using ui::TShiftState;
using ui::TSize;

// How a widget follows its parent's size: not at all, along the top or bottom edge at its own
// height, or filling what the others leave.
enum class TAlign { NotAligned, Top, Bottom, Client };

// A mouse event in the receiving widget's coordinates.
struct TMouseEvent {
  ui::TMouseButton Button = ui::TMouseButton::Left;
  TShiftState Shift;
  int X = 0, Y = 0;
  bool DoubleClick = false;  // the second press of a double click
  bool FocusArrived = false; // this press gave the widget the keyboard focus
};

// A key event; a handler that sets Key to 0 swallows the key.
struct TKeyEvent {
  int Key = 0;
  TShiftState Shift;
};

class TForm;

class TWidget : public TComponent {
 public:
  explicit TWidget(TComponent* owner);
  // Destroys what it owns, leaves its parent; children it does not own stay, without parent.
  ~TWidget() override;

  // ---- the tree: a widget is shown inside its parent, above the siblings added before it.
  TWidget* Parent() const { return parent_; }
  void SetParent(TWidget* parent);
  const std::vector<TWidget*>& Children() const { return children_; }
  void BringToFront();
  // The form at the root of the tree, or none while the widget is not in a form.
  TForm* Form() const;
  virtual TForm* AsForm() { return nullptr; }
  // True for this widget and every widget below it.
  bool Contains(const TWidget* widget) const;

  // ---- place and size, in logical pixels in the parent's client area.
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  TRect BoundsRect() const { return TRect::FromSize(left_, top_, width_, height_); }
  void SetBounds(int left, int top, int width, int height);
  void SetPosition(int left, int top) { SetBounds(left, top, width_, height_); }
  void SetSize(int width, int height) { SetBounds(left_, top_, width, height); }
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);
  // Where the children are shown, in the widget's own coordinates.
  virtual TRect ClientRect() const { return {0, 0, width_, height_}; }
  // Where a child at (0, 0) appears in the widget's coordinates (a scrolled box moves it).
  virtual TPoint ChildOrigin() const { return {}; }
  // The widget's (0, 0) in the form's coordinates.
  TPoint FormOrigin() const;

  // ---- visibility
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, inside a form, and every parent up to the form visible.
  bool Showing() const;

  // ---- look: change a field, then Repaint.
  TColor Color = 0;  // background
  TFont Font;
  std::string Caption;
  std::string Hint;
  bool ShowHint = false;
  // Marks the whole widget for painting at the next idle call (nothing while it is not showing).
  void Repaint();
  void Invalidate(const TRect& area);

  // ---- keyboard focus and tab order (among siblings, lower first; ties in creation order).
  bool TabStop = false;
  int TabOrder() const { return tab_order_; }
  void SetTabOrder(int order) { tab_order_ = order; }
  // Showing, and a kind of widget that takes the focus (edit boxes, lists, page boxes).
  bool CanFocus() const { return Focusable() && Showing(); }
  bool Focused() const;
  void SetFocus();

  // ---- handlers attached by the widget's creator.
  std::function<void()> OnClick;
  std::function<void()> OnDoubleClick;
  std::function<void(const TMouseEvent&)> OnMouseDown;
  std::function<void(const TMouseEvent&)> OnMouseUp;

  // ---- events, delivered by the form; the base versions run the handlers above.
  virtual void Paint(TCanvas&) {}
  // After the children: for what lies on top of them (a scroll bar).
  virtual void PaintOver(TCanvas&) {}
  virtual void MouseDown(const TMouseEvent& e);
  virtual void MouseMove(const TMouseEvent&) {}
  virtual void MouseUp(const TMouseEvent& e);
  // True when the widget used the wheel; otherwise its parent gets it.
  virtual bool MouseWheel(int /*steps*/, TShiftState) { return false; }
  // A left press and release inside the widget.
  virtual void Click();
  virtual void DoubleClick();
  // A second left press soon after the first is a double click only for widgets that want one;
  // for the others it is another click.
  virtual bool WantsDoubleClicks() const { return static_cast<bool>(OnDoubleClick); }
  virtual void KeyDown(TKeyEvent&) {}
  virtual void KeyChar(char&) {}
  virtual void KeyUp(TKeyEvent&) {}
  virtual void Enter() {}  // the widget got the focus
  virtual void Exit() {}   // the widget lost the focus
  virtual bool TakesKeys() const { return false; }
  // What was typed into the widget and not yet taken is dropped: it shows its value again.
  virtual void DropTyping() {}
  virtual bool TakesFocusOnClick() const { return false; }
  // The idle call while the widget has the focus.
  virtual void Tick(int64_t /*now_ms*/) {}
  // The user pressed the mouse outside this popup (editor/form.h, SetPopup).
  virtual void PopupDismissed() {}
  // A widget below this one got the focus (a scroll box brings it into view).
  virtual void DescendantFocused(TWidget*) {}

  // The system the widget runs on (a null one outside any window).
  ui::IPlatform& Platform() const;
  // Text measured as the widget's window draws it, for placing a caret by the pointer.
  int TextWidth(const TFont& font, std::string_view text) const;
  // The line height of the font at the design's pixels, for layout (the same at every scale).
  int TextHeight(const TFont& font) const;

 protected:
  virtual bool Focusable() const { return false; }
  // Lays out the children that have an alignment.
  void Realign();

 private:
  friend class TForm;
  void Detach();
  TWidget* ChildAt(TPoint point);

  TWidget* parent_ = nullptr;
  std::vector<TWidget*> children_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = TAlign::NotAligned;
  bool visible_ = true;
  int tab_order_ = 0;
};

// Puts a newly made widget at (left, top) in `parent` and hands it back: the widgets' creators
// (XButton::CreateButton and the like) are one line with it.
template <typename T>
T* PlaceIn(T* widget, TWidget* parent, int left, int top) {
  widget->SetPosition(left, top);
  widget->SetParent(parent);
  return widget;
}

}  // namespace brelix
