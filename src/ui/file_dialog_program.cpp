#include "ui/file_dialog_program.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace brelix::ui {

namespace {

constexpr int kIdlePeriodMs = 50;

struct Filter {
  std::string name;
  std::vector<std::string> patterns;
};

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// "Name|*.a;*.b|Other|*.*" as name and pattern pairs, the chosen one (from 1) first. Patterns
// with letters also match their upper-case spelling ("*.wav" and "*.WAV"), as on the
// file systems the patches come from.
std::vector<Filter> ParseFilter(const std::string& filter, int chosen) {
  std::vector<Filter> filters;
  const std::vector<std::string> parts = Split(filter, '|');
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    Filter f{parts[i], {}};
    for (const std::string& pattern : Split(parts[i + 1], ';')) {
      if (pattern.empty()) continue;
      f.patterns.push_back(pattern);
      std::string upper = pattern;
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (upper != pattern) f.patterns.push_back(upper);
    }
    filters.push_back(f);
  }
  if (chosen >= 2 && chosen <= static_cast<int>(filters.size())) {
    Filter first = filters[chosen - 1];
    filters.erase(filters.begin() + (chosen - 1));
    filters.insert(filters.begin(), first);
  }
  return filters;
}

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
  for (const std::string& dir : Split(path, ':')) {
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
  const std::vector<Filter> filters = ParseFilter(options.filter, options.filter_index);
  const std::string start = StartPath(options);
  std::vector<std::string> args;
  if (kind == DialogProgramKind::Zenity) {
    args = {"--file-selection", "--title=" + options.title};
    if (save) args.push_back("--save");
    if (save && options.overwrite_prompt) args.push_back("--confirm-overwrite");
    if (!start.empty()) args.push_back("--filename=" + start);
    for (const Filter& f : filters) args.push_back("--file-filter=" + f.name + " | " + Join(f.patterns, " "));
    return args;
  }
  // kdialog asks before it overwrites, and lets only existing files be opened.
  std::vector<std::string> lines;
  for (const Filter& f : filters) lines.push_back(Join(f.patterns, " ") + "|" + f.name);
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

std::optional<ProgramOutput> RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                                        const std::function<void()>& idle) {
  int pipe_fds[2];
  if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return std::nullopt;
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
    return std::nullopt;
  }

  ProgramOutput result;
  char buffer[4096];
  for (;;) {
    pollfd fd{pipe_fds[0], POLLIN, 0};
    const int ready = ::poll(&fd, 1, kIdlePeriodMs);
    if (ready < 0 && errno != EINTR) break;
    if (ready <= 0) {
      if (idle) idle();
      continue;
    }
    const ssize_t got = ::read(pipe_fds[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // the program closed its output
    result.output.append(buffer, static_cast<size_t>(got));
  }
  ::close(pipe_fds[0]);

  int status = 0;
  pid_t waited;
  do {
    waited = ::waitpid(pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited == pid && WIFEXITED(status))
    result.exit_code = WEXITSTATUS(status);
  else if (waited < 0 && errno == ECHILD)
    result.exit_code = result.output.empty() ? 1 : 0;  // a host that reaps children itself
  return result;
}

}  // namespace brelix::ui
