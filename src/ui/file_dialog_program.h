// The desktop's file dialogs: zenity or kdialog, run as a child process with the title, filter,
// start file and overwrite behaviour of our dialog options.
#pragma once

#include <sys/types.h>

#include <memory>
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

// A program running as our child: standard input from /dev/null, standard output read through a
// pipe, standard error dropped, and LD_LIBRARY_PATH removed from its environment (hosts bundle
// their own libraries, which the desktop's programs must not load).
class ChildProgram {
 public:
  // None when it cannot be started.
  static std::unique_ptr<ChildProgram> Start(const std::string& path, const std::vector<std::string>& arguments);
  // A program still running is asked to end (then made to), and reaped.
  ~ChildProgram();
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;

  // Reads what the program wrote, without waiting; true once it has ended and been reaped.
  bool Poll();
  // Waits until it writes or ends, or `timeout_ms` has passed.
  void Wait(int timeout_ms);
  // What it wrote and its exit code, once Poll is true.
  const ProgramOutput& Result() const { return result_; }
  pid_t Pid() const { return pid_; }

 private:
  ChildProgram(pid_t pid, int output_fd) : pid_(pid), output_fd_(output_fd) {}
  bool Reap(bool wait);

  pid_t pid_;
  int output_fd_;
  bool exited_ = false;
  ProgramOutput result_;
};

}  // namespace brelix::ui
