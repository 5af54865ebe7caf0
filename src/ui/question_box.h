// The Yes/No warning box: the question before a changed patch is dropped (closing the plug-in,
// loading or initialising a patch). A top-level form without owner, like the message box.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ui/push_button.h"
#include "ui/text_layout.h"
#include "ui/x11_box_window.h"

namespace brelix::ui {

class TQuestionBox : public XBoxWindow {
 public:
  // Shows `text` next to a warning sign above the buttons Yes and No, and returns true for Yes.
  // Yes has the focus first; Enter and Space press the focused button, Tab and the arrow keys
  // move the focus, Y and N answer at once, Escape and the window manager's close answer No.
  static bool Ask(std::string_view text);
  // The form, not shown (to draw it elsewhere).
  static std::unique_ptr<TQuestionBox> Create(std::string_view text);

  bool Answer() const { return answer_; }

  TextBox TextBounds;
  std::string Text;
  PushButton YesButton, NoButton;

 protected:
  void Paint(cairo_t* cr) override;
  void KeyDown(KeySym key) override;
  void MouseDown(int x, int y) override;
  void MouseUp(int x, int y) override;
  void CloseRequested() override { Choose(false); }

 private:
  TQuestionBox();
  void Choose(bool yes);
  void MoveFocus();

  bool answer_ = false;
};

// "Name.tw already exists.\rDo you want to replace it?" for the file `path`; true for Yes.
bool AskToReplaceFile(const std::string& path);

}  // namespace brelix::ui
