#include "live_window.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "interruption.h"

namespace brelix {

namespace {

constexpr int kNoEditorWidth = 624;
constexpr int kIdleMilliseconds = 20;  // the editor's idle calls, 50 a second
constexpr int kComputerKeyVelocity = 100;

// The key codes of the plug-in interface for the keys that are not characters.
int VirtualKey(KeySym key) {
  switch (key) {
    case XK_BackSpace: return 1;
    case XK_Tab: case XK_ISO_Left_Tab: return 2;
    case XK_Return: return 4;
    case XK_Escape: return 6;
    case XK_space: return 7;
    case XK_End: return 9;
    case XK_Home: return 10;
    case XK_Left: return 11;
    case XK_Up: return 12;
    case XK_Right: return 13;
    case XK_Down: return 14;
    case XK_Page_Up: return 15;
    case XK_Page_Down: return 16;
    case XK_KP_Enter: return 19;
    case XK_Insert: return 21;
    case XK_Delete: return 22;
    default: return 0;
  }
}

// The editor's windows may go between a look at them (the focus, the window tree) and a request
// about them; such an error is no reason to end the program, which Xlib's own handler would.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// Where a window of `width` x `height` goes when `wanted` is its place: whole on the screen
// where it fits, its top left corner on the screen where it does not, so that a place kept from
// a larger screen (or a damaged file) never opens it out of sight.
WindowPosition OnScreen(WindowPosition wanted, int width, int height, int screenWidth, int screenHeight) {
  const auto fit = [](int at, int size, int room) { return std::clamp(at, 0, std::max(0, room - size)); };
  return {fit(wanted.X, width, screenWidth), fit(wanted.Y, height, screenHeight)};
}

int Modifiers(unsigned int state) {
  return ((state & ShiftMask) ? 1 : 0) | ((state & Mod1Mask) ? 2 : 0) | ((state & ControlMask) ? 8 : 0);
}

}  // namespace

LiveWindow::LiveWindow(LivePlugin& plugin, LiveServer& server, std::optional<WindowPosition> position,
                       std::optional<int> lowestKey)
    : plugin_(plugin), server_(server), strip_(kNoEditorWidth) {
  if (lowestKey) strip_.SetBase(*lowestKey);
  display_ = XOpenDisplay(nullptr);
  if (display_ == nullptr) throw std::runtime_error("cannot open the X display; run 'brelix --no-gui' on a box without one");
  XSetErrorHandler(IgnoreXError);
  // A lost connection would end the process inside Xlib, before the state is kept: it ends the
  // window's loop instead, and what follows (the plug-in's close, the kept state) still runs.
  // (The handler before the exit handler would print the loss and end the process itself.)
  XSetIOErrorHandler([](Display*) { return 0; });
  XSetIOErrorExitHandler(display_, [](Display*, void* window) { static_cast<LiveWindow*>(window)->lost_ = true; }, this);
  int width = kNoEditorWidth, height = 0;
  ERect* rect = nullptr;
  plugin_.Dispatch(effEditGetRect, 0, 0, &rect);
  if (rect != nullptr && rect->right > rect->left && rect->bottom > rect->top) {
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
    has_editor_ = true;
  }
  const Window root = DefaultRootWindow(display_);
  const int total = height + KeyboardStrip::kHeight + KeyboardStrip::kStatusHeight;
  const int screen = DefaultScreen(display_);
  if (position) position = OnScreen(*position, width, total, DisplayWidth(display_, screen), DisplayHeight(display_, screen));
  top_ = XCreateSimpleWindow(display_, root, position ? position->X : 0, position ? position->Y : 0, width, total, 0, 0, 0);
  XSelectInput(display_, top_, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
  delete_window_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display_, top_, &delete_window_, 1);
  XClassHint* names = XAllocClassHint();
  names->res_name = const_cast<char*>("brelix");
  names->res_class = const_cast<char*>("Brelix");
  XSetClassHint(display_, top_, names);
  XFree(names);
  XWMHints* hints = XAllocWMHints();
  hints->flags = InputHint;
  hints->input = True;
  XSetWMHints(display_, top_, hints);
  XFree(hints);

  editor_ = XCreateSimpleWindow(display_, top_, 0, 0, width, height > 0 ? height : 1, 0, 0, 0);
  strip_window_ = XCreateSimpleWindow(display_, top_, 0, height, width, KeyboardStrip::kHeight + KeyboardStrip::kStatusHeight, 0, 0, 0);
  XSelectInput(display_, strip_window_,
               ExposureMask | ButtonPressMask | ButtonReleaseMask | Button1MotionMask | KeyPressMask | KeyReleaseMask);
  gc_ = XCreateGC(display_, strip_window_, 0, nullptr);
  Layout(width, height);
  if (position) {
    XSizeHints* size = XAllocSizeHints();
    size->flags = USPosition;
    size->x = position->X;
    size->y = position->Y;
    XSetWMNormalHints(display_, top_, size);
    XFree(size);
  }
  // Held keys repeat as presses alone, not as release-press pairs.
  XkbSetDetectableAutoRepeat(display_, True, nullptr);
  FollowPatchState();
  if (has_editor_) XMapWindow(display_, editor_);
  XMapWindow(display_, strip_window_);
  XMapWindow(display_, top_);
  XSync(display_, False);
  if (has_editor_) plugin_.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(editor_));
  plugin_.AskForKeysBack();
}

