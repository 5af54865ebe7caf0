#include "jack_session.h"

#include <jack/midiport.h>

#include <cstring>
#include <future>
#include <memory>
#include <thread>

#include "base/printable_text.h"

namespace brelix {

namespace {

constexpr const char* kClientName = "Brelix";
constexpr const char* kNoServer =
    "no JACK server is running; start one first (for example 'jackd -d alsa'), or run brelix "
    "under PipeWire's JACK interface ('pw-jack brelix')";

// Channel messages only: system exclusive and real-time bytes mean nothing to the plug-in.
bool IsChannelMessage(const jack_midi_event_t& event) {
  return event.size >= 1 && event.size <= 3 && (event.buffer[0] & 0x80) != 0 && event.buffer[0] < 0xF0;
}

// The library's own complaints (a missing server socket and the like) say less than our one line.
void Quiet(const char*) {}

}  // namespace

JackSession::JackSession() {
  jack_set_error_function(Quiet);
  jack_set_info_function(Quiet);
  jack_status_t status{};
  client_ = jack_client_open(kClientName, JackNoStartServer, &status);
  if (client_ == nullptr) {
    if (status & JackServerFailed) throw NoServerError(kNoServer);
    throw std::runtime_error("the JACK server refused the client (status 0x" + std::to_string(status) + ")");
  }
  left_ = jack_port_register(client_, "out_l", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
  right_ = jack_port_register(client_, "out_r", JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0);
  midi_ = jack_port_register(client_, "midi_in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  if (left_ == nullptr || right_ == nullptr || midi_ == nullptr) {
    jack_client_close(client_);
    throw std::runtime_error("the JACK server would not give the client its ports");
  }
  jack_set_process_callback(client_, Process, this);
  jack_set_buffer_size_callback(client_, BlockSizeChanged, this);
  jack_set_sample_rate_callback(client_, SampleRateChanged, this);
  jack_set_xrun_callback(client_, Xrun, this);
  jack_on_info_shutdown(client_, Shutdown, this);
  jack_set_port_registration_callback(client_, PortRegistered, this);
  jack_set_port_connect_callback(client_, PortConnected, this);
}

JackSession::~JackSession() {
  if (client_ == nullptr) return;
  Stop();
  if (active_ && !gone_.load()) jack_deactivate(client_);
  jack_client_close(client_);
}

void JackSession::Start(LivePlugin& plugin) {
  applied_rate_ = SampleRate();
  applied_block_ = BlockSize();
  pending_rate_ = applied_rate_.load();
  pending_block_ = applied_block_.load();
  plugin_ = &plugin;
  if (jack_activate(client_) != 0) throw std::runtime_error("the JACK server would not start the client");
  active_ = true;
}

void JackSession::Stop() {
  // Whatever the server still does, the plug-in is not rendered any more.
  WithRenderingHeld([&] { plugin_ = nullptr; });
}

bool JackSession::Close(std::chrono::milliseconds limit) {
  Stop();
  if (client_ == nullptr) return true;
  // A stopped server answers nothing, and the library waits for its answer without end: the
  // waiting is done by a thread that the program need not wait for.
  std::promise<void> closed;
  std::future<void> done = closed.get_future();
  std::thread([client = client_, deactivate = active_ && !gone_.load(), closed = std::move(closed)]() mutable {
    if (deactivate) jack_deactivate(client);
    jack_client_close(client);
    closed.set_value();
  }).detach();
  client_ = nullptr;
  active_ = false;
  return done.wait_for(limit) == std::future_status::ready;
}

std::string JackSession::Connect() {
  std::string problems;
  const auto connect = [&](const char* from, const char* to) { ConnectPorts(from, to, problems); };
  if (const char** playback = jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE, JackPortIsPhysical | JackPortIsInput)) {
    if (playback[0] != nullptr) connect(jack_port_name(left_), playback[0]);
    if (playback[0] != nullptr) connect(jack_port_name(right_), playback[1] != nullptr ? playback[1] : playback[0]);
    if (playback[0] == nullptr) problems += "no playback ports to connect the outputs to\n";
    jack_free(playback);
  } else {
    problems += "no playback ports to connect the outputs to\n";
  }
  ConnectMidiSources(problems);
  following_sources_ = true;
  return problems;
}

void JackSession::ConnectPorts(const char* from, const char* to, std::string& problems) {
  const int result = jack_connect(client_, from, to);
  if (result != 0 && result != EEXIST) problems += "cannot connect " + PrintableText(from) + " to " + PrintableText(to) + "\n";
}

void JackSession::ConnectMidiSources(std::string& problems) {
  const char** sources = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, JackPortIsPhysical | JackPortIsOutput);
  if (sources == nullptr) return;
  for (const char** source = sources; *source != nullptr; ++source) {
    if (!jack_port_connected_to(midi_, *source)) ConnectPorts(*source, jack_port_name(midi_), problems);
  }
  jack_free(sources);
}

