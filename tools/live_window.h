// The standalone program's window: the plug-in's editor in a top-level window titled with the
// patch name ("*" in front while it has changed), the keyboard strip below it and a status line
// with the server's rate, block size and xruns. Title and the strip's channel follow what the
// instance plays, also after a patch loaded or a channel chosen in the editor. Closing the
// window quits.
//
// The window keeps the keyboard focus, as many hosts do, and hands every key to the editor
// (effEditKeyDown/effEditKeyUp) first: a value box or list that has the editor's focus takes
// it; a key it leaves plays the strip. The editor gives the keys back after Enter or Escape in
// a value box and after a click outside its boxes; a click on the strip (its keys, its octave
// buttons, the status line) takes them back too. While a box has them the status line says so.
#pragma once

#include <X11/Xlib.h>
#include <cairo.h>

#include <map>
#include <optional>
#include <set>
#include <string>

#include "live_server.h"
#include "keyboard_strip.h"
#include "live_plugin.h"
#include "live_state.h"

namespace brelix {

class LiveWindow {
 public:
  // Throws std::runtime_error when there is no X display.
  // `lowestKey`: the strip's lowest key as kept (a C; none: C3).
  LiveWindow(LivePlugin& plugin, LiveServer& server, std::optional<WindowPosition> position, std::optional<int> lowestKey);
  ~LiveWindow();
  LiveWindow(const LiveWindow&) = delete;
  LiveWindow& operator=(const LiveWindow&) = delete;

  // Runs until the window is closed, Ctrl-C or SIGTERM comes, the X display goes away or the
  // server does and the program is to end with it.
  void Run();
  // True once the connection to the X server is lost (the server ended or crashed).
  bool DisplayLost() const { return lost_; }
  // Where the window's frame stands on the screen; nothing once the display is lost.
  std::optional<WindowPosition> Position() const;
  // The strip's lowest key.
  int LowestKey() const { return strip_.Base(); }

 private:
  void Handle(const XEvent& event);
  void HandleKey(const XKeyEvent& key, bool press);
  void HandleButton(int x, int y, bool press, bool motion);
  void NoteOn(int note, int velocity);
  void NoteOff(int note);
  void KeepFocus();
  void Layout(int editorWidth, int editorHeight);
  // The title and the strip's channel from the instance's patch state.
  void FollowPatchState();
  void ReleaseNotes();
  void DrawStrip();
  std::string StatusText() const;

  LivePlugin& plugin_;
  LiveServer& server_;
  int channel_ = 0;
  Display* display_ = nullptr;
  Window top_ = 0, editor_ = 0, strip_window_ = 0;
  Atom delete_window_ = 0;
  cairo_surface_t* surface_ = nullptr;  // the strip's picture
  GC gc_ = nullptr;
  KeyboardStrip strip_;
  int editor_height_ = 0;
  bool has_editor_ = false;
  bool closed_ = false;
  bool lost_ = false;
  std::string title_, status_;
  std::multiset<int> sounding_;
  std::map<unsigned long, int> keys_down_;  // key symbol -> the note it plays
  std::optional<int> mouse_note_;
};

}  // namespace brelix