LiveWindow::~LiveWindow() {
  if (has_editor_) plugin_.Dispatch(effEditClose);
  ReleaseNotes();
  if (surface_ != nullptr) cairo_surface_destroy(surface_);
  XFreeGC(display_, gc_);
  XDestroyWindow(display_, top_);
  XCloseDisplay(display_);
}

void LiveWindow::Layout(int editorWidth, int editorHeight) {
  editor_height_ = editorHeight;
  const int stripHeight = KeyboardStrip::kHeight + KeyboardStrip::kStatusHeight;
  XResizeWindow(display_, editor_, editorWidth, editorHeight > 0 ? editorHeight : 1);
  XMoveResizeWindow(display_, strip_window_, 0, editorHeight, editorWidth, stripHeight);
  XResizeWindow(display_, top_, editorWidth, editorHeight + stripHeight);
  // The strip is drawn into a picture of its own and copied to its window.
  if (surface_ != nullptr) cairo_surface_destroy(surface_);
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, editorWidth, stripHeight);
  strip_.SetWidth(editorWidth);
  // The window's size is the editor's: a window manager keeps it so.
  XSizeHints* size = XAllocSizeHints();
  size->flags = PMinSize | PMaxSize;
  size->min_width = size->max_width = editorWidth;
  size->min_height = size->max_height = editorHeight + stripHeight;
  XSetWMNormalHints(display_, top_, size);
  XFree(size);
}

void LiveWindow::Run() {
  pollfd connection{ConnectionNumber(display_), POLLIN, 0};
  while (!closed_ && !lost_ && !server_.Ended()) {
    try {
      ThrowIfInterrupted();
    } catch (const Interrupted&) {
      return;
    }
    while (!lost_ && XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      Handle(event);
    }
    if (has_editor_) plugin_.Dispatch(effEditIdle);
    int width = 0, height = 0;
    if (plugin_.TakeWindowSize(width, height)) Layout(width, height);
    KeepFocus();
    server_.Tend();
    FollowPatchState();
    if (StatusText() != status_) DrawStrip();
    XFlush(display_);
    poll(&connection, 1, kIdleMilliseconds);
  }
}

