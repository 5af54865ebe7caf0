// A rate change whose new delay cannot be allocated: the host's call fails quietly, and the
// instance must neither stay muted nor lose its old delay.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "modulation/delay.h"
#include "support/audio_measures.h"
#include "synth/synth_fixture.h"

namespace {

// While set, every allocation through operator new fails as on a full heap.
std::atomic<bool> g_heap_full{false};

}  // namespace

// The whole program's operator new and delete, so that a test can make allocations fail. Both
// sides go through malloc and free, which keeps them a matching pair under the sanitizers too;
// the compiler, seeing free() reached from a delete expression once these are inlined, would
// take that for a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (g_heap_full.load(std::memory_order_relaxed)) throw std::bad_alloc();
  if (void* block = std::malloc(size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
#pragma GCC diagnostic pop

namespace brelix {
namespace {

using testing::Rms;
using testing::SynthFixture;

// Sets the host rate through the dispatcher, as a host does, with the heap full meanwhile.
void SetRateWithHeapFull(XSynthesizer& synth, float rate) {
  AEffect* effect = synth.Effect();
  g_heap_full = true;
  effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, rate);
  g_heap_full = false;
}

TEST(RateChangeOutOfMemory, TheInstanceKeepsPlayingWithItsOldDelay) {
  SynthFixture f;
  f.patch().DelayWet = 0.5f;  // the delay in the signal path
  DelayRebuild(f.patch(), true);
  const XDelay* delay = f.patch().Delay;

  SetRateWithHeapFull(*f.synth, 48000.0f);
  // The rate's constants were written before the delay failed ...
  EXPECT_EQ(f.synth->SynthWork->RealSampleRate.lane(0), 48000.0f);
  // ... and the old delay object stayed in place, still selected.
  EXPECT_EQ(f.patch().Delay, delay);
  EXPECT_EQ(f.patch().FX1Ptr, delay);

  EXPECT_EQ(f.synth->Mute(), 0);
  f.NoteOn(60);
  EXPECT_GT(Rms(f.Render(4096)), 0.01);

  // With memory again, the next rate change builds its delay.
  f.synth->Effect()->dispatcher(f.synth->Effect(), effSetSampleRate, 0, 0, nullptr, 44100.0f);
  EXPECT_NE(f.patch().Delay, delay);
  EXPECT_EQ(f.synth->Mute(), 0);
}

}  // namespace
}  // namespace brelix
