// The desktop's file dialogs: zenity or kdialog, run as a child process with the title, filter,
// start file and overwrite behaviour of our dialog options.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialogs.h"

namespace brelix::ui {

enum class DialogProgramKind { Zenity, KDialog };

struct DialogProgram {
  DialogProgramKind kind;
  std::string path;
};

// The installed dialog program, looked up in PATH: kdialog first on a KDE desktop, zenity first
// elsewhere; none when neither is installed.
std::optional<DialogProgram> FindDialogProgram();

// The program's arguments (without its own name) for an open or a save dialog. The filter
// chosen by filter_index comes first, since both programs select their first filter.
std::vector<std::string> DialogArguments(DialogProgramKind kind, const FileDialogOptions& options, bool save);

// A name the user typed without extension gets the default one ("patch" -> "patch.tw").
std::string WithDefaultExtension(const std::string& file_name, const std::string& extension);

struct ProgramOutput {
  int exit_code = -1;
  std::string output;  // standard output
};

// Runs `path` with `arguments` as a child process: standard input from /dev/null, standard error
// dropped, and LD_LIBRARY_PATH removed from its environment (hosts bundle their own libraries,
// which the desktop's programs must not load). `idle` runs at least every 50 ms while the
// program runs. None when it cannot be started.
std::optional<ProgramOutput> RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                                        const std::function<void()>& idle);

}  // namespace brelix::ui
