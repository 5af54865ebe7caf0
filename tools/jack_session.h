// The program's JACK client "Brelix": two audio outputs and one MIDI input, the plug-in rendered
// in the server's process call-back, and the server's rate and block-size changes handed to the
// plug-in as a host hands them over: on the user-interface thread, with rendering held.
#pragma once

#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "live_plugin.h"

namespace brelix {

// No JACK server to talk to; what() says how to start one.
class NoServerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class JackSession {
 public:
  // Opens the client without ever starting a server. Throws NoServerError when none runs, or
  // std::runtime_error when the ports cannot be made.
  JackSession();
  // Closes the client unless Close did, waiting for the server as long as it takes.
  ~JackSession();
  JackSession(const JackSession&) = delete;
  JackSession& operator=(const JackSession&) = delete;

  float SampleRate() const { return static_cast<float>(jack_get_sample_rate(client_)); }
  int32_t BlockSize() const { return static_cast<int32_t>(jack_get_buffer_size(client_)); }
  std::string ClientName() const { return jack_get_client_name(client_); }

  // Starts rendering `plugin`, which must have been started at SampleRate() and BlockSize() and
  // must outlive the session (or Stop).
  void Start(LivePlugin& plugin);
  // Connects the outputs to the first two playback ports and every physical MIDI source to the
  // input, and from then on every physical MIDI source that appears (a keyboard plugged in);
  // returns what it could not connect, one line each.
  std::string Connect();
  // User-interface thread, between idle calls: hands a change of the server's rate or block size
  // to the plug-in (suspend, rate, block size, resume, with rendering held: the blocks meanwhile
  // are silent and their MIDI waits for the next one) and connects the MIDI sources that
  // appeared since the last call.
  void Tend();
  // User-interface thread: a MIDI message played in the program's own window, heard from the
  // start of the next block; false when too many wait already.
  bool PostMidi(uint8_t status, uint8_t first, uint8_t second);

  // Ends rendering without a word to the server, so it takes no longer than a render call: the
  // plug-in is not touched afterwards (the process call-back's blocks are silent) and may close.
  void Stop();
  // Stops, then deactivates and closes the client, waiting at most `limit` for the server; true
  // once closed. False when the server did not answer in time (stopped or hung): the closing goes
  // on on a thread of its own and the server may still call this object, so the program must end
  // without waiting for it, without this object's destructor. Nothing but Xruns() and Reason()
  // may be asked afterwards.
  bool Close(std::chrono::milliseconds limit);

  // Who our ports are connected to: each our port's short name ("out_l") with the full name of
  // a port at the other end.
  using Connection = std::pair<std::string, std::string>;
  std::vector<Connection> Connections() const;
  // Connects our port (the connection's short name) with the other; true when connected (or
  // already), false when either port does not exist or the server refuses.
  bool Reconnect(const Connection& connection);
  bool PortExists(const std::string& name) const { return jack_port_by_name(client_, name.c_str()) != nullptr; }
  // True once after connections of our ports changed, or after ports appeared (another
  // client's), since the last call.
  bool TakeConnectionsChanged() { return connections_changed_.exchange(false); }
  bool TakePortsAppeared() { return ports_appeared_.exchange(false); }

  // True once the server has gone away (or shut the client down); Reason() says why.
  bool ServerGone() const { return gone_.load(); }
  std::string Reason() const { return reason_; }
  uint64_t Xruns() const { return xruns_.load(); }

 private:
  static int Process(jack_nframes_t frames, void* self);
  static int BlockSizeChanged(jack_nframes_t frames, void* self);
  static int SampleRateChanged(jack_nframes_t rate, void* self);
  static int Xrun(void* self);
  static void Shutdown(jack_status_t code, const char* reason, void* self);
  static void PortRegistered(jack_port_id_t port, int registered, void* self);
  static void PortConnected(jack_port_id_t a, jack_port_id_t b, int connect, void* self);
  void ConnectPorts(const char* from, const char* to, std::string& problems);
  void ConnectMidiSources(std::string& problems);
  void DeferMidi(void* midi);
  void RenderInto(LivePlugin& plugin, float* left, float* right, void* midi, jack_nframes_t frames);
  // Keeps the process call-back out of the plug-in while `change` runs.
  template <typename Change>
  void WithRenderingHeld(Change change);

  jack_client_t* client_ = nullptr;
  jack_port_t* left_ = nullptr;
  jack_port_t* right_ = nullptr;
  jack_port_t* midi_ = nullptr;
  std::atomic<LivePlugin*> plugin_{nullptr};
  bool active_ = false;
  // 0: free, 1: the process call-back is rendering, 2: held by a change of rate or block size.
  std::atomic<int> gate_{0};
  std::atomic<bool> gone_{false};
  std::atomic<bool> following_sources_{false};
  // A change of rate or block size the plug-in has not been told yet.
  std::atomic<bool> change_pending_{false};
  std::atomic<float> pending_rate_{0.0f};
  std::atomic<int32_t> pending_block_{0};
  std::atomic<float> applied_rate_{0.0f};
  std::atomic<int32_t> applied_block_{0};
  std::atomic<bool> sources_appeared_{false};
  std::atomic<bool> ports_appeared_{false};
  std::atomic<bool> connections_changed_{false};
  std::atomic<uint64_t> xruns_{0};
  char reason_[256] = {};
  // Messages from the window to the process call-back: one writer, one reader, no lock.
  static constexpr uint32_t kPosted = 256;
  uint8_t posted_[kPosted][3] = {};
  std::atomic<uint32_t> posted_head_{0};  // written by the window
  std::atomic<uint32_t> posted_tail_{0};  // written by the process call-back
  // MIDI of blocks the plug-in was held out of; the process call-back's own.
  static constexpr uint32_t kDeferred = 256;
  uint8_t deferred_[kDeferred][3] = {};
  uint8_t deferred_size_[kDeferred] = {};
  uint32_t deferred_count_ = 0;
};

}  // namespace brelix
