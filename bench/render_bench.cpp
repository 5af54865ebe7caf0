// Rendering speed as a host sees it: the plug-in loaded through its entry point, held notes,
// blocks of 64 frames at 44.1 kHz, reported as a real-time factor (seconds of audio per second of
// processor time; above 1 is faster than real time).
//
// Brelix plays three patches (its defaults; bench/patches/four-lanes.tw, every lane audible and
// 2x oversampled; bench/patches/full-modulation.tw, both matrices, four LFOs and both delays) with
// 1, 8 and 16 voices. The peers (amsynth, ZynAddSubFX) play their own default patches with the
// same 16 notes, through the same host library, when their Debian packages are installed; a peer
// that is absent is skipped. At the end the 16-voice figures are set side by side as ratios.
//
//   BRELIX_BENCH_PLUGIN=PATH   measure another build of the plug-in instead of this one
//   BRELIX_BENCH_BASELINE=PATH measure that build too, in the same run, and give the ratios
//   BRELIX_SIMD=sse            force the plug-in's 4-lane vector path
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "patch/program_chunk.h"
#include "vst_host.h"

namespace {

using brelix::host::MidiMessage;
using brelix::host::PluginInstance;
using brelix::host::PluginLibrary;

constexpr float kRate = 44100.0f;
constexpr int kBlock = 64;
constexpr int kPeerVoices = 16;
constexpr int kClearCallsEvery = 1024;  // blocks; the host library records every call-back

struct Peer {
  const char* name;
  const char* path;  // where Debian installs its VST plug-in
};
const Peer kPeers[] = {
    {"amsynth", "/usr/lib/vst/amsynth_vst.so"},
    {"ZynAddSubFX", "/usr/lib/vst/ZynAddSubFX.so"},
};

const char* const kPatches[] = {"default", "four-lanes", "full-modulation"};

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : fallback;
}

// `voices` notes from 36 up in steps of 3, velocity 100.
std::vector<MidiMessage> HeldNotes(int voices) {
  std::vector<MidiMessage> notes;
  for (int v = 0; v < voices; ++v) notes.push_back({0x90, static_cast<uint8_t>(36 + 3 * v), 100});
  return notes;
}

// Restores a patch file with 16 voices the way a host restores a project.
void LoadPatch(PluginInstance& instance, const std::string& patch) {
  if (patch == "default") return;
  std::array<uint8_t, brelix::kProgramChunkSize> chunk{};
  const std::string file = std::string(BRELIX_SOURCE_DIR "/bench/patches/") + patch + ".tw";
  brelix::ProgramChunkWrite(chunk, {0, 15, file});
  instance.setChunk(std::vector<uint8_t>(chunk.begin(), chunk.end()));
}

void RenderHeldNotes(benchmark::State& state, const std::string& library_path, const std::string& patch) {
  const int voices = static_cast<int>(state.range(0));
  PluginInstance instance(PluginLibrary::Load(library_path), {.sample_rate = kRate});
  if (!instance.is_open()) {
    state.SkipWithError("the plug-in did not open");
    return;
  }
  instance.open();
  instance.setSampleRate(kRate);
  instance.setBlockSize(kBlock);
  LoadPatch(instance, patch);
  instance.resume();
  instance.sendMidi(HeldNotes(voices));
  int64_t blocks = 0;
  for (auto _ : state) {
    instance.process(kBlock);
    if (++blocks % kClearCallsEvery == 0) instance.clearCalls();
  }
  const double audio_seconds = static_cast<double>(state.iterations()) * kBlock / kRate;
  state.counters["realtime_factor"] = benchmark::Counter(audio_seconds, benchmark::Counter::kIsRate);
  state.counters["voices"] = voices;
  // The level of the last block: a figure for a plug-in that plays nothing would mean nothing.
  double sum = 0.0;
  for (float x : instance.left()) sum += static_cast<double>(x) * x;
  state.counters["rms"] = std::sqrt(sum / kBlock);
}

// Keeps the best real-time factor of every run by its name (with --benchmark_repetitions, the
// best of them), for the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      auto it = run.counters.find("realtime_factor");
      if (it == run.counters.end() || run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      double& best = factors[run.benchmark_name()];
      best = std::max(best, static_cast<double>(it->second.value));
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> factors;
};

void PrintRatios(const std::map<std::string, double>& factors, const std::vector<std::string>& references) {
  std::printf("\nReal-time factors with %d voices, and ours over each reference:\n", kPeerVoices);
  const std::string suffix = "/" + std::to_string(kPeerVoices);
  for (const char* patch : kPatches) {
    const auto ours = factors.find(std::string("Brelix/") + patch + suffix);
    if (ours == factors.end()) continue;
    std::printf("  Brelix %-16s %7.1fx", patch, ours->second);
    for (const std::string& reference : references) {
      std::string name = reference + suffix;
      if (reference == "Baseline") name = std::string("Baseline/") + patch + suffix;
      const auto other = factors.find(name);
      if (other != factors.end()) std::printf("   vs %s %.1fx: %.2f", reference.c_str(), other->second, ours->second / other->second);
    }
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string plugin = EnvOr("BRELIX_BENCH_PLUGIN", BRELIX_PLUGIN_PATH);
  const std::string baseline = EnvOr("BRELIX_BENCH_BASELINE", "");
  std::vector<std::string> references;

  for (const char* patch : kPatches) {
    benchmark::RegisterBenchmark((std::string("Brelix/") + patch).c_str(), RenderHeldNotes, plugin, patch)
        ->Arg(1)->Arg(8)->Arg(16)->Unit(benchmark::kMicrosecond);
  }
  if (!baseline.empty()) {
    references.push_back("Baseline");
    for (const char* patch : kPatches)
      benchmark::RegisterBenchmark((std::string("Baseline/") + patch).c_str(), RenderHeldNotes, baseline, patch)
          ->Arg(kPeerVoices)->Unit(benchmark::kMicrosecond);
  }
  for (const Peer& peer : kPeers) {
    if (!std::filesystem::exists(peer.path)) {
      std::printf("%s: not installed (%s), skipped\n", peer.name, peer.path);
      continue;
    }
    references.push_back(peer.name);
    benchmark::RegisterBenchmark(peer.name, RenderHeldNotes, std::string(peer.path), std::string("default"))
        ->Arg(kPeerVoices)->Unit(benchmark::kMicrosecond);
  }

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatios(reporter.factors, references);
  benchmark::Shutdown();
  return 0;
}
