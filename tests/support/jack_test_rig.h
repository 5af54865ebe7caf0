// Two JACK clients of a test, for a program that plays through the server: "notes" with a MIDI
// output and "recorder" with two audio inputs.
#pragma once

#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "support/note_measures.h"

namespace brelix::testing {

using namespace std::chrono_literals;

inline bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

// Two clients of the test: "notes" with a MIDI output that claims to be a physical source (as a
// MIDI keyboard's bridge port does, so --connect takes it), and "recorder" with two audio inputs.
// In the server's graph they run before and after the program, all in one cycle.
class TestRig {
 public:
  TestRig() {
    jack_set_error_function([](const char*) {});
    notes_ = jack_client_open("notes", JackNoStartServer, nullptr);
    recorder_ = jack_client_open("recorder", JackNoStartServer, nullptr);
    if (notes_ == nullptr || recorder_ == nullptr) return;
    rate_ = static_cast<int>(jack_get_sample_rate(recorder_));
    midi_out_ = jack_port_register(notes_, "out", JACK_DEFAULT_MIDI_TYPE,
                                   JackPortIsOutput | JackPortIsPhysical | JackPortIsTerminal, 0);
    in_[0] = jack_port_register(recorder_, "in_l", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    in_[1] = jack_port_register(recorder_, "in_r", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    for (auto& channel : recorded_) channel.assign(static_cast<size_t>(rate_) * 4, 0.0f);
    jack_set_process_callback(notes_, NotesProcess, this);
    jack_set_process_callback(recorder_, RecorderProcess, this);
    ok_ = midi_out_ != nullptr && in_[0] != nullptr && in_[1] != nullptr && jack_activate(notes_) == 0 &&
          jack_activate(recorder_) == 0;
  }
  ~TestRig() {
    if (notes_ != nullptr) jack_client_close(notes_);
    if (recorder_ != nullptr) jack_client_close(recorder_);
  }

  bool ok() const { return ok_; }
  int rate() const { return rate_; }
  jack_client_t* client() const { return notes_; }

  bool WaitForProgram() {
    return WaitUntil([&] { return jack_port_by_name(recorder_, "Brelix:out_r") != nullptr; }, 20s);
  }
  // A second physical MIDI source, as a keyboard plugged in while the program runs.
  bool AddSource(const char* name) {
    return jack_port_register(notes_, name, JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput | JackPortIsPhysical | JackPortIsTerminal,
                              0) != nullptr;
  }
  bool Connected(const char* a, const char* b) const {
    const jack_port_t* port = jack_port_by_name(notes_, a);
    return port != nullptr && jack_port_connected_to(port, b) != 0;
  }
  // The program's outputs to the recorder's inputs, once its client is active (the server
  // connects no ports of a client that is not).
  bool ConnectRecorder() {
    return WaitUntil([&] {
      jack_connect(recorder_, "Brelix:out_l", "recorder:in_l");
      jack_connect(recorder_, "Brelix:out_r", "recorder:in_r");
      return Connected("Brelix:out_l", "recorder:in_l") && Connected("Brelix:out_r", "recorder:in_r");
    }, 20s);
  }

  // Waits until `frames` have been recorded since StartRecording (20 s at most).
  void WaitForRecorded(size_t frames) {
    WaitUntil([&] { return written_.load() >= std::min(frames, recorded_[0].size()); }, 20s);
  }

  // Waits (10 s at most) until the program has been silent for 4096 frames: a note played next
  // is then heard alone, not over the release of the one before.
  void WaitForSilence() {
    StartRecording();
    WaitUntil([&] {
      const size_t n = written_.load();
      return n >= 4096 && ChangeRms(recorded_[0], n - 4096, n) < kSilence;
    }, 10s);
  }

  void StartRecording() {
    start_frame_ = -1;
    written_ = 0;
    recording_ = true;
  }
  // The left channel since StartRecording.
  std::vector<float> StopRecording() {
    // A cycle or two more, so that whatever was played last is in.
    std::this_thread::sleep_for(50ms);
    recording_ = false;
    std::this_thread::sleep_for(50ms);
    return std::vector<float>(recorded_[0].begin(), recorded_[0].begin() + static_cast<long>(written_.load()));
  }

  // Plays a note through the server's MIDI, recording from just before it to a little after its
  // release; the recording returned starts at the frame the note-on was sent at.
  std::vector<float> PlayNote(uint8_t note, uint8_t velocity, double seconds) {
    // The note before has died away first (its release would sound before this note's frame).
    WaitForSilence();
    sent_frame_ = -1;
    StartRecording();
    Send(0x90, note, velocity);
    WaitUntil([&] { return sent_frame_ >= 0 && start_frame_ >= 0; }, 5s);
    // Counted in the server's frames, not the clock's: a loaded machine runs a dummy server slow.
    const size_t held = static_cast<size_t>(sent_frame_.load() - start_frame_.load()) + static_cast<size_t>(seconds * rate_);
    WaitForRecorded(held);
    Send(0x80, note, 0);
    WaitForRecorded(held + static_cast<size_t>(0.15 * rate_));
    std::vector<float> left = StopRecording();
    const int64_t first = start_frame_.load(), sent = sent_frame_.load();
    // Whatever came before the note-on is dropped; the sound must not have started there.
    const int64_t skip = sent - first;
    quiet_before_ = skip >= 0 && ChangeRms(left, 0, static_cast<size_t>(skip)) < kSilence;
    if (skip < 0 || skip >= static_cast<int64_t>(left.size())) return {};
    return std::vector<float>(left.begin() + skip, left.end());
  }
  bool QuietBeforeNote() const { return quiet_before_; }

 private:
  void Send(uint8_t status, uint8_t first, uint8_t second) {
    message_[0] = status;
    message_[1] = first;
    message_[2] = second;
    pending_ = true;
  }

  // The message goes out in the middle of a block, so a program that applied it at the block's
  // start would sound early.
  static int NotesProcess(jack_nframes_t frames, void* data) {
    auto* self = static_cast<TestRig*>(data);
    void* buffer = jack_port_get_buffer(self->midi_out_, frames);
    jack_midi_clear_buffer(buffer);
    if (self->pending_.load()) {
      const jack_nframes_t offset = frames / 2 + 3;
      jack_midi_event_write(buffer, offset, self->message_, 3);
      if (self->message_[0] == 0x90) self->sent_frame_ = static_cast<int64_t>(jack_last_frame_time(self->notes_)) + offset;
      self->pending_ = false;
    }
    return 0;
  }

  static int RecorderProcess(jack_nframes_t frames, void* data) {
    auto* self = static_cast<TestRig*>(data);
    if (!self->recording_.load()) return 0;
    size_t at = self->written_.load();
    if (at == 0) self->start_frame_ = static_cast<int64_t>(jack_last_frame_time(self->recorder_));
    for (int c = 0; c < 2; ++c) {
      const auto* in = static_cast<const float*>(jack_port_get_buffer(self->in_[c], frames));
      for (jack_nframes_t i = 0; i < frames && at + i < self->recorded_[c].size(); ++i) self->recorded_[c][at + i] = in[i];
    }
    self->written_ = std::min(at + frames, self->recorded_[0].size());
    return 0;
  }

  jack_client_t* notes_ = nullptr;
  jack_client_t* recorder_ = nullptr;
  jack_port_t* midi_out_ = nullptr;
  jack_port_t* in_[2] = {};
  int rate_ = 0;
  bool ok_ = false;
  bool quiet_before_ = false;
  uint8_t message_[3] = {};
  std::atomic<bool> pending_{false};
  std::atomic<int64_t> sent_frame_{-1};
  std::atomic<bool> recording_{false};
  std::atomic<size_t> written_{0};
  std::atomic<int64_t> start_frame_{-1};
  std::vector<float> recorded_[2];
};

}  // namespace brelix::testing
