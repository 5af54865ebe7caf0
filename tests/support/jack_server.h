// A JACK server of the test's own: `jackd -d dummy` under a name no other test uses, ended with
// the object. JACK_DEFAULT_SERVER of this process names it while it lives, so clients the test
// opens find it. Servers of tests that run side by side take turns (a lock file held while the
// server lives): servers of one user share a registry in shared memory, and a server starting
// while another one's clients open now and then leaves one of them refused.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <jack/jack.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace brelix::testing {

// A name for a server that nothing else runs.
inline std::string UniqueJackServerName() {
  static std::atomic<int> counter{0};
  return "brelix-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

// Waits for a child process to end, killing it when it outlives `limit`; its exit code, or -1
// when a signal ended it (or it had to be killed).
inline int WaitForExit(pid_t pid, std::chrono::milliseconds limit, bool* timedOut = nullptr) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      if (timedOut != nullptr) *timedOut = true;
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Starts `argv` with its output going to `logFile` (or nowhere); 0 when it could not start.
inline pid_t Spawn(std::vector<std::string> argv, const std::string& logFile = "/dev/null") {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return failed == 0 ? pid : 0;
}

// Starts the server so that it ends with the test program, however that ends (a failed X
// request ends a program without unwinding).
inline pid_t SpawnServer(std::vector<std::string> argv) {
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid != 0) return pid > 0 ? pid : 0;
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(1);  // the test ended before the line above
  const int quiet = open("/dev/null", O_RDWR);
  dup2(quiet, 0);
  dup2(quiet, 1);
  dup2(quiet, 2);
  execvp(args[0], args.data());
  _exit(127);
}

class JackServer {
  static void Quiet(const char*) {}

 public:
  // `name`: a server that comes back under the name of one stopped before (none: a new name).
  JackServer(int rate, int block = 1024, std::string name = {}) : name_(name.empty() ? UniqueJackServerName() : std::move(name)) {
    const std::string lock = std::filesystem::temp_directory_path() / "brelix-jack-tests.lock";
    turn_ = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (turn_ >= 0) flock(turn_, LOCK_EX);
    jack_set_error_function(Quiet);  // "cannot connect" while the server is starting
    setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
    pid_ = SpawnServer({"jackd", "-n", name_, "--no-realtime", "-d", "dummy", "-r", std::to_string(rate), "-p",
                        std::to_string(block)});
    // Ready once a client can open on it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
      if (jack_client_t* probe = jack_client_open("probe", JackNoStartServer, nullptr)) {
        jack_client_close(probe);
        ready_ = true;
        break;
      }
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = 0;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ~JackServer() { Stop(); }
  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;

  bool ready() const { return ready_; }
  // Why the server is not ready, for a failing test's message.
  std::string failure() const { return ready_ ? "" : "jackd (the jackd2 package) did not start a dummy server '" + name_ + "'"; }
  const std::string& name() const { return name_; }

  // Stops the server where it stands (SIGSTOP), as a hung server is: it answers nothing until
  // Thaw (or Stop, which thaws it first).
  void Freeze() {
    if (pid_ > 0) kill(pid_, SIGSTOP);
  }
  void Thaw() {
    if (pid_ > 0) kill(pid_, SIGCONT);
  }

  // Ends the server as a user stopping it would (SIGTERM), killing it if it lingers.
  void Stop() {
    if (pid_ > 0) {
      Thaw();
      kill(pid_, SIGTERM);
      WaitForExit(pid_, std::chrono::seconds(10));
    }
    pid_ = 0;
    ready_ = false;
    if (turn_ >= 0) close(turn_);  // the next test's turn
    turn_ = -1;
  }

 private:
  std::string name_;
  pid_t pid_ = 0;
  bool ready_ = false;
  int turn_ = -1;
};

}  // namespace brelix::testing
