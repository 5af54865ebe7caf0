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
  std::unordered_map<Window, XEventTarget*> windows;
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

// The error trap's state; a trap lives inside one call on the user-interface thread.
XErrorHandler previous_handler = nullptr;
bool trapped_error = false;

int TrapHandler(Display* display, XErrorEvent* error) {
  if (display == connection.display) {
    trapped_error = true;
    return 0;
  }
  return previous_handler != nullptr ? previous_handler(display, error) : 0;
}

}  // namespace

bool UiDisplayOpen(const char* display_name) {
  if (connection.display == nullptr && !connection.tried) {
    connection.tried = true;
    connection.display = XOpenDisplay(display_name);
  }
  return connection.display != nullptr;
}

Display* UiDisplay() { return connection.display; }

void RegisterWindow(Window window, XEventTarget* target) { connection.windows[window] = target; }

void UnregisterWindow(Window window) { connection.windows.erase(window); }

void DispatchPendingEvents(Window input_window) {
  Display* display = connection.display;
  if (display == nullptr) return;
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    if (IsInput(event.type) && input_window != kInputToAll && event.xany.window != input_window) continue;
    auto found = connection.windows.find(event.xany.window);
    if (found != connection.windows.end()) found->second->HandleEvent(event);
  }
}

bool WaitForEvents(int timeout_ms) {
  Display* display = connection.display;
  if (display == nullptr) return false;
  if (XPending(display) > 0) return true;
  pollfd fd{ConnectionNumber(display), POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&fd, 1, timeout_ms);
  } while (ready < 0 && errno == EINTR);
  return ready > 0 && XPending(display) > 0;
}

Atom UiAtom(const char* name) { return XInternAtom(connection.display, name, False); }

XErrorTrap::XErrorTrap() {
  if (connection.display != nullptr) XSync(connection.display, False);
  trapped_error = false;
  previous_handler = XSetErrorHandler(&TrapHandler);
}

XErrorTrap::~XErrorTrap() {
  Sync();
  XSetErrorHandler(previous_handler);
  previous_handler = nullptr;
}

bool XErrorTrap::Sync() {
  if (connection.display != nullptr) XSync(connection.display, False);
  return !trapped_error;
}

}  // namespace brelix::ui