void LiveWindow::Handle(const XEvent& event) {
  switch (event.type) {
    case ClientMessage:
      if (event.xclient.window == top_ && static_cast<Atom>(event.xclient.data.l[0]) == delete_window_) closed_ = true;
      break;
    case Expose:
      if (event.xexpose.window == strip_window_ && event.xexpose.count == 0) DrawStrip();
      break;
    case MapNotify:
      if (event.xmap.window == top_) XSetInputFocus(display_, strip_window_, RevertToParent, CurrentTime);
      break;
    case KeyPress:
    case KeyRelease:
      HandleKey(event.xkey, event.type == KeyPress);
      break;
    case ButtonPress:
      // Any press on the strip gives the keys back to it.
      if (event.xbutton.window == strip_window_) plugin_.ReleaseKeys();
      [[fallthrough]];
    case ButtonRelease:
      if (event.xbutton.window == strip_window_ && event.xbutton.button == Button1)
        HandleButton(event.xbutton.x, event.xbutton.y, event.type == ButtonPress, false);
      break;
    case MotionNotify:
      if (event.xmotion.window == strip_window_) HandleButton(event.xmotion.x, event.xmotion.y, true, true);
      break;
    default:
      break;
  }
}

// The keyboard focus stays on the strip's window: with the focus on the window itself the
// server would hand a key to the editor's window whenever the pointer is over it. The editor
// takes the focus when it is clicked, and the window manager gives it to the top-level window;
// both are taken back, so that every key comes here and goes to the editor through the plug-in
// interface first.
void LiveWindow::KeepFocus() {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  if (focus == strip_window_ || focus == None || focus == PointerRoot) return;
  for (Window window = focus; window != 0;) {
    if (window == top_) {
      XSetInputFocus(display_, strip_window_, RevertToParent, CurrentTime);
      return;
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display_, window, &root, &parent, &children, &count) == 0) return;
    if (children != nullptr) XFree(children);
    if (parent == root) return;
    window = parent;
  }
}

void LiveWindow::HandleKey(const XKeyEvent& event, bool press) {
  XKeyEvent copy = event;
  char text[8] = {};
  KeySym symbol = 0;
  const int length = XLookupString(&copy, text, sizeof text, &symbol, nullptr);
  const KeySym plain = XLookupKeysym(&copy, 0);
  const int virt = VirtualKey(symbol);
  const int character = virt == 0 && length == 1 ? static_cast<unsigned char>(text[0]) : 0;
  const int modifiers = Modifiers(event.state);
  const bool taken = (virt != 0 || character != 0) &&
                     plugin_.Dispatch(press ? effEditKeyDown : effEditKeyUp, character, virt, nullptr,
                                      static_cast<float>(modifiers)) != 0;
  if (!press) {
    if (const auto held = keys_down_.find(plain); held != keys_down_.end()) {
      NoteOff(held->second);
      keys_down_.erase(held);
    }
    return;
  }
  if (taken || (modifiers & ~1) != 0 || keys_down_.contains(plain)) return;
  if (const std::optional<int> offset = KeyboardStrip::PianoKeyOffset(plain)) {
    const int note = strip_.Base() + *offset;
    if (note > 127) return;
    keys_down_[plain] = note;
    NoteOn(note, kComputerKeyVelocity);
  }
}

void LiveWindow::HandleButton(int x, int y, bool press, bool motion) {
  if (!press) {
    if (mouse_note_) NoteOff(*mouse_note_);
    mouse_note_.reset();
    return;
  }
  const std::optional<KeyboardStrip::Hit> hit = strip_.At(x, y);
  if (motion) {  // a glide over the keys plays each one it reaches
    if (!mouse_note_ || !hit || hit->What != KeyboardStrip::Hit::Kind::Key || hit->Note == *mouse_note_) return;
    NoteOff(*mouse_note_);
    mouse_note_ = hit->Note;
    NoteOn(hit->Note, hit->Velocity);
    return;
  }
  if (!hit) return;
  switch (hit->What) {
    case KeyboardStrip::Hit::Kind::OctaveDown:
    case KeyboardStrip::Hit::Kind::OctaveUp:
      if (strip_.ShiftOctave(hit->What == KeyboardStrip::Hit::Kind::OctaveUp ? 1 : -1)) DrawStrip();
      break;
    case KeyboardStrip::Hit::Kind::Key:
      mouse_note_ = hit->Note;
      NoteOn(hit->Note, hit->Velocity);
      break;
  }
}

