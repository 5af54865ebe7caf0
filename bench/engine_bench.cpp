// Engine speed with every modulation path busy: all sixteen slots of both matrices, four LFOs
// per voice and both stereo delays, reported as a real-time factor (audio seconds per processor
// second).
#include <benchmark/benchmark.h>

#include <memory>

#include "engine/rates.h"
#include "modulation/delay.h"
#include "patch/patch_derived.h"
#include "synth/synthesizer.h"

namespace {

using namespace brelix;

constexpr float kRate = 44100.0f;
constexpr int kBlock = 512;

intptr_t SilentHost(AEffect*, int32_t, int32_t, intptr_t, void*, float) { return 0; }

// Slot s of each matrix: LFO and envelope sources onto pitch, cutoff, levels, pans, rates.
void FullModulation(XPatch& p) {
  const uint32_t sources[16] = {1, 2, 3, 4, 5, 6, 7, 9, 13, 17, 21, 25, 26, 29, 31, 32};
  const uint32_t dests[16] = {1, 13, 14, 17, 5, 29, 33, 41, 42, 45, 49, 57, 61, 73, 37, 53};
  for (int slot = 0; slot < 16; ++slot) {
    p.ModSource[slot / 4].set_lane(slot % 4, sources[slot]);
    p.ModDest[slot / 4].set_lane(slot % 4, dests[slot]);
    p.ModAmount[slot / 4].set_lane(slot % 4, 0.05f);
    p.MidiModSource[slot / 4].set_lane(slot % 4, static_cast<uint32_t>(-1 - slot));  // controllers
    p.MidiModDest[slot / 4].set_lane(slot % 4, dests[15 - slot]);
    p.MidiModAmount[slot / 4].set_lane(slot % 4, 0.05f);
  }
  p.LfoRate = QSingle::of(0.5f, 3.0f, 7.0f, 0.2f);
  p.FilterLevel = QSingle::splat(0.5f);
  p.DelayWet = p.AuxDelayWet = 0.3f;
  p.DelayFeedbackL = p.DelayFeedbackR = p.AuxDelayFeedbackL = p.AuxDelayFeedbackR = 0.4f;
  p.DelayRouting = 1.0f;
}

void RenderFullyModulated(benchmark::State& state) {
  const int voices = static_cast<int>(state.range(0));
  std::unique_ptr<XSynthesizer> synth(XSynthesizer::Create(SilentHost));
  synth->SetSampleRate(kRate);
  XPatch& patch = *synth->Multi->EditBuffer;
  FullModulation(patch);
  PatchRecalculate(patch);
  DelayRebuild(patch, true);
  synth->AllocateVoices();
  for (int v = 0; v < voices; ++v) {
    const uint8_t note[3] = {0x90, static_cast<uint8_t>(36 + 3 * v), 100};
    synth->Multi->ProcessEvent(note);
  }
  std::vector<float> left(kBlock), right(kBlock);
  float* outputs[2] = {left.data(), right.data()};
  for (auto _ : state) synth->ProcessReplacing(nullptr, outputs, kBlock);
  const double audio_seconds = static_cast<double>(state.iterations()) * kBlock / kRate;
  state.counters["realtime_factor"] = benchmark::Counter(audio_seconds, benchmark::Counter::kIsRate);
  state.counters["voices"] = voices;
}
BENCHMARK(RenderFullyModulated)->Arg(1)->Arg(8)->Arg(16)->Unit(benchmark::kMicrosecond);

}  // namespace
