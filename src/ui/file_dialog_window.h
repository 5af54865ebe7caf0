// The built-in file dialog: a top-level window of ours, transient for the host's window, that
// shows a TFileChooser. The folder path at the top, the list of folders and matching files, the
// name box, the filter button (a click switches to the next filter, "All Files" among them), OK
// and Cancel. Keys: Up, Down, Page Up, Page Down, Home, End move in the list; Enter enters a
// folder or takes a file (in the name box: takes the typed name); Backspace on the list goes to
// the parent folder; Tab moves between the list and the name box; typing goes to the name box;
// Escape cancels. A double click enters a folder or takes a file.
//
// It runs without a loop of its own: the caller's idle calls dispatch its events (Poll), and it
// takes the input of our windows while it is open.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <optional>
#include <string>

#include "ui/dialogs.h"
#include "ui/file_chooser.h"
#include "ui/push_button.h"
#include "ui/x11_box_window.h"

namespace brelix::ui {

class TFileDialogWindow : public XBoxWindow {
 public:
  static constexpr int kWidth = 520, kHeight = 400;
  static constexpr int kRowHeight = 18, kRows = 14;

  // Not shown yet; `owner` is a window of the host (0: none). Throws without a display.
  TFileDialogWindow(const FileDialogOptions& options, bool save, Window owner);
  ~TFileDialogWindow() override;

  // Shows it above its owner with the keyboard focus.
  void Open();
  bool Answered() const { return Closed(); }
  std::optional<std::string> Answer() const { return answer_; }
  TFileChooser& Chooser() { return chooser_; }

  void HandleEvent(const XEvent& event) override;

 protected:
  void Paint(cairo_t* cr) override;
  void MouseDown(int x, int y) override;
  void MouseUp(int x, int y) override;

 private:
  enum class FocusOn { List, Name };

  void Typed(KeySym key, const char* text, int length);
  void Apply(TFileChooser::Step step);
  void Finish(std::optional<std::string> answer);
  void ScrollToSelection();
  int RowAt(int x, int y) const;
  void PaintList(cairo_t* cr);

  TFileChooser chooser_;
  std::optional<std::string> answer_;
  FocusOn focus_;
  bool name_untouched_ = true;  // the first key typed replaces the proposed name
  int first_row_ = 0;           // the list line at the top of the box
  PushButton ok_, cancel_, filter_;
  Time last_click_time_ = 0;
  int last_click_row_ = -1;
};

// The built-in dialog as a run its caller polls. None when no window can be made.
std::unique_ptr<IFileDialogRun> StartBuiltInFileDialog(const FileDialogOptions& options, bool save,
                                                       unsigned long owner);

}  // namespace brelix::ui