void LiveWindow::NoteOn(int note, int velocity) {
  if (!server_.PostMidi(static_cast<uint8_t>(0x90 | channel_), static_cast<uint8_t>(note), static_cast<uint8_t>(velocity))) return;
  sounding_.insert(note);
  DrawStrip();
}

void LiveWindow::NoteOff(int note) {
  server_.PostMidi(static_cast<uint8_t>(0x80 | channel_), static_cast<uint8_t>(note), 0);
  if (const auto it = sounding_.find(note); it != sounding_.end()) sounding_.erase(it);
  DrawStrip();
}

// Every note the window holds ends, on the channel it was played on.
void LiveWindow::ReleaseNotes() {
  for (int note : std::set<int>(sounding_.begin(), sounding_.end())) NoteOff(note);
  sounding_.clear();
  mouse_note_.reset();
  keys_down_.clear();
}

void LiveWindow::FollowPatchState() {
  const std::optional<LivePlugin::PatchState> state = plugin_.QueryPatchState();
  if (!state) return;
  if (state->Channel != channel_) {
    ReleaseNotes();
    channel_ = state->Channel;
  }
  const std::string name = std::filesystem::path(state->PatchFile).filename().string();
  const std::string title = (state->Modified ? "*" : "") + (name.empty() ? "(no patch file)" : name) + " - Brelix";
  if (title == title_) return;
  title_ = title;
  XStoreName(display_, top_, title.c_str());
  const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
  XChangeProperty(display_, top_, XInternAtom(display_, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title.data()), static_cast<int>(title.size()));
}

std::string LiveWindow::StatusText() const {
  // Silent keys are explained first: a value box has them, or no server plays.
  if (const std::optional<std::string> taker = plugin_.KeyTaker()) {
    if (taker->empty()) return "a list has the keys: Enter or Escape gives them back to the keyboard";
    return "typing into " + *taker + ": Enter or Escape gives the keys back to the keyboard";
  }
  if (!server_.Playing()) return "the JACK server went away: waiting for it to come back";
  char text[160];
  std::snprintf(text, sizeof text, "%s   %.0f Hz   %d frames   channel %d   xruns %llu", server_.ClientName().c_str(),
                server_.SampleRate(), server_.BlockSize(), channel_ + 1,
                static_cast<unsigned long long>(server_.Xruns()));
  return text;
}

void LiveWindow::DrawStrip() {
  status_ = StatusText();
  cairo_t* cairo = cairo_create(surface_);
  strip_.Draw(cairo, std::set<int>(sounding_.begin(), sounding_.end()), status_);
  cairo_destroy(cairo);
  cairo_surface_flush(surface_);
  const int width = cairo_image_surface_get_width(surface_), height = cairo_image_surface_get_height(surface_);
  XImage* image = XCreateImage(display_, DefaultVisual(display_, DefaultScreen(display_)), 24, ZPixmap, 0,
                               reinterpret_cast<char*>(cairo_image_surface_get_data(surface_)), width, height, 32,
                               cairo_image_surface_get_stride(surface_));
  if (image == nullptr) return;
  XPutImage(display_, strip_window_, gc_, image, 0, 0, 0, 0, width, height);
  image->data = nullptr;  // the pixels are the surface's
  XDestroyImage(image);
}

std::optional<WindowPosition> LiveWindow::Position() const {
  if (lost_) return std::nullopt;
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(display_, top_, DefaultRootWindow(display_), 0, 0, &x, &y, &child);
  // A window manager's frame stands left of and above the window: the place kept is the frame's.
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display_, top_, XInternAtom(display_, "_NET_FRAME_EXTENTS", False), 0, 4, False, XA_CARDINAL,
                         &type, &format, &count, &after, &data) == Success && data != nullptr) {
    if (format == 32 && count == 4) {
      const auto* extents = reinterpret_cast<const long*>(data);
      x -= static_cast<int>(extents[0]);
      y -= static_cast<int>(extents[2]);
    }
    XFree(data);
  }
  return WindowPosition{x, y};
}

}  // namespace brelix
