// MIDI messages that arrive while the engine is muted wait here, in order, until the next render
// call that may touch the engine. Fixed capacity, no allocation; written and read on the audio
// thread only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace brelix {

class MidiQueue {
 public:
  static constexpr size_t kCapacity = 4096;
  struct Message {
    uint8_t bytes[3];
  };

  // False when full: the message is dropped (a host would need to send thousands of events
  // during one patch load for that).
  bool Push(const uint8_t bytes[3]) {
    if (count_ == kCapacity) {
      ++dropped_;
      return false;
    }
    Message& m = messages_[(head_ + count_) % kCapacity];
    m.bytes[0] = bytes[0];
    m.bytes[1] = bytes[1];
    m.bytes[2] = bytes[2];
    ++count_;
    return true;
  }

  // Hands every waiting message to `apply` in arrival order and empties the queue.
  template <typename Apply>
  void Drain(Apply&& apply) {
    while (count_ > 0) {
      const Message m = messages_[head_];
      head_ = (head_ + 1) % kCapacity;
      --count_;
      apply(m.bytes);
    }
  }

  size_t size() const { return count_; }
  size_t dropped() const { return dropped_; }

 private:
  std::array<Message, kCapacity> messages_{};
  size_t head_ = 0;
  size_t count_ = 0;
  size_t dropped_ = 0;
};

}  // namespace brelix