void JackSession::Tend() {
  LivePlugin* plugin = plugin_.load();
  if (plugin != nullptr && change_pending_.load()) {
    WithRenderingHeld([&] {
      change_pending_ = false;
      applied_rate_ = pending_rate_.load();
      applied_block_ = pending_block_.load();
      plugin->Reconfigure(applied_rate_, applied_block_);
    });
  }
  if (!following_sources_.load() || !sources_appeared_.exchange(false) || gone_.load()) return;
  std::string ignored;  // a source that went again at once is no news
  ConnectMidiSources(ignored);
}

// The server's notification thread: the connecting is left to the user-interface thread, since
// a client may not change connections inside a call-back.
void JackSession::PortRegistered(jack_port_id_t /*port*/, int registered, void* data) {
  if (registered == 0) return;
  auto* self = static_cast<JackSession*>(data);
  self->sources_appeared_ = true;
  self->ports_appeared_ = true;
}

void JackSession::PortConnected(jack_port_id_t, jack_port_id_t, int, void* data) {
  static_cast<JackSession*>(data)->connections_changed_ = true;
}

std::vector<JackSession::Connection> JackSession::Connections() const {
  std::vector<Connection> connections;
  for (jack_port_t* port : {left_, right_, midi_}) {
    const char** others = jack_port_get_all_connections(client_, port);
    if (others == nullptr) continue;
    for (const char** other = others; *other != nullptr; ++other) connections.emplace_back(jack_port_short_name(port), *other);
    jack_free(others);
  }
  return connections;
}

bool JackSession::Reconnect(const Connection& connection) {
  jack_port_t* own = jack_port_by_name(client_, (ClientName() + ":" + connection.first).c_str());
  if (own == nullptr || jack_port_by_name(client_, connection.second.c_str()) == nullptr) return false;
  const bool input = (jack_port_flags(own) & JackPortIsInput) != 0;
  const char* ownName = jack_port_name(own);
  const int result = input ? jack_connect(client_, connection.second.c_str(), ownName)
                           : jack_connect(client_, ownName, connection.second.c_str());
  return result == 0 || result == EEXIST;
}

template <typename Change>
void JackSession::WithRenderingHeld(Change change) {
  // The wait is at most one render call long.
  int expected = 0;
  while (!gate_.compare_exchange_weak(expected, 2)) {
    expected = 0;
    std::this_thread::yield();
  }
  change();
  gate_ = 0;
}

int JackSession::Process(jack_nframes_t frames, void* data) {
  auto* self = static_cast<JackSession*>(data);
  auto* left = static_cast<float*>(jack_port_get_buffer(self->left_, frames));
  auto* right = static_cast<float*>(jack_port_get_buffer(self->right_, frames));
  void* midi = jack_port_get_buffer(self->midi_, frames);
  // The plug-in is looked up only once the gate is taken: Stop clears it while holding the gate.
  LivePlugin* plugin = nullptr;
  if (int expected = 0; self->gate_.compare_exchange_strong(expected, 1)) {
    plugin = self->plugin_.load();
    if (plugin == nullptr) self->gate_ = 0;
  }
  if (plugin == nullptr) {
    std::memset(left, 0, frames * sizeof(float));
    std::memset(right, 0, frames * sizeof(float));
    self->DeferMidi(midi);
    return 0;
  }
  self->RenderInto(*plugin, left, right, midi, frames);
  self->gate_ = 0;
  return 0;
}

