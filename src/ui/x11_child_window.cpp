#include "ui/x11_child_window.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>

#include "ui/x11_image_copy.h"
#include "ui/x11_keys.h"

namespace brelix::ui {

namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

uint32_t FirstPixel(cairo_surface_t* image) {
  cairo_surface_flush(image);
  return *reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(image)) & 0xFFFFFF;
}

// Opaque pixels with an alpha byte, for windows of 32-bit visuals too.
cairo_surface_t* NewPicture(TSize size) {
  return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.width, size.height);
}

constexpr long kEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                            KeyReleaseMask | LeaveWindowMask | FocusChangeMask | StructureNotifyMask;

}  // namespace

X11ChildWindow::X11ChildWindow(IWindowClient& client) : client_(client) {}

X11ChildWindow::~X11ChildWindow() { Close(); }

bool X11ChildWindow::Usable() const { return window_ != 0 && UiDisplay() == display_; }

bool X11ChildWindow::Open(Window parent) {
  Close();
  if (parent == 0 || !UiDisplayOpen(nullptr)) return false;
  display_ = UiDisplay();
  XErrorTrap trap;
  XWindowAttributes host{};
  if (XGetWindowAttributes(display_, parent, &host) == 0 || !trap.Sync() || host.c_class != InputOutput) return false;

  visual_ = host.visual;
  size_ = client_.DeviceSize();
  if (size_.width <= 0 || size_.height <= 0) return false;
  client_.AttachPlatform(this);
  client_.InvalidateAll();
  picture_ = NewPicture(size_);
  cairo_t* cr = cairo_create(picture_);
  client_.PaintDirty(cr);
  cairo_destroy(cr);

  // Until the first copy, the server fills the window with the picture's background colour.
  XSetWindowAttributes attributes{};
  attributes.background_pixel = PixelOfRgb(visual_, FirstPixel(picture_));
  attributes.border_pixel = 0;
  attributes.colormap = host.colormap;
  attributes.event_mask = kEventMask;
  window_ = XCreateWindow(display_, parent, 0, 0, static_cast<unsigned>(size_.width),
                          static_cast<unsigned>(size_.height), 0, host.depth, InputOutput, visual_,
                          CWBackPixel | CWBorderPixel | CWColormap | CWEventMask, &attributes);
  if (!trap.Sync() || window_ == 0) {
    window_ = 0;
    cairo_surface_destroy(picture_);
    picture_ = nullptr;
    client_.AttachPlatform(nullptr);
    return false;
  }
  copy_ = std::make_unique<XImageCopy>(display_, window_, visual_, host.depth);
  RegisterWindow(window_, this);
  XMapWindow(display_, window_);
  if (trap.Sync()) return true;
  Close();
  return false;
}

void X11ChildWindow::Close() {
  if (window_ == 0) return;
  if (UiDisplay() != display_) {
    Forget();
    return;
  }
  XErrorTrap trap;
  // A host may have destroyed its window, and ours with it, before closing the editor.
  XEvent gone;
  const bool destroyed = XCheckTypedWindowEvent(display_, window_, DestroyNotify, &gone) != 0;
  const Window window = window_;
  Forget();
  if (!destroyed) XDestroyWindow(display_, window);
}

void X11ChildWindow::Forget() {
  if (window_ == 0) return;
  UnregisterWindow(window_);
  {
    XErrorTrap trap;
    copy_.reset();
  }
  if (picture_ != nullptr) cairo_surface_destroy(picture_);
  picture_ = nullptr;
  window_ = 0;
  shown_ = false;
  has_focus_ = false;
  exposed_.clear();
  host_keys_down_.clear();
  client_.AttachPlatform(nullptr);
}

// ---- the idle call ----------------------------------------------------------------------------

void X11ChildWindow::Idle() {
  if (window_ == 0) return;
  if (!Usable()) {
    Forget();
    return;
  }
  XErrorTrap trap;
  // The exposures of this dispatch are merged and painted once, below.
  idle_dispatch_depth_ = DispatchDepth() + 1;
  DispatchPendingEvents();
  idle_dispatch_depth_ = -1;
  if (!Usable()) return;
  client_.Tick(NowMs());
  FollowClientSize();
  Paint();
}

void X11ChildWindow::FollowClientSize() {
  const TSize size = client_.DeviceSize();
  if (size == size_ || size.width <= 0 || size.height <= 0) return;
  size_ = size;
  XResizeWindow(display_, window_, static_cast<unsigned>(size.width), static_cast<unsigned>(size.height));
  cairo_surface_destroy(picture_);
  picture_ = NewPicture(size);
  client_.InvalidateAll();
}

void X11ChildWindow::Paint() {
  std::vector<TRect> areas;
  if (client_.NeedsPaint()) {
    cairo_t* cr = cairo_create(picture_);
    areas = client_.PaintDirty(cr);
    cairo_destroy(cr);
    cairo_surface_flush(picture_);
  }
  // The exposures gathered since the last paint, merged into the one area that covers them.
  if (!exposed_.empty()) {
    TRect merged = exposed_.front();
    for (const TRect& r : exposed_) {
      merged.left = std::min(merged.left, r.left);
      merged.top = std::min(merged.top, r.top);
      merged.right = std::max(merged.right, r.right);
      merged.bottom = std::max(merged.bottom, r.bottom);
    }
    areas.push_back(merged);
    exposed_.clear();
  }
  for (const TRect& r : areas) copy_->Copy(picture_, r);
  if (!areas.empty()) XFlush(display_);
}

// ---- events -----------------------------------------------------------------------------------

void X11ChildWindow::BeginEvent(int x_root, int y_root, unsigned int state) {
  in_event_ = true;
  event_pointer_ = {x_root, y_root};
  event_state_ = state;
}

