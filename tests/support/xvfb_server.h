// An X server of the test's own: Xvfb started on a free display number, DISPLAY pointed at it,
// ending with the test program. GUI tests skip when it cannot be started at all.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace brelix::testing {

class XvfbServer {
 public:
  // The server of this test program, started on first use.
  static XvfbServer& Shared() {
    static XvfbServer server;
    return server;
  }

  bool running() const { return pid_ > 0 && !display_.empty(); }
  const std::string& display() const { return display_; }
  const std::string& failure() const { return failure_; }
  // Room for the editor at its largest zoom (1248 x 1114), which a smaller screen would reduce.
  static constexpr int kScreenWidth = 1600;
  static constexpr int kScreenHeight = 1200;

  // The server ends by itself once its last client has gone (-terminate): the plug-in's own
  // connection closes after this object, when the program's static objects go, and must find
  // the server still there.
  ~XvfbServer() {
    if (keeper_ != nullptr) XCloseDisplay(keeper_);
  }

  // Ends the server now, as a crashed or stopped X server would go: connections still open
  // lose it. (Only for tests of that; every later GUI test in the program then skips.)
  void Stop() {
    if (keeper_ != nullptr) XCloseDisplay(keeper_);
    keeper_ = nullptr;
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    pid_ = 0;
    failure_ = "the test stopped the X server";
  }

 private:
  XvfbServer() { Start(); }

  // Xvfb writes its display number to the descriptor given with -displayfd once it accepts
  // connections.
  void Start() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
      failure_ = "no pipe";
      return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const std::string screen = std::to_string(kScreenWidth) + "x" + std::to_string(kScreenHeight) + "x24";
    std::vector<std::string> args = {"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp", "-terminate"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
      pid_ = 0;
      ::close(fds[0]);
      failure_ = "Xvfb is not installed (scripts/setup.sh installs it)";
      return;
    }
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd fd{fds[0], POLLIN, 0};
      if (::poll(&fd, 1, 100) <= 0) continue;
      char buffer[32];
      const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
      if (got <= 0) break;
      number.append(buffer, static_cast<size_t>(got));
    }
    ::close(fds[0]);
    if (number.find('\n') == std::string::npos) {
      failure_ = "Xvfb did not start";
      return;
    }
    display_ = ":" + number.substr(0, number.find('\n'));
    ::setenv("DISPLAY", display_.c_str(), 1);
    // Until the end of the program the server has at least this client.
    keeper_ = XOpenDisplay(display_.c_str());
    if (keeper_ == nullptr) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
      display_.clear();
      failure_ = "Xvfb does not accept connections";
    }
  }

  pid_t pid_ = 0;
  Display* keeper_ = nullptr;
  std::string display_;
  std::string failure_;
};

}  // namespace brelix::testing

// Skips the current test when the X server cannot be had.
#define BRELIX_REQUIRE_XVFB()                                                                        \
  do {                                                                                               \
    if (!::brelix::testing::XvfbServer::Shared().running())                                          \
      GTEST_SKIP() << "no X server for GUI tests: " << ::brelix::testing::XvfbServer::Shared().failure(); \
  } while (false)
