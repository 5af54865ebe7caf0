// Rendering speed as a host sees it: the plug-in loaded through its entry point, held notes,
// blocks of 64 frames at 44.1 kHz, reported as a real-time factor (seconds of audio per second of
// processor time; above 1 is faster than real time).
//
// Brelix plays three patches (its defaults; bench/patches/four-lanes.tw, every lane audible and
// 2x oversampled; bench/patches/full-modulation.tw, both matrices, four LFOs and both delays) with
// 1, 8 and 16 voices on the processor's widest vector path, and with 16 voices on each narrower
// path it has (BRELIX_SIMD=avx2, =sse, set for the instance it opens). The notes start in one
// frame; "four-lanes-apart" starts them 5 frames apart, as a host's notes rarely share a frame. The
// peers (amsynth, ZynAddSubFX) play their own default patches with the same 16 notes, both ways,
// through the same host library, when their Debian packages are installed; a peer that is absent
// is skipped. At the end the 16-voice figures are set side by side as ratios.
//
// Then the worst case a host meets: the 16 voices of four-lanes.tw with a storm of 16 note-ons
// every 100 ms (in one block, each stealing a voice), and the distribution of one 64-frame block's
// processor time (the render thread's own clock, the least of three seeded passes, so that other
// work on the machine counts as little as it can) as a share of the block's duration at 44.1 kHz.
// `--block_times_only` measures only this.
//
//   BRELIX_BENCH_PLUGIN=PATH   measure another build of the plug-in instead of this one
//   BRELIX_BENCH_BASELINE=PATH measure that build too, in the same run, and give the ratios
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <time.h>

#include "engine/qvector.h"
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

// What our instances play: a patch, and the frames from one note-on to the next (0: all in the
// same frame). A host rarely sends notes in one frame, and then each voice has its control ticks
// in frames of its own: the "-apart" figures show what that costs.
struct Workload {
  const char* name;
  const char* patch;
  int note_spacing;
};
constexpr int kApartSpacing = 5;  // frames; with a tick every 8 frames, every voice's falls apart from the last one's
const Workload kWorkloads[] = {{"default", "default", 0},
                               {"four-lanes", "four-lanes", 0},
                               {"full-modulation", "full-modulation", 0},
                               {"four-lanes-apart", "four-lanes", kApartSpacing}};

// The vector paths this processor runs (the BRELIX_SIMD value of each), widest first; "" is the
// widest a build chooses by itself.
std::vector<std::string> NarrowerPaths() {
  std::vector<std::string> paths;
  if (brelix::WidestVectorPath() > brelix::VectorPath::Avx2) paths.push_back("avx2");
  if (brelix::WidestVectorPath() > brelix::VectorPath::Sse) paths.push_back("sse");
  return paths;
}
std::string WidestPathName() {
  switch (brelix::WidestVectorPath()) {
    case brelix::VectorPath::Avx512: return "avx512";
    case brelix::VectorPath::Avx2: return "avx2";
    case brelix::VectorPath::Sse: break;
  }
  return "sse";
}

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

// An instance of the plug-in at `library_path` on the vector path `simd` (BRELIX_SIMD; "" for the
// widest), ready to play `patch`; none when it does not open.
std::unique_ptr<PluginInstance> StartInstance(const std::string& library_path, const std::string& patch,
                                              const std::string& simd) {
  if (simd.empty()) unsetenv("BRELIX_SIMD");
  else setenv("BRELIX_SIMD", simd.c_str(), 1);
  auto instance = std::make_unique<PluginInstance>(PluginLibrary::Load(library_path), brelix::host::HostConfig{.sample_rate = kRate});
  unsetenv("BRELIX_SIMD");
  if (!instance->is_open()) return nullptr;
  instance->open();
  instance->setSampleRate(kRate);
  instance->setBlockSize(kBlock);
  LoadPatch(*instance, patch);
  instance->resume();
  return instance;
}

// Sends the held notes, `spacing` frames apart (rendered), or all at once.
void StartNotes(PluginInstance& instance, int voices, int spacing) {
  if (spacing == 0) {
    instance.sendMidi(HeldNotes(voices));
    return;
  }
  for (const MidiMessage& note : HeldNotes(voices)) {
    instance.sendMidi({note});
    instance.process(spacing);
  }
}

