#include "live_server.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "base/printable_text.h"

namespace brelix {

namespace {
// How long closing the client of a server that went away may take before it is left behind.
constexpr std::chrono::milliseconds kCloseWait{1000};
constexpr std::chrono::milliseconds kLookAgain{1000};
// How long after a change of connections they are read.
constexpr std::chrono::milliseconds kSettle{500};
}  // namespace

// Opens a client once a second on a thread of its own until a server answers. The thread is
// left to end by itself when the program no longer waits: opening a client may take as long as
// a starting server makes it.
class ServerReturn {
 public:
  ServerReturn() : shared_(std::make_shared<Shared>()) {
    std::thread([shared = shared_] {
      std::unique_lock lock(shared->mutex);
      while (!shared->stop && !shared->found) {
        if (shared->wake.wait_for(lock, kLookAgain, [&] { return shared->stop; })) break;
        lock.unlock();
        std::unique_ptr<JackSession> session;
        try {
          session = std::make_unique<JackSession>();
        } catch (const std::exception&) {
          // no server yet
        }
        lock.lock();
        shared->found = std::move(session);
      }
    }).detach();
  }
  ~ServerReturn() {
    std::lock_guard lock(shared_->mutex);
    shared_->stop = true;
    shared_->wake.notify_all();
  }
  // The session opened on a server that answered; none yet.
  std::unique_ptr<JackSession> Take() {
    std::lock_guard lock(shared_->mutex);
    return std::move(shared_->found);
  }

 private:
  struct Shared {
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    std::unique_ptr<JackSession> found;
  };
  std::shared_ptr<Shared> shared_;
};

LiveServer::LiveServer(std::unique_ptr<JackSession> session, LivePlugin& plugin, bool connect, bool quitWithoutServer,
                       Note note)
    : session_(std::move(session)), plugin_(plugin), connect_(connect), quit_without_server_(quitWithoutServer),
      note_(std::move(note)) {
  rate_ = session_->SampleRate();
  block_ = session_->BlockSize();
  name_ = session_->ClientName();
}

LiveServer::~LiveServer() {
  waiting_.reset();
  if (session_) session_->Stop();
}

void LiveServer::Start() {
  session_->Start(plugin_);
  if (connect_) {
    const std::string problems = session_->Connect();
    if (!problems.empty()) note_(problems.substr(0, problems.size() - 1));
  }
  Remember();
}

void LiveServer::Tend() {
  if (ended_) return;
  if (!session_) {
    if (!waiting_) return;
    if (std::unique_ptr<JackSession> back = waiting_->Take()) TakeUp(std::move(back));
    return;
  }
  if (session_->ServerGone()) {
    Lose();
    return;
  }
  session_->Tend();
  const bool appeared = session_->TakePortsAppeared();
  const auto now = std::chrono::steady_clock::now();
  // Read a moment after a change, once a client that ended has taken its ports with it.
  if (session_->TakeConnectionsChanged() && !remember_at_) remember_at_ = now + kSettle;
  if (remember_at_ && now >= *remember_at_) {
    remember_at_.reset();
    Remember();
  }
  // A port that appeared may belong to a client not active yet, which takes no connection:
  // what is missing is tried again once a second.
  if (!restored_ && (appeared || now >= next_restore_)) Restore();
}

// What is connected now. A connection undone by its other port's going away (its client ended,
// or the server is ending) is kept, to be made again when the port is back; one undone while
// both ports are there was undone on purpose and is forgotten, unless connections wait to be
// made again (after the server came back), when nothing is forgotten.
void LiveServer::Remember() {
  std::vector<JackSession::Connection> now = session_->Connections();
  for (const JackSession::Connection& was : connections_) {
    const bool undone = std::find(now.begin(), now.end(), was) == now.end();
    if (undone && (!restored_ || !session_->PortExists(was.second))) {
      now.push_back(was);
      restored_ = false;
    }
  }
  connections_ = std::move(now);
}

void LiveServer::Restore() {
  restored_ = true;
  for (const JackSession::Connection& connection : connections_) restored_ = session_->Reconnect(connection) && restored_;
  next_restore_ = std::chrono::steady_clock::now() + kLookAgain;
}

void LiveServer::Lose() {
  reason_ = session_->Reason();
  earlier_xruns_ += session_->Xruns();
  if (quit_without_server_) {
    ended_ = true;
    return;
  }
  note_("the JACK server went away (" + PrintableText(reason_) + "); waiting for it to come back");
  // Nothing renders from here on; a client that does not close in time stays behind, since the
  // server's threads may still call it.
  if (!session_->Close(kCloseWait)) static_cast<void>(session_.release());
  session_.reset();
  restored_ = false;
  remember_at_.reset();
  waiting_ = std::make_unique<ServerReturn>();
}

void LiveServer::TakeUp(std::unique_ptr<JackSession> session) {
  waiting_.reset();
  session_ = std::move(session);
  rate_ = session_->SampleRate();
  block_ = session_->BlockSize();
  name_ = session_->ClientName();
  // The plug-in rendered nothing since the last server: it takes this one's rate and block size.
  plugin_.Reconfigure(rate_, block_);
  try {
    Start();
  } catch (const std::exception& error) {
    note_(std::string("the JACK server came back but would not start the client (") + error.what() + ")");
    session_.reset();
    waiting_ = std::make_unique<ServerReturn>();
    return;
  }
  Restore();
  char line[160];
  std::snprintf(line, sizeof line, "the JACK server is back: playing as JACK client '%s' at %.0f Hz, %d frames a block",
                PrintableText(name_).c_str(), rate_, block_);
  note_(line);
}

bool LiveServer::PostMidi(uint8_t status, uint8_t first, uint8_t second) {
  return session_ != nullptr && session_->PostMidi(status, first, second);
}

uint64_t LiveServer::Xruns() const {
  const bool counting = session_ != nullptr && !session_->ServerGone();
  return earlier_xruns_ + (counting ? session_->Xruns() : 0);
}

void LiveServer::Stop() {
  if (session_) session_->Stop();
}

bool LiveServer::Close(std::chrono::milliseconds limit) {
  waiting_.reset();
  if (!session_) return true;
  const bool closed = session_->Close(limit);
  if (!closed) static_cast<void>(session_.release());  // the server may still call it
  session_.reset();
  return closed;
}

}  // namespace brelix
