// Widgets on a form that the headless backend shows: an editor-sized form (624 x 557) with a
// page box below a 19-pixel strip, as the editor's pages sit, and widget settings of the test's
// choosing (the settings file's defaults unless changed). Points are given in a widget's own
// coordinates and travel through the form as the user's pointer would.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "toolkit/toolkit.h"
#include "ui/headless_window.h"

namespace brelix::testing {

// The widget settings for the lifetime of the object; the previous ones come back afterwards.
class ScopedWidgetSettings {
 public:
  explicit ScopedWidgetSettings(const TSharedSettings& settings = {}) : saved_(WidgetSettings()) {
    SetWidgetSettings(settings);
  }
  ~ScopedWidgetSettings() { SetWidgetSettings(saved_); }
  ScopedWidgetSettings(const ScopedWidgetSettings&) = delete;
  ScopedWidgetSettings& operator=(const ScopedWidgetSettings&) = delete;

 private:
  TSharedSettings saved_;
};

class WidgetFixture : public ::testing::Test {
 protected:
  static constexpr int kFormWidth = 624, kFormHeight = 557, kStripHeight = 19;

  WidgetFixture() {
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, kFormWidth, kFormHeight);
    form->Color = Colors().WindowColor;
    page = new XScrollBox(form.get());
    page->SetBounds(0, kStripHeight, kFormWidth, kFormHeight - kStripHeight);
    page->SetParent(form.get());
    window = std::make_unique<ui::HeadlessWindow>(form->WindowClient());
  }
  ~WidgetFixture() override {
    window.reset();
    form.reset();
  }

  static const TEditorColors& Colors() { return WidgetSettings().Colors; }
  // Settings read while the user acts (Shortcuts, TouchScreen, Microscope) can change any time.
  template <typename Change>
  static void ChangeSettings(Change change) {
    TSharedSettings s = WidgetSettings();
    change(s);
    SetWidgetSettings(s);
  }

  static TPoint At(const TWidget& w, int x, int y) {
    const TPoint origin = w.FormOrigin();
    return {origin.x + x, origin.y + y};
  }
  void Press(const TWidget& w, int x, int y, ui::TMouseButton b = ui::TMouseButton::Left, TShiftState s = {}) {
    const TPoint p = At(w, x, y);
    window->MouseDown(p.x, p.y, b, s);
  }
  void Move(const TWidget& w, int x, int y, TShiftState s = {}) {
    const TPoint p = At(w, x, y);
    window->MouseMove(p.x, p.y, s);
  }
  void Release(const TWidget& w, int x, int y, ui::TMouseButton b = ui::TMouseButton::Left, TShiftState s = {}) {
    const TPoint p = At(w, x, y);
    window->MouseUp(p.x, p.y, b, s);
  }
  void Click(const TWidget& w, int x, int y, ui::TMouseButton b = ui::TMouseButton::Left, TShiftState s = {}) {
    Press(w, x, y, b, s);
    Release(w, x, y, b, s);
  }
  // The pixel at (x, y) of the widget after the next paint.
  TColor Pixel(const TWidget& w, int x, int y) {
    window->Idle();
    const TPoint p = At(w, x, y);
    return window->Pixel(p.x, p.y);
  }

  ScopedWidgetSettings settings_;
  std::unique_ptr<TForm> form;
  XScrollBox* page = nullptr;
  std::unique_ptr<ui::HeadlessWindow> window;
};

}  // namespace brelix::testing