void RenderHeldNotes(benchmark::State& state, const std::string& library_path, const std::string& patch,
                     const std::string& simd, int note_spacing) {
  const int voices = static_cast<int>(state.range(0));
  const std::unique_ptr<PluginInstance> started = StartInstance(library_path, patch, simd);
  if (started == nullptr) {
    state.SkipWithError("the plug-in did not open");
    return;
  }
  PluginInstance& instance = *started;
  StartNotes(instance, voices, note_spacing);
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

// The name of a benchmark on the vector path `simd` ("" for the widest).
std::string OnPath(const std::string& who, const std::string& simd) { return simd.empty() ? who : who + "[" + simd + "]"; }

// Every 16-voice figure of ours, on each path, with its ratios to the baseline on the same path
// (or the baseline's widest when it has no such path) and to each peer.
void PrintRatios(const std::map<std::string, double>& factors, const std::vector<std::string>& peers, bool baseline) {
  std::printf("\nReal-time factors with %d voices, and ours over each reference:\n", kPeerVoices);
  const std::string suffix = "/" + std::to_string(kPeerVoices);
  std::vector<std::string> paths = {""};
  for (const std::string& path : NarrowerPaths()) paths.push_back(path);
  for (const std::string& path : paths) {
    for (const Workload& work : kWorkloads) {
      const std::string patch = work.name;
      const auto ours = factors.find(OnPath("Brelix", path) + "/" + patch + suffix);
      if (ours == factors.end()) continue;
      std::printf("  Brelix %-7s %-16s %7.1fx", (path.empty() ? WidestPathName() : path).c_str(), work.name, ours->second);
      auto compare = [&](const std::string& label, const std::string& name) {
        const auto other = factors.find(name);
        if (other != factors.end())
          std::printf("   vs %s %.1fx: %.2f", label.c_str(), other->second, ours->second / other->second);
      };
      if (baseline) {
        const std::string on_path = OnPath("Baseline", path) + "/" + patch + suffix;
        compare(factors.count(on_path) != 0 ? OnPath("Baseline", path) : "Baseline",
                factors.count(on_path) != 0 ? on_path : std::string("Baseline/") + patch + suffix);
      }
      for (const std::string& peer : peers) {
        const std::string name = work.note_spacing == 0 ? peer : peer + "-apart";
        compare(name, name + suffix);
      }
      std::printf("\n");
    }
  }
}

// ---- the worst case: one block's time under note storms ------------------------------------------

constexpr int kStormPeriodFrames = 4410;  // 100 ms at 44.1 kHz
constexpr int kMeasuredBlocks = 20000;    // about 29 s of audio

double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The time of each block of one pass: the 16 voices of four-lanes.tw held, and every 100 ms 16
// note-ons on keys not sounding (each steals a voice) in the block where the 100 ms mark falls; a
// block's time is that of its events and its render call. `storm[b]` tells the storm blocks.
std::vector<double> BlockTimesOfOnePass(const std::string& library_path, const std::string& simd,
                                        std::vector<bool>& storm) {
  const std::unique_ptr<PluginInstance> started = StartInstance(library_path, "four-lanes", simd);
  if (started == nullptr) return {};
  PluginInstance& instance = *started;
  instance.sendMidi(HeldNotes(kPeerVoices));
  for (int block = 0; block < 1000; ++block) instance.process(kBlock);  // past the attacks
  std::vector<double> seconds(kMeasuredBlocks);
  storm.assign(kMeasuredBlocks, false);
  int storms = 0;
  std::vector<MidiMessage> notes(kPeerVoices);
  for (int block = 0; block < kMeasuredBlocks; ++block) {
    storm[block] = block * kBlock / kStormPeriodFrames != (block + 1) * kBlock / kStormPeriodFrames;
    if (storm[block]) {
      ++storms;
      // Sixteen keys of the 48 from 36 up that the last two storms did not play.
      for (int v = 0; v < kPeerVoices; ++v) notes[v] = {0x90, static_cast<uint8_t>(36 + (storms % 3) * 16 + v), 100};
    }
    const double start = ThreadSeconds();
    if (storm[block]) instance.sendMidi(notes);
    instance.process(kBlock);
    seconds[block] = ThreadSeconds() - start;
    if (block % kClearCallsEvery == 0) instance.clearCalls();
  }
  return seconds;
}

// The same seeded pass three times, each block's time the least of its three (what other work on
// the machine adds to one pass is not the plug-in's); prints the median, 99.9th percentile and
// maximum of one block's time as shares of the block's duration, and the median of the storm
// blocks alone.
void PrintBlockTimes(const std::string& label, const std::string& library_path, const std::string& simd) {
  setenv("BRELIX_SEED", "1", 1);
  std::vector<bool> storm;
  std::vector<double> seconds;
  for (int pass = 0; pass < 3; ++pass) {
    const std::vector<double> times = BlockTimesOfOnePass(library_path, simd, storm);
    if (times.empty()) break;
    if (seconds.empty()) seconds = times;
    for (size_t b = 0; b < times.size(); ++b) seconds[b] = std::min(seconds[b], times[b]);
  }
  unsetenv("BRELIX_SEED");
  if (seconds.empty()) return;
  std::vector<double> storm_seconds;
  for (size_t b = 0; b < seconds.size(); ++b)
    if (storm[b]) storm_seconds.push_back(seconds[b]);
  std::sort(seconds.begin(), seconds.end());
  std::sort(storm_seconds.begin(), storm_seconds.end());
  const double block_duration = kBlock / static_cast<double>(kRate);
  auto share = [&](double s) { return 100.0 * s / block_duration; };
  const double median = seconds[seconds.size() / 2];
  const double p999 = seconds[static_cast<size_t>(std::ceil(0.999 * static_cast<double>(seconds.size()))) - 1];
  std::printf("  %-22s median %5.2f%%   99.9th %5.2f%% (%.2f x median)   max %6.2f%%   storm blocks' median %5.2f%%\n",
              label.c_str(), share(median), share(p999), p999 / median, share(seconds.back()),
              share(storm_seconds[storm_seconds.size() / 2]));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string plugin = EnvOr("BRELIX_BENCH_PLUGIN", BRELIX_PLUGIN_PATH);
  const std::string baseline = EnvOr("BRELIX_BENCH_BASELINE", "");
  std::vector<std::string> peers;

  auto add = [](const std::string& name, const std::string& library, const Workload& work, const std::string& simd) {
    return benchmark::RegisterBenchmark(name.c_str(), RenderHeldNotes, library, std::string(work.patch), simd, work.note_spacing)
        ->Unit(benchmark::kMicrosecond);
  };
  for (const Workload& work : kWorkloads) add(std::string("Brelix/") + work.name, plugin, work, "")->Arg(1)->Arg(8)->Arg(16);
  for (const std::string& path : NarrowerPaths())
    for (const Workload& work : kWorkloads) add(OnPath("Brelix", path) + "/" + work.name, plugin, work, path)->Arg(kPeerVoices);
  if (!baseline.empty()) {
    // The build before: its widest path, and its 4-lane path where the processor has a wider one.
    for (const char* path : {"", "sse"}) {
      if (*path != '\0' && NarrowerPaths().empty()) continue;
      for (const Workload& work : kWorkloads) add(OnPath("Baseline", path) + "/" + work.name, baseline, work, path)->Arg(kPeerVoices);
    }
  }
  for (const Peer& peer : kPeers) {
    if (!std::filesystem::exists(peer.path)) {
      std::printf("%s: not installed (%s), skipped\n", peer.name, peer.path);
      continue;
    }
    peers.push_back(peer.name);
    add(peer.name, peer.path, kWorkloads[0], "")->Arg(kPeerVoices);
    add(std::string(peer.name) + "-apart", peer.path, {"default", "default", kApartSpacing}, "")->Arg(kPeerVoices);
  }

  // A run filtered to some benchmarks measures only those; --block_times_only measures only the
  // worst case.
  bool filtered = false;
  bool block_times_only = false;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    filtered = filtered || std::strncmp(argv[i], "--benchmark_filter", 18) == 0;
    if (std::strcmp(argv[i], "--block_times_only") == 0) block_times_only = true;
    else args.push_back(argv[i]);
  }
  argc = static_cast<int>(args.size());
  argv = args.data();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!block_times_only) {
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter.factors, peers, !baseline.empty());
  }

  if (filtered && !block_times_only) {
    benchmark::Shutdown();
    return 0;
  }
  std::printf("\nOne 64-frame block's processor time, four-lanes.tw, 16 voices, 16 note-ons every 100 ms,\n"
              "as a share of the block's duration at 44.1 kHz (%d blocks, each the least of three passes):\n",
              kMeasuredBlocks);
  PrintBlockTimes("Brelix " + WidestPathName(), plugin, "");
  for (const std::string& path : NarrowerPaths()) PrintBlockTimes("Brelix " + path, plugin, path);
  if (!baseline.empty()) {
    PrintBlockTimes("Baseline (widest)", baseline, "");
    if (!NarrowerPaths().empty()) PrintBlockTimes("Baseline sse", baseline, "sse");
  }
  benchmark::Shutdown();
  return 0;
}
