// The dialogs where there is a desktop: the Yes/No warning box as a form of ours, the file
// dialogs through the desktop's dialog program (zenity or kdialog).
#pragma once

#include "ui/dialogs.h"

namespace brelix::ui {

class DesktopDialogs : public IDialogs {
 public:
  bool AskYesNo(std::string_view text) override;
  // Without a dialog program the user is told so and the dialog counts as cancelled.
  std::optional<std::string> OpenFile(const FileDialogOptions& options) override;
  std::optional<std::string> SaveFile(const FileDialogOptions& options) override;
};

}  // namespace brelix::ui
