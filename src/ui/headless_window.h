// The backend without a display: the window is a Cairo image in memory, input is synthetic, and
// the "screen" around it is a rectangle of a chosen size with the window at a chosen place. Every
// widget behaviour is tested through it, and pages are drawn to PNG with it anywhere.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/canvas.h"
#include "ui/platform.h"
#include "ui/window_client.h"

namespace brelix::ui {

// A screen with a pointer and modifier keys that the test sets; pointer moves that the widgets
// make are recorded and, unless `WarpFails`, carried out.
class HeadlessPlatform final : public IPlatform {
 public:
  TSize ScreenSize() override { return Screen; }
  TPoint PointerPosition() override { return Pointer; }
  void WarpPointer(TPoint screen) override;
  TShiftState Modifiers() override { return Keys; }

  TSize Screen{1920, 1080};
  TPoint Pointer;
  TShiftState Keys;
  bool WarpFails = false;  // as under XWayland outside the application's own window
  std::vector<TPoint> Warps;
};

class HeadlessWindow {
 public:
  // The window shows `client` at `origin` on the screen (device pixels).
  explicit HeadlessWindow(IWindowClient& client, TPoint origin = {100, 100});
  ~HeadlessWindow();
  HeadlessWindow(const HeadlessWindow&) = delete;
  HeadlessWindow& operator=(const HeadlessWindow&) = delete;

  HeadlessPlatform& Platform() { return platform_; }

  // Input at device pixels inside the window; the pointer and the modifier keys follow it. Each
  // event happens `kEventGapMs` after the previous one unless the clock is moved on.
  static constexpr int64_t kEventGapMs = 20;
  void MouseDown(int x, int y, TMouseButton button = TMouseButton::Left, TShiftState shift = {});
  void MouseUp(int x, int y, TMouseButton button = TMouseButton::Left, TShiftState shift = {});
  void MouseMove(int x, int y, TShiftState shift = {});
  void Click(int x, int y, TMouseButton button = TMouseButton::Left, TShiftState shift = {});
  void DoubleClick(int x, int y);
  void Wheel(int x, int y, int steps, TShiftState shift = {});
  void Leave();
  // A key with its character, pressed and released.
  void Key(int key, char c = 0, TShiftState shift = {});
  void KeyDown(int key, char c = 0, TShiftState shift = {});
  void KeyUp(int key, TShiftState shift = {});
  // Each character as a key stroke ("0".."9", ".", "-", "/", "$", letters, "\r" for Enter).
  void Type(std::string_view text);

  // The host's idle call after `ms` milliseconds: ticks the client and paints what changed.
  void Idle(int64_t ms = 0);
  int64_t Now() const { return now_ms_; }

  // The window's picture (after Idle) and single pixels of it, as settings colours (0x00BBGGRR).
  cairo_surface_t* Image() const { return image_; }
  TColor Pixel(int x, int y) const;
  // The areas the last Idle painted.
  const std::vector<TRect>& LastPainted() const { return last_painted_; }
  bool WritePng(const std::string& file) const;

 private:
  void MovePointer(int x, int y, TShiftState shift);

  IWindowClient& client_;
  HeadlessPlatform platform_;
  TPoint origin_;
  cairo_surface_t* image_;
  int64_t now_ms_ = 1000;
  std::vector<TRect> last_painted_;
};

}  // namespace brelix::ui
