// The plug-in's own message forms: the progress box shown while an instance is built, and the
// modal message box with one OK button. Both are top-level forms without owner, so they appear
// even when the host has not opened the editor.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/messages.h"
#include "ui/push_button.h"
#include "ui/text_layout.h"
#include "ui/x11_box_window.h"

namespace brelix::ui {

class TMsgBox : public XBoxWindow {
 public:
  struct Label {
    TextBox bounds;
    FontSpec font;
    std::string Caption;
  };

  // Progress box: 256 x 128, the label fills it (bold, 12 points), "text ..." centred. Shown and
  // painted when this returns; the caller closes it by destroying it.
  static std::unique_ptr<TMsgBox> ShowWaitBox(std::string_view text);
  // Message box: 320 x 128, "\r" + text in the upper two thirds (9 points) above an OK button
  // (80 x 24, centred, 12 pixels above the bottom) that Enter and Escape press too. Returns after
  // the user has closed it.
  static void ShowMessageBox(std::string_view text);
  // The forms, not shown (to draw them elsewhere).
  static std::unique_ptr<TMsgBox> CreateWaitBox();
  static std::unique_ptr<TMsgBox> CreateMessageBox(std::string_view text);

  // The progress text: `text` + " ...", painted before this returns.
  void SetMsg(std::string_view text);

  Label TextLabel;
  std::optional<PushButton> Button;  // the OK button; none in the progress box

 protected:
  void Paint(cairo_t* cr) override;
  void KeyDown(KeySym key) override;
  void MouseDown(int x, int y) override;
  void MouseUp(int x, int y) override;

 private:
  TMsgBox(int width, int height, FormStyle style);
};

// The message boxes as windows of the open connection (UiDisplay).
class X11MessageBoxes : public IMessageBoxes {
 public:
  void ShowMessageBox(std::string_view text) override;
  std::unique_ptr<WaitBox> ShowWaitBox(std::string_view text) override;
};

}  // namespace brelix::ui
