// XBoxWindow: the message boxes' own small top-level window (the editor's form is TForm): a
// fixed-size window without caption bar, centred on the screen, painted with Cairo, with its keys
// and mouse clicks. It asks to stay above other windows; a dialog also belongs to the host's
// window (SetOwner).
#pragma once

#include <X11/Xlib.h>
#include <cairo.h>

#include "ui/x11_display.h"

namespace brelix::ui {

struct FormStyle {
  const char* name;         // WM_CLASS instance name, e.g. "brelix-message"
  const char* window_type;  // _NET_WM_WINDOW_TYPE_..., e.g. "_NET_WM_WINDOW_TYPE_DIALOG"
};

class XBoxWindow : public XEventTarget {
 public:
  // Needs the open connection (UiDisplay); throws std::runtime_error without one.
  XBoxWindow(int width, int height, FormStyle style);
  ~XBoxWindow() override;
  XBoxWindow(const XBoxWindow&) = delete;
  XBoxWindow& operator=(const XBoxWindow&) = delete;

  // The form belongs to the top-level window that holds `owner` (a window of the host): the
  // window manager keeps it with that window (on its desktop, minimised with it). Nothing happens
  // for 0 or a window that cannot be found.
  void SetOwner(Window owner);

  int Width() const { return width_; }
  int Height() const { return height_; }
  Window Handle() const { return window_; }

  // Maps the form centred on the screen, waits (a bounded time) until the server shows it, and
  // paints it before returning.
  void Show();
  // Show, take the keyboard focus, then handle events until Close; input for our other windows
  // is dropped meanwhile.
  void ShowModal();
  void Close() { closed_ = true; }
  bool Closed() const { return closed_; }

  // Paints the whole form now and waits until the server has drawn it.
  void Repaint();
  // Paints the form onto any Cairo context (the window's, or an image in tests).
  void PaintTo(cairo_t* cr);

  void HandleEvent(const XEvent& event) override;

 protected:
  virtual void Paint(cairo_t* cr) = 0;
  virtual void KeyDown(KeySym /*key*/) {}
  virtual void MouseDown(int /*x*/, int /*y*/) {}
  virtual void MouseUp(int /*x*/, int /*y*/) {}
  // The window manager's close request: the form closes.
  virtual void CloseRequested() { Close(); }
  // Asks the window manager to activate the shown form and gives it the keyboard focus.
  void TakeFocus();

 private:
  void SetProperties(FormStyle style);
  void WaitUntilShown();

  Display* display_;
  int width_, height_;
  Window window_ = 0;
  cairo_surface_t* surface_ = nullptr;
  bool exposed_ = false;
  bool closed_ = false;
};

// The top-level window that holds `window` (itself when it is one); 0 when it cannot be found.
Window TopLevelOf(Display* display, Window window);

}  // namespace brelix::ui
