#include "ui/desktop_dialogs.h"

#include <sys/stat.h>

#include <exception>

#include "base/messages.h"
#include "ui/file_dialog_program.h"
#include "ui/question_box.h"
#include "ui/x11_display.h"

namespace brelix::ui {

namespace {

bool FileExists(const std::string& name) {
  struct stat info{};
  return ::stat(name.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string BaseName(const std::string& name) {
  const size_t slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

// The program's answer: its first line; none when the user cancelled.
std::optional<std::string> RunOnce(const DialogProgram& program, const FileDialogOptions& options, bool save) {
  // Our own windows keep being painted meanwhile; their input waits for the dialog.
  const auto output = RunProgram(program.path, DialogArguments(program.kind, options, save),
                                 [] { DispatchPendingEvents(kInputToNone); });
  if (!output || output->exit_code != 0) return std::nullopt;
  std::string name = output->output.substr(0, output->output.find('\n'));
  if (!name.empty() && name.back() == '\r') name.pop_back();
  if (name.empty()) return std::nullopt;
  return name;
}

std::optional<std::string> RunFileDialog(const FileDialogOptions& options, bool save) {
  const std::optional<DialogProgram> program = FindDialogProgram();
  if (!program) {
    ShowMessageBox("No file dialog available:\r\rinstall zenity or kdialog.");
    return std::nullopt;
  }
  FileDialogOptions current = options;
  for (;;) {
    const std::optional<std::string> chosen = RunOnce(*program, current, save);
    if (!chosen) return std::nullopt;
    const std::string with_extension = WithDefaultExtension(*chosen, options.default_extension);
    if (!save) {
      // A typed name without extension means the file with the default one, if only that exists.
      if (FileExists(*chosen) || !FileExists(with_extension)) {
        if (options.must_exist && !FileExists(*chosen)) {
          ShowMessageBox(*chosen + "\r\rFile not found.");
          current.file_name = *chosen;
          continue;
        }
        return chosen;
      }
      return with_extension;
    }
    // The program asked about the name it returned; the extension added here makes another.
    if (options.overwrite_prompt && with_extension != *chosen && FileExists(with_extension) &&
        !TQuestionBox::Ask(BaseName(with_extension) + " already exists.\rDo you want to replace it?")) {
      current.file_name = with_extension;
      continue;
    }
    return with_extension;
  }
}

}  // namespace

// The question is asked from destructors too: a box that cannot be made answers as without a
// display (No) instead of throwing.
bool DesktopDialogs::AskYesNo(std::string_view text) {
  try {
    return TQuestionBox::Ask(text);
  } catch (const std::exception&) {
    return HeadlessDialogs().AskYesNo(text);
  }
}

std::optional<std::string> DesktopDialogs::OpenFile(const FileDialogOptions& options) {
  return RunFileDialog(options, false);
}

std::optional<std::string> DesktopDialogs::SaveFile(const FileDialogOptions& options) {
  return RunFileDialog(options, true);
}

}  // namespace brelix::ui
