#include "ui/x11_box_window.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <cairo-xlib.h>

#include <chrono>
#include <cstring>
#include <stdexcept>

namespace brelix::ui {

namespace {

constexpr int kShowTimeoutMs = 2000;  // a window manager that never shows the form
constexpr double kFaceGrey = 240.0 / 255.0;
constexpr double kBorderGrey = 100.0 / 255.0;

// The window manager hint that asks for no decorations (no caption bar, no frame).
struct MotifWmHints {
  unsigned long flags = 2;  // decorations given
  unsigned long functions = 0;
  unsigned long decorations = 0;
  long input_mode = 0;
  unsigned long status = 0;
};

void SetAtomProperty(Display* display, Window window, const char* property, const char* value) {
  Atom atom = UiAtom(value);
  XChangeProperty(display, window, UiAtom(property), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&atom), 1);
}

}  // namespace

XBoxWindow::XBoxWindow(int width, int height, FormStyle style) : display_(UiDisplay()), width_(width), height_(height) {
  if (display_ == nullptr) throw std::runtime_error("no display for the form");
  const int screen = DefaultScreen(display_);
  const int left = (DisplayWidth(display_, screen) - width) / 2;
  const int top = (DisplayHeight(display_, screen) - height) / 2;

  XSetWindowAttributes attributes{};
  attributes.background_pixmap = None;  // no flash of a background before the first paint
  attributes.border_pixel = BlackPixel(display_, screen);
  attributes.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                          StructureNotifyMask | FocusChangeMask;
  window_ = XCreateWindow(display_, RootWindow(display_, screen), left, top, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                          CWBackPixmap | CWBorderPixel | CWEventMask, &attributes);
  SetProperties(style);
  surface_ = cairo_xlib_surface_create(display_, window_, DefaultVisual(display_, screen), width, height);
  RegisterWindow(window_, this);
}

XBoxWindow::~XBoxWindow() {
  UnregisterWindow(window_);
  // A connection that went away while the form was up is left alone (x11_display.h); its
  // surface goes with it.
  if (UiDisplay() != display_) return;
  cairo_surface_destroy(surface_);
  XDestroyWindow(display_, window_);
  XFlush(display_);
}

void XBoxWindow::SetProperties(FormStyle style) {
  XStoreName(display_, window_, "Brelix");
  const char* utf8_name = "Brelix";
  XChangeProperty(display_, window_, UiAtom("_NET_WM_NAME"), UiAtom("UTF8_STRING"), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(utf8_name), static_cast<int>(std::strlen(utf8_name)));

  XClassHint class_hint{const_cast<char*>(style.name), const_cast<char*>("Brelix")};
  XSetClassHint(display_, window_, &class_hint);

  // Fixed size, placed by us.
  XSizeHints size{};
  size.flags = USPosition | PPosition | PSize | PMinSize | PMaxSize;
  size.width = size.min_width = size.max_width = width_;
  size.height = size.min_height = size.max_height = height_;
  XSetWMNormalHints(display_, window_, &size);

  XWMHints wm{};
  wm.flags = InputHint | StateHint;
  wm.input = True;
  wm.initial_state = NormalState;
  XSetWMHints(display_, window_, &wm);

  Atom delete_window = UiAtom("WM_DELETE_WINDOW");
  XSetWMProtocols(display_, window_, &delete_window, 1);

  MotifWmHints motif;
  XChangeProperty(display_, window_, UiAtom("_MOTIF_WM_HINTS"), UiAtom("_MOTIF_WM_HINTS"), 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&motif), 5);
  SetAtomProperty(display_, window_, "_NET_WM_WINDOW_TYPE", style.window_type);
  // Without an owner the form must not disappear behind the host's windows.
  SetAtomProperty(display_, window_, "_NET_WM_STATE", "_NET_WM_STATE_ABOVE");
}

