#include "ui/file_dialog_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <thread>

#include "ui/file_filter.h"

extern char** environ;

namespace brelix::ui {

namespace {

std::string Join(const std::vector<std::string>& parts, const std::string& separator) {
  std::string joined;
  for (size_t i = 0; i < parts.size(); ++i) joined += (i > 0 ? separator : "") + parts[i];
  return joined;
}

// The file (or, with a trailing "/", the folder) the dialog starts at.
std::string StartPath(const FileDialogOptions& options) {
  if (!options.file_name.empty()) {
    if (options.file_name.front() == '/' || options.initial_dir.empty()) return options.file_name;
    return options.initial_dir + (options.initial_dir.back() == '/' ? "" : "/") + options.file_name;
  }
  if (!options.initial_dir.empty()) return options.initial_dir + (options.initial_dir.back() == '/' ? "" : "/");
  return std::string();
}

bool IsProgram(const std::string& path) {
  struct stat info{};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::optional<std::string> FindInPath(const char* name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::nullopt;
  for (const std::string& dir : SplitText(path, ':')) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (IsProgram(candidate)) return candidate;
  }
  return std::nullopt;
}

// The environment of the child: ours without LD_LIBRARY_PATH.
std::vector<std::string> ChildEnvironment() {
  std::vector<std::string> entries;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    if (std::strncmp(*e, "LD_LIBRARY_PATH=", 16) != 0) entries.emplace_back(*e);
  }
  return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (std::string& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

// The spawn's file actions, released with their owner.
class FileActions {
 public:
  FileActions() { posix_spawn_file_actions_init(&actions_); }
  ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

}  // namespace

std::optional<DialogProgram> FindDialogProgram() {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  const bool kde = desktop != nullptr && std::strstr(desktop, "KDE") != nullptr;
  const DialogProgramKind order[2] = {kde ? DialogProgramKind::KDialog : DialogProgramKind::Zenity,
                                      kde ? DialogProgramKind::Zenity : DialogProgramKind::KDialog};
  for (DialogProgramKind kind : order) {
    if (auto path = FindInPath(kind == DialogProgramKind::Zenity ? "zenity" : "kdialog"))
      return DialogProgram{kind, *path};
  }
  return std::nullopt;
}

std::vector<std::string> DialogArguments(DialogProgramKind kind, const FileDialogOptions& options, bool save) {
  const std::vector<FileFilter> filters = ParseFileFilter(options.filter, options.filter_index);
  const std::string start = StartPath(options);
  std::vector<std::string> args;
  if (kind == DialogProgramKind::Zenity) {
    args = {"--file-selection", "--title=" + options.title};
    if (save) args.push_back("--save");
    if (save && options.overwrite_prompt) args.push_back("--confirm-overwrite");
    if (!start.empty()) args.push_back("--filename=" + start);
    for (const FileFilter& f : filters) args.push_back("--file-filter=" + f.name + " | " + Join(f.patterns, " "));
    return args;
  }
  // kdialog asks before it overwrites, and lets only existing files be opened.
  std::vector<std::string> lines;
  for (const FileFilter& f : filters) lines.push_back(Join(f.patterns, " ") + "|" + f.name);
  args = {"--title", options.title, save ? "--getsavefilename" : "--getopenfilename", start.empty() ? "." : start};
  if (!lines.empty()) args.push_back(Join(lines, "\n"));
  return args;
}

std::string WithDefaultExtension(const std::string& file_name, const std::string& extension) {
  if (extension.empty() || file_name.empty() || file_name.back() == '/') return file_name;
  const size_t slash = file_name.rfind('/');
  const size_t base = slash == std::string::npos ? 0 : slash + 1;
  if (file_name.find('.', base) != std::string::npos) return file_name;
  return file_name + "." + extension;
}

std::unique_ptr<ChildProgram> ChildProgram::Start(const std::string& path, const std::vector<std::string>& arguments) {
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
  FileActions actions;
  posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(actions.get(), pipe_fds[1], 1);
  posix_spawn_file_actions_addopen(actions.get(), 2, "/dev/null", O_WRONLY, 0);

  std::vector<std::string> argv_strings = {path};
  argv_strings.insert(argv_strings.end(), arguments.begin(), arguments.end());
  std::vector<std::string> env_strings = ChildEnvironment();
  std::vector<char*> argv = Pointers(argv_strings);
  std::vector<char*> envp = Pointers(env_strings);

  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, path.c_str(), actions.get(), nullptr, argv.data(), envp.data());
  ::close(pipe_fds[1]);
  if (spawned != 0) {
    ::close(pipe_fds[0]);
    return nullptr;
  }
  return std::unique_ptr<ChildProgram>(new ChildProgram(pid, pipe_fds[0]));
}

ChildProgram::~ChildProgram() {
  if (output_fd_ >= 0) ::close(output_fd_);
  if (exited_) return;
  // Still running: the user's dialog is withdrawn. A program that ignores the request is ended
  // after a moment; either way it is reaped, so no process is left behind.
  ::kill(pid_, SIGTERM);
  for (int i = 0; i < 40 && !Reap(false); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (!exited_) {
    ::kill(pid_, SIGKILL);
    Reap(true);
  }
}

bool ChildProgram::Reap(bool wait) {
  int status = 0;
  pid_t waited;
  do {
    waited = ::waitpid(pid_, &status, wait ? 0 : WNOHANG);
  } while (waited < 0 && errno == EINTR);
  if (waited == pid_) {
    exited_ = true;
    result_.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  } else if (waited < 0 && errno == ECHILD) {
    // A host that reaps children itself: the answer is whatever the program wrote.
    exited_ = true;
    result_.exit_code = result_.output.empty() ? 1 : 0;
  }
  return exited_;
}

bool ChildProgram::Poll() {
  char buffer[4096];
  while (output_fd_ >= 0) {
    const ssize_t got = ::read(output_fd_, buffer, sizeof buffer);
    if (got > 0) {
      result_.output.append(buffer, static_cast<size_t>(got));
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return false;  // still running
    ::close(output_fd_);  // the program closed its output: it is ending
    output_fd_ = -1;
  }
  return exited_ || Reap(false);
}

void ChildProgram::Wait(int timeout_ms) {
  if (output_fd_ < 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(timeout_ms, 5)));
    return;
  }
  pollfd fd{output_fd_, POLLIN, 0};
  ::poll(&fd, 1, timeout_ms);
}

}  // namespace brelix::ui
