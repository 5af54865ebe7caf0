// The warning question: Yes and No before a changed patch is dropped when the plug-in closes (and
// before a file is replaced), Yes, No and Cancel before the editor loads or initialises a patch.
// A top-level form like the message box; the editor's question belongs to the host's window and
// runs without a loop of its own, as the built-in file dialog does.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/dialogs.h"
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
  // The form, not shown (to draw it elsewhere); `with_cancel` adds the button Cancel after No,
  // and then Escape and the window manager's close answer Cancel.
  static std::unique_ptr<TQuestionBox> Create(std::string_view text, bool with_cancel = false);

  // Shows it with the keyboard focus, and returns; the caller dispatches its events.
  void Open();
  QuestionAnswer Answer() const { return answer_; }

  TextBox TextBounds;
  std::string Text;
  PushButton YesButton, NoButton, CancelButton;

 protected:
  void Paint(cairo_t* cr) override;
  void KeyDown(KeySym key) override;
  void MouseDown(int x, int y) override;
  void MouseUp(int x, int y) override;
  void CloseRequested() override { Choose(escape_answer_); }

 private:
  explicit TQuestionBox(bool with_cancel);
  void Choose(QuestionAnswer answer);
  void MoveFocus(int step);
  // The buttons shown, in their order.
  std::vector<PushButton*> Buttons();
  QuestionAnswer AnswerOf(const PushButton* button) const;

  bool with_cancel_;
  QuestionAnswer escape_answer_;  // Escape and the window manager's close
  QuestionAnswer answer_;         // until answered: as if closed
};

// The Yes/No/Cancel question as a run its caller polls, transient for `owner` (a host's window,
// 0: none). None when no window can be made. A lost X server answers Cancel.
std::unique_ptr<IQuestionRun> StartBuiltInQuestion(std::string_view text, unsigned long owner);

// "Name.tw already exists.\rDo you want to replace it?" for the file `path`; true for Yes.
bool AskToReplaceFile(const std::string& path);

}  // namespace brelix::ui
