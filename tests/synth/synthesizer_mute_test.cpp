// The engine bracket: BeginProcessUpdate / EndProcessUpdate against the render call.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "support/synth_instance.h"
#include "synth/synthesizer.h"

namespace {

using brelix::XSynthesizer;

constexpr float kSentinel = 12345.0f;

using brelix::testing::MakeSynth;
using brelix::testing::Synth;

// What a render call left in its buffers: the sentinel somewhere (a host that does not clear
// its buffers would play them again), silence, or the held note.
enum class Block { Untouched, Silent, Sound };

// One render call through the host's entry (or its accumulating twin) into sentinel-filled
// buffers.
Block RenderCall(XSynthesizer& synth, int frames = 32, bool accumulating = false) {
  std::vector<float> left(frames, kSentinel), right(frames, kSentinel);
  float* outputs[2] = {left.data(), right.data()};
  AEffect* e = synth.Effect();
  (accumulating ? e->process : e->processReplacing)(e, nullptr, outputs, frames);
  bool silent = true;
  for (int i = 0; i < frames; ++i) {
    if (left[i] == kSentinel || right[i] == kSentinel) return Block::Untouched;
    silent = silent && left[i] == 0.0f && right[i] == 0.0f;
  }
  return silent ? Block::Silent : Block::Sound;
}

// An instance holding a note of the default patch (which sustains), past its first block.
Synth MakeSounding() {
  Synth synth = MakeSynth();
  const uint8_t note_on[3] = {0x90, 60, 100};
  synth->Multi->ProcessEvent(note_on);
  RenderCall(*synth, 256);
  return synth;
}

TEST(MuteBracket, NestedBracketsNeedAsManyEndsAndRenderSilenceMeanwhile) {
  Synth synth = MakeSounding();
  EXPECT_EQ(RenderCall(*synth), Block::Sound);

  synth->BeginProcessUpdate();
  synth->BeginProcessUpdate();
  EXPECT_EQ(synth->Mute(), 2);
  EXPECT_EQ(RenderCall(*synth), Block::Silent);
  EXPECT_EQ(RenderCall(*synth, 0), Block::Silent);

  synth->EndProcessUpdate();
  EXPECT_EQ(synth->Mute(), 1);
  EXPECT_EQ(RenderCall(*synth), Block::Silent);  // still inside the outer bracket
  // The accumulating entry is the same render call.
  EXPECT_EQ(RenderCall(*synth, 8, true), Block::Silent);

  synth->EndProcessUpdate();
  EXPECT_EQ(synth->Mute(), 0);
  EXPECT_EQ(RenderCall(*synth), Block::Sound);
  EXPECT_FALSE(synth->Processing());
}

TEST(MuteBracket, ExtraEndLeavesMuteAtZero) {
  Synth synth = MakeSounding();
  synth->EndProcessUpdate();
  synth->EndProcessUpdate();
  EXPECT_EQ(synth->Mute(), 0);
  EXPECT_EQ(RenderCall(*synth), Block::Sound);

  // The next bracket mutes at once: no debt from the extra ends.
  synth->BeginProcessUpdate();
  EXPECT_EQ(synth->Mute(), 1);
  EXPECT_EQ(RenderCall(*synth), Block::Silent);
  synth->EndProcessUpdate();
  synth->EndProcessUpdate();
  EXPECT_EQ(synth->Mute(), 0);
}

// A render thread runs blocks without pause while this thread opens and closes brackets. A render
// call that lies wholly inside one bracket must write silence without playing the held note, and
// inside a bracket no render call may be in the engine.
TEST(MuteBracket, RenderThreadNeverEntersAnOpenBracket) {
  Synth synth = MakeSounding();
  constexpr int kBrackets = 10000;
  constexpr int kMaxRenderCalls = 2000000;

  // Even: no bracket open; odd: inside bracket number generation / 2.
  std::atomic<uint32_t> generation{0};
  std::atomic<bool> done{false};
  std::atomic<int> not_silent_inside{0};
  std::atomic<int> calls_inside{0};
  std::atomic<int> calls_total{0};

  std::thread render([&] {
    for (int n = 0; n < kMaxRenderCalls && !done.load(); ++n) {
      uint32_t before = generation.load();
      const Block block = RenderCall(*synth, 16);
      uint32_t after = generation.load();
      calls_total.fetch_add(1);
      if (before == after && (before & 1) != 0) {
        calls_inside.fetch_add(1);
        if (block != Block::Silent) not_silent_inside.fetch_add(1);
      }
    }
  });

  while (calls_total.load() == 0) std::this_thread::yield();  // the render thread is running

  int processing_seen_inside = 0;
  for (int b = 0; b < kBrackets; ++b) {
    synth->BeginProcessUpdate();
    generation.fetch_add(1);
    // Keep the bracket open until the render thread has tried at least one whole call in it
    // (bounded, in case that thread is not scheduled meanwhile).
    const int calls_at_open = calls_total.load();
    for (int spin = 0; spin < 100000 && calls_total.load() < calls_at_open + 2; ++spin)
      processing_seen_inside += synth->Processing() ? 1 : 0;
    generation.fetch_add(1);
    synth->EndProcessUpdate();
  }
  done = true;
  render.join();

  EXPECT_EQ(processing_seen_inside, 0);
  EXPECT_EQ(not_silent_inside.load(), 0);
  EXPECT_EQ(synth->Mute(), 0);
  EXPECT_FALSE(synth->Processing());
  EXPECT_GT(calls_inside.load(), 0);  // the run did test calls made inside brackets
}

// A host that holds the audio thread inside its time query, i.e. inside a render call, until the
// test lets it go.
std::atomic<bool> g_render_inside{false};
std::atomic<bool> g_render_release{false};

intptr_t HoldingHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  if (opcode == audioMasterGetTime) {
    g_render_inside = true;
    while (!g_render_release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
  }
  return opcode == audioMasterVersion ? 2400 : 0;
}

// A host that closes the instance while its audio thread is still inside a render call: the
// close waits until that call has left the engine, which is then still whole.
TEST(MuteBracket, ClosingWaitsForARenderCallInFlight) {
  AEffect* e = XSynthesizer::Create(&HoldingHost)->Effect();
  std::vector<float> left(64), right(64);
  float* outputs[2] = {left.data(), right.data()};
  std::thread audio([&] { e->processReplacing(e, nullptr, outputs, 64); });
  while (!g_render_inside) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::atomic<bool> closed{false};
  std::thread host([&] {
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    closed = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(closed);
  g_render_release = true;
  audio.join();
  host.join();
  EXPECT_TRUE(closed);
}

}  // namespace