Window TopLevelOf(Display* display, Window window) {
  XErrorTrap trap;
  for (int depth = 0; window != 0 && depth < 32; ++depth) {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return 0;
    if (children != nullptr) XFree(children);
    if (parent == root || parent == 0) return window;
    window = parent;
  }
  return 0;
}

void XBoxWindow::SetOwner(Window owner) {
  const Window top = owner != 0 ? TopLevelOf(display_, owner) : 0;
  if (top == 0) return;
  XErrorTrap trap;
  XSetTransientForHint(display_, window_, top);
  trap.Sync();
}

void XBoxWindow::Show() {
  XMapRaised(display_, window_);
  WaitUntilShown();
  Repaint();
}

void XBoxWindow::WaitUntilShown() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kShowTimeoutMs);
  XFlush(display_);
  while (!exposed_) {
    DispatchPendingEvents();
    if (exposed_) break;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    WaitForEvents(static_cast<int>(left.count()));
  }
}

void XBoxWindow::TakeFocus() {
  if (!exposed_) return;  // focus can only go to a viewable window
  const Window root = DefaultRootWindow(display_);
  XEvent activate{};
  activate.xclient.type = ClientMessage;
  activate.xclient.window = window_;
  activate.xclient.message_type = UiAtom("_NET_ACTIVE_WINDOW");
  activate.xclient.format = 32;
  activate.xclient.data.l[0] = 1;  // from an application
  activate.xclient.data.l[1] = CurrentTime;
  XErrorTrap trap;
  XSendEvent(display_, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &activate);
  XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
  trap.Sync();
}

void XBoxWindow::ShowModal() {
  Show();
  TakeFocus();
  // A lost X server ends the box as if the user had closed it.
  while (!closed_ && UiDisplay() != nullptr) {
    DispatchPendingEvents(window_);
    if (!closed_) WaitForEvents(250);
  }
  XUnmapWindow(display_, window_);
  XFlush(display_);
}

void XBoxWindow::Repaint() {
  // Drawn in memory, then copied: no flicker, and the same pixels as on any image surface.
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
  cairo_t* cr = cairo_create(image);
  PaintTo(cr);
  cairo_destroy(cr);
  cr = cairo_create(surface_);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_destroy(image);
  cairo_surface_flush(surface_);
  XSync(display_, False);
}

void XBoxWindow::PaintTo(cairo_t* cr) {
  cairo_save(cr);
  cairo_set_source_rgb(cr, kFaceGrey, kFaceGrey, kFaceGrey);
  cairo_paint(cr);
  cairo_restore(cr);
  cairo_save(cr);
  Paint(cr);
  cairo_restore(cr);
  // The thin border of the pop-up.
  cairo_set_source_rgb(cr, kBorderGrey, kBorderGrey, kBorderGrey);
  cairo_set_line_width(cr, 1.0);
  cairo_rectangle(cr, 0.5, 0.5, width_ - 1.0, height_ - 1.0);
  cairo_stroke(cr);
}

void XBoxWindow::HandleEvent(const XEvent& event) {
  switch (event.type) {
    case Expose:
      exposed_ = true;
      if (event.xexpose.count == 0) Repaint();
      break;
    case KeyPress: {
      XKeyEvent key = event.xkey;
      KeyDown(XLookupKeysym(&key, 0));
      break;
    }
    case ButtonPress:
      if (event.xbutton.button == Button1) MouseDown(event.xbutton.x, event.xbutton.y);
      break;
    case ButtonRelease:
      if (event.xbutton.button == Button1) MouseUp(event.xbutton.x, event.xbutton.y);
      break;
    case ClientMessage:
      if (event.xclient.message_type == UiAtom("WM_PROTOCOLS") &&
          static_cast<Atom>(event.xclient.data.l[0]) == UiAtom("WM_DELETE_WINDOW"))
        CloseRequested();
      break;
    default:
      break;
  }
}

}  // namespace brelix::ui
