// The editor's window on X11: a child window inside the window a host hands over, on the
// plug-in's own connection (never the host's), showing a picture that Cairo draws in memory.
//
// Nothing happens behind the host's back: events are read and the areas that changed are
// repainted only when the host calls Idle (effEditIdle, 15 to 60 times a second) and the window
// is touched only from that thread. Every call traps the X errors it may cause, so a host whose
// window went away (some destroy it before effEditClose) or an X server that went away never
// brings the host down. A click takes the keyboard focus, so that edit boxes get keys in hosts
// that would keep them; hosts that pass keys through effEditKeyDown instead reach the same
// widgets through HostKeyDown, and a key never arrives by both ways.
#pragma once

#include <X11/Xlib.h>
#include <cairo.h>

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "ui/platform.h"
#include "ui/x11_image_copy.h"
#include "ui/window_client.h"
#include "ui/x11_display.h"

namespace brelix::ui {

class X11ChildWindow final : public XEventTarget, public IPlatform {
 public:
  explicit X11ChildWindow(IWindowClient& client);
  ~X11ChildWindow() override;
  X11ChildWindow(const X11ChildWindow&) = delete;
  X11ChildWindow& operator=(const X11ChildWindow&) = delete;

  // Creates and shows the window inside `parent`, painted. False, with nothing created, when
  // there is no X display or `parent` is not a window.
  bool Open(Window parent);
  // Destroys the window (unless its host destroyed it already).
  void Close();
  bool IsOpen() const { return window_ != 0; }
  Window Handle() const { return window_; }
  // True while the window has the X keyboard focus.
  bool HasKeyboardFocus() const { return has_focus_; }

  // The host's idle call: handles the events that arrived and repaints what changed.
  void Idle();
  // A key the host passes on. True when the editor took it (a widget takes keys); while the
  // window has the keyboard focus the key comes as an X event as well and is not applied twice.
  bool HostKeyDown(const TKeyStroke& key);
  bool HostKeyUp(const TKeyStroke& key);

  // IPlatform, in root-window pixels.
  TSize ScreenSize() override;
  TPoint PointerPosition() override;
  void WarpPointer(TPoint screen) override;
  TShiftState Modifiers() override;

  void HandleEvent(const XEvent& event) override;

 private:
  bool Usable() const;
  void Paint();
  void FollowClientSize();
  void Forget();
  void BeginEvent(int x_root, int y_root, unsigned int state);
  void HandleButton(const XButtonEvent& e, bool press);

  IWindowClient& client_;
  Display* display_ = nullptr;
  Window window_ = 0;
  Visual* visual_ = nullptr;
  TSize size_;
  cairo_surface_t* picture_ = nullptr;  // what the window shows, in memory
  std::unique_ptr<XImageCopy> copy_;    // from the picture to the window
  std::vector<TRect> exposed_;
  bool shown_ = false;  // exposed at least once
  int idle_dispatch_depth_ = -1;  // the dispatch level of the running idle call, -1 outside it
  bool has_focus_ = false;
  // During an X event: the pointer and modifiers it carried.
  bool in_event_ = false;
  TPoint event_pointer_;
  unsigned int event_state_ = 0;
  // Keys the host pressed through the opcode, for their releases.
  std::set<int> host_keys_down_;
};

}  // namespace brelix::ui
