// Rendering speed of the plug-in as a host sees it, reported as a real-time factor: seconds of
// audio rendered per second of processor time (above 1 is faster than real time).
#include <benchmark/benchmark.h>

#include <memory>

#include "vst_host.h"

namespace {

using brelix::host::MidiMessage;
using brelix::host::PluginInstance;
using brelix::host::PluginLibrary;

constexpr float kRate = 44100.0f;
constexpr int kBlock = 512;

// Holds `voices` notes of the default patch and renders blocks of 512 frames.
void RenderVoices(benchmark::State& state) {
  const int voices = static_cast<int>(state.range(0));
  PluginInstance instance(PluginLibrary::Load(BRELIX_PLUGIN_PATH));
  instance.open();
  instance.setSampleRate(kRate);
  instance.setBlockSize(kBlock);
  instance.resume();
  std::vector<MidiMessage> notes;
  for (int v = 0; v < voices; ++v) notes.push_back({0x90, static_cast<uint8_t>(36 + 3 * v), 100});
  instance.sendMidi(notes);
  for (auto _ : state) instance.process(kBlock);
  const double audio_seconds = static_cast<double>(state.iterations()) * kBlock / kRate;
  state.counters["realtime_factor"] = benchmark::Counter(audio_seconds, benchmark::Counter::kIsRate);
  state.counters["voices"] = voices;
}
BENCHMARK(RenderVoices)->Arg(0)->Arg(1)->Arg(8)->Arg(16)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
