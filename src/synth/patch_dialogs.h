// The questions about the patch file that the instance and its editor ask the user: whether to
// save a changed patch before it is dropped, and the "Save Patch" and "Load Patch" dialogs. They
// go through Dialogs(): the desktop's windows, a script in tests, and without a display the
// answer No and a cancelled dialog.
#pragma once

#include <optional>
#include <string>

#include "ui/dialogs.h"

namespace brelix {

// The "Save Patch" (with `save`) or "Load Patch" dialog's options, starting from `proposed`.
FileDialogOptions PatchFileDialogOptions(bool save, const std::string& proposed);

// A dialog's answer as a file: an empty name has chosen nothing.
std::optional<std::string> ChosenFile(std::optional<std::string> answer);

// "Do you want to save patch Pad.tw?" for the patch file "/a/b/Pad.tw"; true for Yes.
bool AskToSavePatch(const std::string& patch_file);

// The save dialog with `options` (PatchFileDialogOptions with `save`). The chosen full name, or
// none when the user cancelled.
std::optional<std::string> ChoosePatchFileToSave(const FileDialogOptions& options);

}  // namespace brelix
