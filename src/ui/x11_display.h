// The plug-in's own connection to the X server, and the dispatch of its events to our windows.
//
// One connection per process, opened once and used only on the host's user-interface thread.
// Events are not pumped by a loop of our own: modal boxes wait for them while they are shown,
// and the editor pumps them when the host calls its idle entry.
#pragma once

#include <X11/Xlib.h>

#include "ui/geometry.h"

namespace brelix::ui {

// A window of ours that receives its events.
class XEventTarget {
 public:
  virtual ~XEventTarget() = default;
  virtual void HandleEvent(const XEvent& event) = 0;
};

// Opens the connection to `display_name` (none: $DISPLAY) unless one is open. True when a
// connection is open afterwards.
bool UiDisplayOpen(const char* display_name);
// The open connection, or null (none was opened, or the X server went away).
Display* UiDisplay();

void RegisterWindow(Window window, XEventTarget* target);
void UnregisterWindow(Window window);

// Who gets keyboard and mouse input while events are dispatched: every window, one window only
// (a modal box), or none (while a dialog program runs). Expose and structure events always pass.
constexpr Window kInputToAll = 0;
constexpr Window kInputToNone = ~Window{0};

// The window that takes the input of all our windows while a dialog of ours runs without a loop
// of its own (kInputToNone while a dialog program runs; kInputToAll: none holds it). A dispatch
// for all windows then passes input only to it.
void SetInputOwner(Window window);
Window InputOwner();

// Gives the input to `window` (or kInputToNone) for its lifetime, then back to its owner before.
class InputOwnerScope {
 public:
  explicit InputOwnerScope(Window window) : previous_(InputOwner()) { SetInputOwner(window); }
  ~InputOwnerScope() { SetInputOwner(previous_); }
  InputOwnerScope(const InputOwnerScope&) = delete;
  InputOwnerScope& operator=(const InputOwnerScope&) = delete;

 private:
  Window previous_;
};

// Handles every event that has arrived.
void DispatchPendingEvents(Window input_window = kInputToAll);
// How many DispatchPendingEvents calls are running on the stack (a modal loop inside a handler
// makes two).
int DispatchDepth();
// Waits until an event can be read or `timeout_ms` has passed (negative: no limit). True when
// an event is waiting.
bool WaitForEvents(int timeout_ms);

// The default screen's size in pixels; 0 x 0 without a connection.
TSize UiScreenSize();

// An atom of the connection, made when it does not exist yet.
Atom UiAtom(const char* name);

// Collects the X errors that requests of our connection cause between its construction and
// Sync(), instead of letting the default handler end the process; errors of other connections
// in the process go on to the handler that was installed before. While a trap lives, losing the
// X server marks our connection as gone (UiDisplay() becomes null) instead of ending the host.
// Traps nest; the outermost one puts the host's handlers back.
class XErrorTrap {
 public:
  XErrorTrap();
  ~XErrorTrap();
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;
  // Waits for the server to answer every request so far; true when none of them failed.
  bool Sync();

 private:
  bool outer_error_;  // what an enclosing trap had collected before this one
};

}  // namespace brelix::ui