void X11ChildWindow::HandleButton(const XButtonEvent& e, bool press) {
  BeginEvent(e.x_root, e.y_root, e.state);
  const TShiftState shift = ShiftOfState(e.state);
  const TPoint point{e.x, e.y};
  if (e.button == Button4 || e.button == Button5) {
    if (press) client_.MouseWheel(e.button == Button4 ? 1 : -1, shift, point);
    return;
  }
  TMouseButton button;
  switch (e.button) {
    case Button1: button = TMouseButton::Left; break;
    case Button2: button = TMouseButton::Middle; break;
    case Button3: button = TMouseButton::Right; break;
    default: return;
  }
  if (press) {
    // The window is viewable: it was just clicked.
    XSetInputFocus(display_, window_, RevertToParent, e.time);
    client_.MouseDown(button, shift, point, static_cast<int64_t>(e.time));
  } else {
    client_.MouseUp(button, shift, point);
  }
}

void X11ChildWindow::HandleEvent(const XEvent& event) {
  if (window_ == 0 || event.xany.window != window_) return;
  switch (event.type) {
    case Expose:
      exposed_.push_back(TRect::FromSize(event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height));
      if (event.xexpose.count == 0) {
        // From now on the picture covers every exposed area without the server's fill first.
        if (!shown_) XSetWindowBackgroundPixmap(display_, window_, None);
        shown_ = true;
        // Painted at once only outside this window's own idle dispatch (a modal box's loop).
        if (DispatchDepth() != idle_dispatch_depth_) Paint();
      }
      break;
    case ButtonPress:
    case ButtonRelease:
      HandleButton(event.xbutton, event.type == ButtonPress);
      break;
    case MotionNotify: {
      // Of moves that follow each other only the last counts; a press or release in between
      // keeps its place.
      XEvent latest = event;
      XEvent next;
      while (XEventsQueued(display_, QueuedAlready) > 0 && XPeekEvent(display_, &next) != 0 &&
             next.type == MotionNotify && next.xany.window == window_)
        XNextEvent(display_, &latest);
      BeginEvent(latest.xmotion.x_root, latest.xmotion.y_root, latest.xmotion.state);
      client_.MouseMove(ShiftOfState(latest.xmotion.state), {latest.xmotion.x, latest.xmotion.y});
      break;
    }
    case LeaveNotify:
      if (event.xcrossing.mode == NotifyNormal) client_.MouseLeave();
      break;
    case KeyPress:
    case KeyRelease: {
      BeginEvent(event.xkey.x_root, event.xkey.y_root, event.xkey.state);
      const TKeyStroke key = TranslateKeyEvent(event.xkey);
      if (event.type == KeyRelease) {
        client_.KeyUp(key.Key, key.Shift);
      } else {
        client_.KeyDown(key.Key, key.Shift);
        if (key.Char != 0 && window_ != 0) client_.KeyChar(key.Char);
      }
      break;
    }
    case FocusIn:
      if (event.xfocus.detail != NotifyPointer) has_focus_ = true;
      break;
    case FocusOut:
      if (event.xfocus.detail != NotifyPointer && event.xfocus.detail != NotifyInferior) has_focus_ = false;
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window == window_) Forget();
      break;
    default:
      break;
  }
  in_event_ = false;
}

bool X11ChildWindow::HostKeyDown(const TKeyStroke& key) {
  // While a dialog of ours holds the input the editor takes no keys; the host keeps them.
  if (!Usable() || !client_.TakesKey(key.Key) || InputOwner() != kInputToAll) return false;
  if (has_focus_) return true;  // the same key arrives as an X event
  host_keys_down_.insert(key.Key);
  client_.KeyDown(key.Key, key.Shift);
  if (key.Char != 0) client_.KeyChar(key.Char);
  return true;
}

bool X11ChildWindow::HostKeyUp(const TKeyStroke& key) {
  if (!Usable()) return false;
  const bool pressed_here = host_keys_down_.erase(key.Key) > 0;
  if (!pressed_here) return has_focus_ && client_.TakesKey(key.Key);
  client_.KeyUp(key.Key, key.Shift);
  return true;
}

// ---- platform ---------------------------------------------------------------------------------

TSize X11ChildWindow::ScreenSize() {
  if (UiDisplay() == nullptr || display_ == nullptr) return {1, 1};
  const int screen = DefaultScreen(display_);
  return {DisplayWidth(display_, screen), DisplayHeight(display_, screen)};
}

TPoint X11ChildWindow::PointerPosition() {
  if (in_event_) return event_pointer_;
  if (UiDisplay() == nullptr || display_ == nullptr) return {};
  XErrorTrap trap;
  Window root, child;
  int x = 0, y = 0, wx, wy;
  unsigned int mask;
  XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &x, &y, &wx, &wy, &mask);
  return {x, y};
}

void X11ChildWindow::WarpPointer(TPoint screen) {
  if (!Usable()) return;
  XErrorTrap trap;
  XWarpPointer(display_, None, DefaultRootWindow(display_), 0, 0, 0, 0, screen.x, screen.y);
  // Where the pointer really is now: a server may refuse the move.
  const bool was_in_event = in_event_;
  in_event_ = false;
  const TPoint actual = PointerPosition();
  in_event_ = was_in_event;
  if (in_event_) event_pointer_ = actual;
}

TShiftState X11ChildWindow::Modifiers() {
  if (in_event_) return ShiftOfState(event_state_);
  if (UiDisplay() == nullptr || display_ == nullptr) return {};
  XErrorTrap trap;
  Window root, child;
  int x, y, wx, wy;
  unsigned int mask = 0;
  XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &x, &y, &wx, &wy, &mask);
  return ShiftOfState(mask);
}

}  // namespace brelix::ui
