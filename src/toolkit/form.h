// The form: the root of a widget tree and the one place where a window backend meets it. It
// turns the backend's device-pixel events into widget events (hit testing, pointer capture during
// a drag, clicks and double clicks, keyboard focus and tab order, popups that an outside click
// closes, hints), collects the areas that widgets invalidate, and paints them when the backend
// asks. See editor/toolkit.h.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "toolkit/hint.h"
#include "toolkit/widget.h"
#include "ui/window_client.h"

namespace brelix {

class TForm : public TWidget {
 public:
  static constexpr int64_t kDoubleClickMs = 500;
  static constexpr int kDoubleClickDistance = 4;

  explicit TForm(TComponent* owner);
  ~TForm() override;

  TForm* AsForm() override { return this; }

  // What a window backend (ui/headless_window.h, ui/x11_child_window.h) drives.
  ui::IWindowClient& WindowClient() { return *client_; }
  ui::IPlatform& PlatformOfWindow() const { return *platform_; }

  // Device pixels per logical pixel: 1 draws the design's exact pixels, 2 doubles everything.
  double Scale() const { return scale_; }
  void SetScale(double scale);

  // ---- focus
  TWidget* ActiveControl() const { return focused_; }
  // Gives `widget` the keyboard focus (none: no widget has it). False when it cannot take it.
  bool SetActiveControl(TWidget* widget);
  // Moves the focus to the next (or previous) tab stop.
  void SelectNext(bool forward);
  // The tab stop after (or before) `from` in tab order, wrapping around; none if there is none.
  TWidget* FindNextControl(const TWidget* from, bool forward) const;
  // The focused widget when it takes every key (an edit box, a list); none otherwise.
  TWidget* KeyTaker() const;
  // A host that plays notes on the computer keys wants them back as soon as the typing is done:
  // with this on, Enter or Escape in a widget that takes the keys, and a press on a widget that
  // does not take the focus on a click (a page's blank space, a label, a bar), end its focus.
  bool KeysBackToHost = false;
  // Ends the focus of the key taker, if any; with `dropTyping` what was typed and not yet
  // taken is dropped first (Escape), otherwise it is taken as leaving the box takes it.
  void ReleaseKeys(bool dropTyping);

  // ---- pointer
  // The topmost visible widget at a point in form coordinates (the form itself over no other).
  TWidget* WidgetAt(TPoint point);
  // The widget that receives the pointer while buttons are held.
  TWidget* Capture() const { return capture_; }
  // While `popup` is shown, pressing the mouse outside it and outside `anchor` (the widget that
  // opened it) calls its PopupDismissed; none ends it.
  void SetPopup(TWidget* popup, TWidget* anchor);
  TWidget* Popup() const { return popup_; }
  const THint& HintBox() const { return hint_; }

  // ---- painting
  // Marks an area (form coordinates) for painting at the next idle call.
  void InvalidateArea(const TRect& area);

 protected:
  // A key the form acts on itself with no widget taking keys in focus (a host then leaves it to
  // the form).
  virtual bool ActsOnKey(int) const { return false; }
  // The form sees every key before the focused widget does; true, or setting the key to 0,
  // keeps it from the widget.
  virtual bool PreviewKeyDown(TKeyEvent&) { return false; }
  virtual bool PreviewKeyChar(char&) { return false; }
  virtual bool PreviewKeyUp(TKeyEvent&) { return false; }
  void Paint(TCanvas& canvas) override;

 private:
  friend class TWidget;
  friend class TFormWindowClient;

  // The widget (or one above it) leaves the tree or is destroyed: the form lets go of it.
  void Forget(const TWidget* subtree);
  // The widget was hidden: a focus inside it moves to the nearest parent that takes one.
  void WidgetHidden(TWidget* widget);

  TPoint ToLogical(TPoint device) const;
  TRect ToDevice(const TRect& logical) const;
  TPoint LocalPoint(const TWidget* widget, TPoint form_point) const;
  void DismissPopupFor(const TWidget* target);
  std::vector<TRect> PaintDirty(cairo_t* cr);
  void PaintWidget(TWidget& widget, cairo_t* cr, cairo_region_t* region, TPoint origin, const TRect& clip);

  void HandleMouseDown(ui::TMouseButton button, TShiftState shift, TPoint device, int64_t time_ms);
  void HandleMouseUp(ui::TMouseButton button, TShiftState shift, TPoint device);
  void HandleMouseMove(TShiftState shift, TPoint device);
  void HandleMouseWheel(int steps, TShiftState shift, TPoint device);
  void HandleMouseLeave();
  void HandleKeyDown(int key, TShiftState shift);
  void HandleKeyChar(char c);
  void HandleKeyUp(int key, TShiftState shift);
  void HandleTick(int64_t now_ms);
  void AttachPlatform(ui::IPlatform* platform);
  void CancelMouse();

  std::unique_ptr<ui::IWindowClient> client_;
  ui::NullPlatform null_platform_;
  ui::IPlatform* platform_;
  double scale_ = 1.0;
  cairo_region_t* dirty_;

  TWidget* focused_ = nullptr;
  TWidget* capture_ = nullptr;
  TWidget* hovered_ = nullptr;
  TWidget* popup_ = nullptr;
  TWidget* popup_anchor_ = nullptr;
  // The widget an event is being delivered to; cleared when it goes during its own handler.
  TWidget* event_target_ = nullptr;
  unsigned buttons_down_ = 0;
  bool click_pending_ = false;
  struct LastPress {
    const TWidget* widget = nullptr;
    ui::TMouseButton button = ui::TMouseButton::Left;
    int64_t time_ms = 0;
    TPoint point;
  } last_press_;
  THint hint_;
};

}  // namespace brelix
