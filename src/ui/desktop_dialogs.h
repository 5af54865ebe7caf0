// The dialogs where there is a desktop: the Yes/No warning box as a form of ours, and the file
// dialogs and the Yes/No/Cancel question of the desktop's dialog program (zenity, or kdialog on a
// KDE desktop) or, without one, the built-in file dialog (ui/file_dialog_window.h) and question
// (ui/question_box.h). BRELIX_FILE_DIALOG=builtin in the environment chooses the built-in ones
// even where a program is installed.
#pragma once

#include "ui/dialogs.h"

namespace brelix::ui {

class DesktopDialogs : public IDialogs {
 public:
  bool AskYesNo(std::string_view text) override;
  // A dialog run to its end: our windows are painted meanwhile, and their input waits.
  std::optional<std::string> OpenFile(const FileDialogOptions& options) override;
  std::optional<std::string> SaveFile(const FileDialogOptions& options) override;
  // Without any dialog (no program, no window) the user is told so and the run is cancelled.
  std::unique_ptr<IFileDialogRun> StartFileDialog(const FileDialogOptions& options, bool save,
                                                  unsigned long owner) override;
  // The program's question, else the built-in one; without either, answered as without a display.
  std::unique_ptr<IQuestionRun> StartQuestion(std::string_view text, unsigned long owner) override;
};

}  // namespace brelix::ui
