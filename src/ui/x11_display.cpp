#include "ui/x11_display.h"

#include <poll.h>

#include <cerrno>
#include <unordered_map>

namespace brelix::ui {

namespace {

// The connection and its windows: touched on the user-interface thread only.
struct Connection {
  ~Connection() {
    if (display != nullptr) XCloseDisplay(display);
  }
  Display* display = nullptr;
  bool tried = false;
  bool lost = false;  // the X server went away; the connection is left alone from then on
  std::unordered_map<Window, XEventTarget*> windows;
  Window input_owner = kInputToAll;
};

Connection connection;

bool IsInput(int type) {
  switch (type) {
    case KeyPress:
    case KeyRelease:
    case ButtonPress:
    case ButtonRelease:
    case MotionNotify:
    case EnterNotify:
    case LeaveNotify:
      return true;
    default:
      return false;
  }
}

// The error trap's state; traps live inside calls on the user-interface thread.
XErrorHandler previous_handler = nullptr;
XIOErrorHandler previous_io_handler = nullptr;
int trap_depth = 0;
bool trapped_error = false;

int TrapHandler(Display* display, XErrorEvent* error) {
  if (display == connection.display) {
    trapped_error = true;
    return 0;
  }
  return previous_handler != nullptr ? previous_handler(display, error) : 0;
}

// Returning from here (and from the exit handler below) keeps Xlib from ending the process; the
// connection then answers nothing more.
int TrapIOHandler(Display* display) {
  if (display == connection.display) {
    connection.lost = true;
    return 0;
  }
  return previous_io_handler != nullptr ? previous_io_handler(display) : 0;
}

void ConnectionLost(Display*, void*) { connection.lost = true; }

bool Alive() { return connection.display != nullptr && !connection.lost; }

}  // namespace

bool UiDisplayOpen(const char* display_name) {
  if (connection.display == nullptr && !connection.tried) {
    connection.tried = true;
    connection.display = XOpenDisplay(display_name);
    if (connection.display != nullptr) XSetIOErrorExitHandler(connection.display, &ConnectionLost, nullptr);
  }
  return Alive();
}

Display* UiDisplay() { return Alive() ? connection.display : nullptr; }

void RegisterWindow(Window window, XEventTarget* target) { connection.windows[window] = target; }

void UnregisterWindow(Window window) { connection.windows.erase(window); }

void SetInputOwner(Window window) { connection.input_owner = window; }

Window InputOwner() { return connection.input_owner; }

namespace {
int dispatch_depth = 0;

struct DispatchLevel {
  DispatchLevel() { ++dispatch_depth; }
  ~DispatchLevel() { --dispatch_depth; }
  DispatchLevel(const DispatchLevel&) = delete;
  DispatchLevel& operator=(const DispatchLevel&) = delete;
};
}  // namespace

int DispatchDepth() { return dispatch_depth; }

void DispatchPendingEvents(Window input_window) {
  Display* display = UiDisplay();
  if (display == nullptr) return;
  if (input_window == kInputToAll) input_window = connection.input_owner;
  DispatchLevel level;
  XErrorTrap trap;
  while (UiDisplay() != nullptr && XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (IsInput(event.type) && input_window != kInputToAll && event.xany.window != input_window) continue;
    auto found = connection.windows.find(event.xany.window);
    if (found != connection.windows.end()) found->second->HandleEvent(event);
  }
}

bool WaitForEvents(int timeout_ms) {
  Display* display = UiDisplay();
  if (display == nullptr) return false;
  XErrorTrap trap;
  if (XPending(display) > 0) return true;
  pollfd fd{ConnectionNumber(display), POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&fd, 1, timeout_ms);
  } while (ready < 0 && errno == EINTR);
  return ready > 0 && UiDisplay() != nullptr && XPending(display) > 0;
}

TSize UiScreenSize() {
  if (!Alive()) return {0, 0};
  const int screen = DefaultScreen(connection.display);
  return {DisplayWidth(connection.display, screen), DisplayHeight(connection.display, screen)};
}

Atom UiAtom(const char* name) { return Alive() ? XInternAtom(connection.display, name, False) : None; }

XErrorTrap::XErrorTrap() : outer_error_(trapped_error) {
  if (trap_depth++ == 0) {
    previous_handler = XSetErrorHandler(&TrapHandler);
    previous_io_handler = XSetIOErrorHandler(&TrapIOHandler);
  }
  // Errors of earlier requests are not this trap's.
  if (Alive()) XSync(connection.display, False);
  trapped_error = false;
}

XErrorTrap::~XErrorTrap() {
  Sync();
  trapped_error = outer_error_;
  if (--trap_depth == 0) {
    XSetErrorHandler(previous_handler);
    XSetIOErrorHandler(previous_io_handler);
    previous_handler = nullptr;
    previous_io_handler = nullptr;
  }
}

bool XErrorTrap::Sync() {
  if (Alive()) XSync(connection.display, False);
  return !trapped_error && Alive();
}

}  // namespace brelix::ui
