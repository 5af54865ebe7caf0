// An audio thread that renders an instance block after block without pause, as a busy host does,
// until the test stops it; it counts the blocks and the samples that were not finite.
#pragma once

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

#include "synth/synthesizer.h"

namespace brelix::testing {

class RenderThread {
 public:
  // `before_block` runs on the audio thread ahead of each block (events, for instance).
  explicit RenderThread(XSynthesizer& synth, std::function<void()> before_block = {})
      : thread_([this, &synth, before_block] {
          std::vector<float> left(128), right(128);
          float* outputs[2] = {left.data(), right.data()};
          while (!stop_) {
            if (before_block) before_block();
            synth.ProcessReplacing(nullptr, outputs, 128);
            for (float v : left)
              if (!std::isfinite(v)) ++bad_samples_;
            ++blocks_;
          }
        }) {}
  ~RenderThread() { Stop(); }
  RenderThread(const RenderThread&) = delete;
  RenderThread& operator=(const RenderThread&) = delete;

  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  int Blocks() const { return blocks_; }
  // Waits, sleeping, until the thread has made `count` render calls in all; false when `limit`
  // passes first. A test that means to meet the thread waits for its first call, which a busy
  // machine may start late.
  bool WaitForBlocks(int count, std::chrono::milliseconds limit = std::chrono::seconds(10)) const {
    const auto give_up = std::chrono::steady_clock::now() + limit;
    while (blocks_ < count) {
      if (std::chrono::steady_clock::now() > give_up) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  int BadSamples() const { return bad_samples_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> blocks_{0};
  std::atomic<int> bad_samples_{0};
  std::thread thread_;  // last: starts once the counters exist
};

}  // namespace brelix::testing
