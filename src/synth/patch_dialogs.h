// The questions about the patch file that the instance and its editor ask the user: whether to
// save a changed patch before it is dropped (the editor's may also be cancelled), and the "Save Patch" and "Load Patch" dialogs. They
// go through Dialogs(): the desktop's windows, a script in tests, and without a display the
// answer No and a cancelled dialog.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "ui/dialogs.h"

namespace brelix {

// The "Save Patch" (with `save`) or "Load Patch" dialog's options, starting from `proposed`.
FileDialogOptions PatchFileDialogOptions(bool save, const std::string& proposed);

// A dialog's answer as a file: an empty name has chosen nothing.
std::optional<std::string> ChosenFile(std::optional<std::string> answer);

// "Do you want to save patch Pad.tw?" for the patch file "/a/b/Pad.tw"; true for Yes. The plug-in
// asks it as it closes, and waits for the answer.
bool AskToSavePatch(const std::string& patch_file);
// The same question with Cancel besides Yes and No, asked by the editor: it returns at once and
// the run answers later. `owner` is the host's window the question belongs to (0: none).
std::unique_ptr<IQuestionRun> StartSavePatchQuestion(const std::string& patch_file, unsigned long owner);

// The save dialog with `options` (PatchFileDialogOptions with `save`). The chosen full name, or
// none when the user cancelled.
std::optional<std::string> ChoosePatchFileToSave(const FileDialogOptions& options);

}  // namespace brelix
