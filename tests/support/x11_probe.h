// The GUI tests' own connection to the test X server: finds our windows as the user would see
// them, reads their pixels and sends synthetic keys and clicks through XTest.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "support/xvfb_server.h"

namespace brelix::testing {

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Image = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

struct WindowGeometry {
  int x = 0, y = 0, width = 0, height = 0;
};

// A window may go away between finding and reading it: such X errors are expected in these
// tests. Installed once, on the main thread, before any other thread uses X.
inline void TolerateXErrors() {
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
}

class XProbe {
 public:
  XProbe() : display_(XOpenDisplay(XvfbServer::Shared().display().c_str())) {}
  ~XProbe() {
    if (display_ != nullptr) XCloseDisplay(display_);
  }
  XProbe(const XProbe&) = delete;
  // For a test that ends the X server: the probe's connection then fails quietly instead of
  // ending the test program inside Xlib.
  void SurviveServerLoss() {
    XSetIOErrorHandler([](Display*) { return 0; });
    if (display_ != nullptr) XSetIOErrorExitHandler(display_, [](Display*, void*) {}, nullptr);
  }
  XProbe& operator=(const XProbe&) = delete;

  Display* display() const { return display_; }

  // The viewable top-level window with this WM_CLASS instance name, or 0 after the timeout.
  Window WaitForWindow(const char* name, int timeout_ms = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    do {
      if (Window w = FindWindow(name)) return w;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    return 0;
  }

  // True once no viewable window with this name is left.
  bool WaitUntilGone(const char* name, int timeout_ms = 3000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    do {
      if (FindWindow(name) == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
  }

  WindowGeometry Geometry(Window w) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, w, &attributes);
    Window child;
    WindowGeometry g{0, 0, attributes.width, attributes.height};
    XTranslateCoordinates(display_, w, DefaultRootWindow(display_), 0, 0, &g.x, &g.y, &child);
    return g;
  }

  // The window's pixels as they are on the screen.
  Image Capture(Window w) {
    const WindowGeometry g = Geometry(w);
    Image image(cairo_image_surface_create(CAIRO_FORMAT_RGB24, g.width, g.height));
    XImage* x = XGetImage(display_, w, 0, 0, static_cast<unsigned>(g.width), static_cast<unsigned>(g.height), AllPlanes,
                          ZPixmap);
    if (x == nullptr) return image;
    unsigned char* data = cairo_image_surface_get_data(image.get());
    const int stride = cairo_image_surface_get_stride(image.get());
    for (int row = 0; row < g.height; ++row) {
      auto* out = reinterpret_cast<uint32_t*>(data + row * stride);
      for (int col = 0; col < g.width; ++col) out[col] = static_cast<uint32_t>(XGetPixel(x, col, row)) & 0xFFFFFFu;
    }
    cairo_surface_mark_dirty(image.get());
    XDestroyImage(x);
    return image;
  }

  void Key(KeySym key) {
    const KeyCode code = XKeysymToKeycode(display_, key);
    XTestFakeKeyEvent(display_, code, True, 0);
    XTestFakeKeyEvent(display_, code, False, 0);
    XSync(display_, False);
  }

  // A left click at (x, y) inside `w`.
  void Click(Window w, int x, int y) {
    const WindowGeometry g = Geometry(w);
    XTestFakeMotionEvent(display_, DefaultScreen(display_), g.x + x, g.y + y, 0);
    XTestFakeButtonEvent(display_, 1, True, 0);
    XTestFakeButtonEvent(display_, 1, False, 0);
    XSync(display_, False);
  }

  // Asks the form to close as a window manager would.
  void RequestClose(Window w) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    XSendEvent(display_, w, False, NoEventMask, &e);
    XSync(display_, False);
  }

 private:
  Window FindWindow(const char* name) {
    Window root_return, parent;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(display_, DefaultRootWindow(display_), &root_return, &parent, &children, &count) == 0) return 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
      XWindowAttributes attributes{};
      if (XGetWindowAttributes(display_, children[i], &attributes) == 0 || attributes.map_state != IsViewable)
        continue;
      XClassHint hint{};
      if (XGetClassHint(display_, children[i], &hint) == 0) continue;
      if (hint.res_name != nullptr && std::strcmp(hint.res_name, name) == 0) found = children[i];
      if (hint.res_name != nullptr) XFree(hint.res_name);
      if (hint.res_class != nullptr) XFree(hint.res_class);
    }
    if (children != nullptr) XFree(children);
    return found;
  }

  Display* display_;
};

// Pixels of `a` and `b` (same size) whose colour channels differ by more than `tolerance`.
inline int DifferentPixels(cairo_surface_t* a, cairo_surface_t* b, int tolerance = 0) {
  cairo_surface_flush(a);
  cairo_surface_flush(b);
  const int w = cairo_image_surface_get_width(a), h = cairo_image_surface_get_height(a);
  if (w != cairo_image_surface_get_width(b) || h != cairo_image_surface_get_height(b)) return w * h + 1;
  int count = 0;
  for (int row = 0; row < h; ++row) {
    const auto* pa = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(a) + row * cairo_image_surface_get_stride(a));
    const auto* pb = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(b) + row * cairo_image_surface_get_stride(b));
    for (int col = 0; col < w; ++col) {
      for (int shift = 0; shift < 24; shift += 8) {
        const int ca = static_cast<int>((pa[col] >> shift) & 0xFF), cb = static_cast<int>((pb[col] >> shift) & 0xFF);
        if (std::abs(ca - cb) > tolerance) {
          ++count;
          break;
        }
      }
    }
  }
  return count;
}

// Pixels inside the rectangle darker than mid grey: where text or lines are drawn.
inline int DarkPixels(cairo_surface_t* image, int left, int top, int width, int height) {
  cairo_surface_flush(image);
  int count = 0;
  for (int row = top; row < top + height; ++row) {
    const auto* p = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(image) +
                                                      row * cairo_image_surface_get_stride(image));
    for (int col = left; col < left + width; ++col) {
      const uint32_t c = p[col];
      if (((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) < 3 * 128) ++count;
    }
  }
  return count;
}

}  // namespace brelix::testing
