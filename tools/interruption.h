// Ctrl-C, SIGTERM and SIGHUP end a render cleanly: the signal handler only takes note, the render
// asks between blocks and unwinds, which removes the partial output file, and the program then
// ends by the same signal, as a shell expects. A second signal of the same kind ends it at once.
#pragma once

#include <stdexcept>

namespace brelix {

class Interrupted : public std::runtime_error {
 public:
  explicit Interrupted(int signal);
  int Signal() const { return signal_; }

 private:
  int signal_;
};

// Installs the handlers for SIGINT, SIGTERM and SIGHUP.
void CatchInterruptions();
// Throws Interrupted when one of those signals has come since CatchInterruptions.
void ThrowIfInterrupted();
// Ends the process by `signal` with its default action.
[[noreturn]] void EndBySignal(int signal);

}  // namespace brelix