// A block the plug-in was held out of keeps its MIDI for the next one: a note-off lost there
// would leave its note sounding.
void JackSession::DeferMidi(void* midi) {
  const uint32_t count = jack_midi_get_event_count(midi);
  for (uint32_t i = 0; i < count && deferred_count_ < kDeferred; ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, midi, i) != 0 || !IsChannelMessage(event)) continue;
    std::memcpy(deferred_[deferred_count_], event.buffer, event.size);
    deferred_size_[deferred_count_++] = static_cast<uint8_t>(event.size);
  }
}

// The plug-in applies an event list at once, so the block is rendered in pieces that start at
// each event's frame: every note sounds from its own frame, not from the block's start. What
// waited (held blocks, the window's keys) comes first.
void JackSession::RenderInto(LivePlugin& plugin, float* left, float* right, void* midi, jack_nframes_t frames) {
  const auto add = [&](const uint8_t* bytes, size_t size) {
    if (!plugin.AddMidi(bytes, size)) {
      plugin.FlushMidi();
      plugin.AddMidi(bytes, size);
    }
  };
  for (uint32_t i = 0; i < deferred_count_; ++i) add(deferred_[i], deferred_size_[i]);
  deferred_count_ = 0;
  const uint32_t head = posted_head_.load(std::memory_order_acquire);
  for (uint32_t tail = posted_tail_.load(std::memory_order_relaxed); tail != head; ++tail) {
    add(posted_[tail % kPosted], 3);
    posted_tail_.store(tail + 1, std::memory_order_release);
  }
  const uint32_t count = jack_midi_get_event_count(midi);
  uint32_t next = 0;
  jack_nframes_t done = 0;
  while (done < frames) {
    jack_nframes_t until = frames;
    while (next < count) {
      jack_midi_event_t event;
      if (jack_midi_event_get(&event, midi, next) != 0) {
        ++next;
        continue;
      }
      if (event.time > done) {
        until = event.time < frames ? event.time : frames;
        break;
      }
      if (IsChannelMessage(event)) add(event.buffer, event.size);
      ++next;
    }
    plugin.FlushMidi();
    plugin.Render(left + done, right + done, static_cast<int32_t>(until - done));
    done = until;
  }
}

bool JackSession::PostMidi(uint8_t status, uint8_t first, uint8_t second) {
  const uint32_t head = posted_head_.load(std::memory_order_relaxed);
  if (head - posted_tail_.load(std::memory_order_acquire) >= kPosted) return false;
  posted_[head % kPosted][0] = status;
  posted_[head % kPosted][1] = first;
  posted_[head % kPosted][2] = second;
  posted_head_.store(head + 1, std::memory_order_release);
  return true;
}

// The server's threads only take note; the plug-in hears of it on the user-interface thread.
int JackSession::BlockSizeChanged(jack_nframes_t frames, void* data) {
  auto* self = static_cast<JackSession*>(data);
  self->pending_block_ = static_cast<int32_t>(frames);
  if (self->plugin_.load() != nullptr && static_cast<int32_t>(frames) != self->applied_block_) self->change_pending_ = true;
  return 0;
}

int JackSession::SampleRateChanged(jack_nframes_t rate, void* data) {
  auto* self = static_cast<JackSession*>(data);
  self->pending_rate_ = static_cast<float>(rate);
  if (self->plugin_.load() != nullptr && static_cast<float>(rate) != self->applied_rate_) self->change_pending_ = true;
  return 0;
}

int JackSession::Xrun(void* data) {
  static_cast<JackSession*>(data)->xruns_.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

void JackSession::Shutdown(jack_status_t /*code*/, const char* reason, void* data) {
  auto* self = static_cast<JackSession*>(data);
  std::strncpy(self->reason_, reason != nullptr && *reason != '\0' ? reason : "the server stopped", sizeof self->reason_ - 1);
  self->gone_ = true;
}

}  // namespace brelix
