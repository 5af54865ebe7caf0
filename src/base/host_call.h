// A host's call in progress: the host waits for effGetChunk, effSetChunk, a parameter write or a
// rate change to return, often for an autosave with nobody at the screen, so nothing inside such
// a call may wait for a person. While a HostCallScope lives on a thread, a message raised on that
// thread becomes a notice (base/messages.h): said on standard error and handed to the scope's
// notice sink (the open editor, which shows it at its next idle call), and the caller goes on; a
// question or file dialog is answered as cancelled (ui/dialogs.h).
//
// The scopes are kept per thread in a small table of thread words, not in thread_local storage: a
// thread's first touch of such a variable in a library loaded at run time allocates, and a host
// may write parameters on its audio thread.
#pragma once

#include <string_view>

namespace brelix {

// Where the notices of a host's call go besides standard error.
class INoticeSink {
 public:
  // Called on the thread of the host's call; must not wait for a person.
  virtual void PostNotice(std::string_view text) = 0;

 protected:
  ~INoticeSink() = default;
};

class HostCallScope {
 public:
  // `notices` receives the notices until the scope ends; none leaves them to the scope this one
  // is inside on the same thread, or to standard error alone.
  explicit HostCallScope(INoticeSink* notices = nullptr);
  ~HostCallScope();
  HostCallScope(const HostCallScope&) = delete;
  HostCallScope& operator=(const HostCallScope&) = delete;

 private:
  int slot_;                // the thread's entry in the table; -1 when the table was full
  INoticeSink* outer_;      // the sink of the scope this one is inside
};

// True while a HostCallScope lives on the calling thread (and, should more threads be inside
// host calls at once than the table holds, on every thread meanwhile: nobody is asked then).
bool InHostCall();

// The notice sink of the calling thread's innermost scope; none outside one or without a sink.
INoticeSink* HostCallNotices();

}  // namespace brelix
