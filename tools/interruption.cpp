#include "interruption.h"

#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace brelix {

namespace {

volatile sig_atomic_t caught = 0;

void NoteSignal(int signal) { caught = signal; }

}  // namespace

Interrupted::Interrupted(int signal)
    : std::runtime_error(std::string("interrupted (") + strsignal(signal) + ")"), signal_(signal) {}

void CatchInterruptions() {
  struct sigaction action {};
  action.sa_handler = NoteSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;  // a second signal takes its default action
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

void ThrowIfInterrupted() {
  if (caught != 0) throw Interrupted(caught);
}

void EndBySignal(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  raise(signal);
  std::_Exit(128 + signal);  // for a signal whose default action is not to end the process
}

}  // namespace brelix
