// The standalone program's hold on the JACK server through the server's comings and goings.
// When the server goes away the program says so, keeps playing nothing and looks for a server
// again once a second, on a thread of its own so that the window never waits; once one answers
// the plug-in is told its rate and block size, the client starts again and its ports are
// connected as they were, as far as those ports exist; a port that appears later (its client
// started after the server) is connected when it does. With `quitWithoutServer` (for scripts) the program ends with the server instead.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jack_session.h"
#include "live_plugin.h"

namespace brelix {

class ServerReturn;

class LiveServer {
 public:
  using Note = std::function<void(const std::string& line)>;

  // `session` is open and `plugin` started at its rate and block size; both outlive nothing
  // here but the plug-in must outlive this object. `connect`: as --connect asks, also after
  // every return of the server.
  LiveServer(std::unique_ptr<JackSession> session, LivePlugin& plugin, bool connect, bool quitWithoutServer, Note note);
  // Stops rendering; closes a session that is still open as JackSession's destructor does.
  ~LiveServer();
  LiveServer(const LiveServer&) = delete;
  LiveServer& operator=(const LiveServer&) = delete;

  // Starts the client rendering the plug-in (and connects, with `connect`).
  void Start();
  // User-interface thread, between idle calls: the session's own tending, the connections
  // remembered, the server's going away told, a server come back taken into use.
  void Tend();

  // True while a server plays the program.
  bool Playing() const { return session_ != nullptr; }
  // True when the server went away and the program is to end with it.
  bool Ended() const { return ended_; }
  // Why the last server went away.
  const std::string& Reason() const { return reason_; }
  // A MIDI message from the window; false without a server or when too many wait.
  bool PostMidi(uint8_t status, uint8_t first, uint8_t second);
  // Of the server playing (or the last one).
  float SampleRate() const { return rate_; }
  int32_t BlockSize() const { return block_; }
  const std::string& ClientName() const { return name_; }
  // Counted over every server of the run.
  uint64_t Xruns() const;

  // Ends rendering at once (JackSession::Stop).
  void Stop();
  // Closes the client, waiting at most `limit`; false when the server did not answer (see
  // JackSession::Close: the program must then end without waiting).
  bool Close(std::chrono::milliseconds limit);

 private:
  void TakeUp(std::unique_ptr<JackSession> session);
  void Lose();
  void Remember();
  // Makes every connection remembered whose ports exist.
  void Restore();

  std::unique_ptr<JackSession> session_;
  LivePlugin& plugin_;
  bool connect_;
  bool quit_without_server_;
  Note note_;
  bool ended_ = false;
  std::string reason_, name_;
  float rate_ = 0.0f;
  int32_t block_ = 0;
  uint64_t earlier_xruns_ = 0;
  std::vector<JackSession::Connection> connections_;  // as last seen, with those whose port went
  bool restored_ = true;  // every connection remembered is made
  std::chrono::steady_clock::time_point next_restore_{};
  std::optional<std::chrono::steady_clock::time_point> remember_at_;  // when to read them next
  std::unique_ptr<ServerReturn> waiting_;
};

}  // namespace brelix
