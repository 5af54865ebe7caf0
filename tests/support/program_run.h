// Runs a program as a user runs it from a shell: its arguments, its own environment changes, its
// standard output and error captured, its exit status or the signal that ended it. A program
// that outlives its time limit is killed (and the run says so), so a hang fails a test instead
// of stopping the suite.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace brelix::testing {

struct ProgramRun {
  int exit_code = -1;   // -1 when a signal ended the program
  int signal = 0;       // the signal that ended it, 0 when it exited
  bool timed_out = false;
  std::string out, err;
};

struct ProgramOptions {
  std::map<std::string, std::optional<std::string>> environment = {};  // none: removed
  std::chrono::milliseconds time_limit{60000};
  // Sent once after this time, to interrupt the program on purpose.
  std::optional<std::pair<std::chrono::milliseconds, int>> signal_after = std::nullopt;
};

inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                             const ProgramOptions& options = {}) {
  std::map<std::string, std::string> variables;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const size_t equals = entry.find('=');
    if (equals != std::string::npos) variables[entry.substr(0, equals)] = entry.substr(equals + 1);
  }
  for (const auto& [name, value] : options.environment) {
    if (value) variables[name] = *value;
    else variables.erase(name);
  }
  std::vector<std::string> environment_text;
  for (const auto& [name, value] : variables) environment_text.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& entry : environment_text) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::vector<std::string> argument_text = {program};
  argument_text.insert(argument_text.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argument_text) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int out_pipe[2], err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out_pipe[1]);
  close(err_pipe[1]);
  if (spawned != 0) {
    close(out_pipe[0]);
    close(err_pipe[0]);
    throw std::runtime_error("cannot start " + program);
  }

  ProgramRun run;
  const auto start = std::chrono::steady_clock::now();
  bool signalled = false;
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* texts[2] = {&run.out, &run.err};
  int open_pipes = 2;
  while (open_pipes > 0) {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (options.signal_after && !signalled && elapsed >= options.signal_after->first) {
      kill(pid, options.signal_after->second);
      signalled = true;
    }
    if (elapsed >= options.time_limit) {
      run.timed_out = true;
      kill(pid, SIGKILL);
      break;
    }
    if (poll(fds, 2, 20) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP)) == 0) continue;
      char buffer[4096];
      const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        texts[i]->append(buffer, static_cast<size_t>(got));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_pipes;
      }
    }
  }
  for (const pollfd& fd : fds)
    if (fd.fd >= 0) close(fd.fd);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) run.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  return run;
}

}  // namespace brelix::testing
