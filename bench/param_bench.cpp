// What a host parameter call costs, as a host sees it: the plug-in loaded through its entry point
// with its 443 parameters exposed (Automation=1), the real pages behind them.
//
//   Set, Get, Display   one call on a thread that finds the editor's controls free: a write runs
//                       the edit path through the host parameter table at once
//   SetGetWhileHeld     a write and its read-back while another thread keeps restoring a program
//                       chunk (which holds the controls while it reloads them): the write is
//                       mostly posted for that thread to apply, the read answered from the table
//   ChunkRestore        a program chunk restored on the interface thread: every control reloaded
//                       from the patch, and its value and text published into the table
//
//   BRELIX_BENCH_PLUGIN=PATH   measure another build of the plug-in instead of this one
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "vst_host.h"

namespace {

using brelix::host::PluginInstance;
using brelix::host::PluginLibrary;

constexpr int32_t kSemitone = 3;  // the first oscillator's semitone slider

// The plug-in in a folder of its own, beside a settings file that exposes the parameters.
class ExposedPlugin {
 public:
  ExposedPlugin() {
    const char* other = std::getenv("BRELIX_BENCH_PLUGIN");
    folder_ = std::filesystem::temp_directory_path() / ("brelix-param-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    std::filesystem::copy_file(other != nullptr && *other != '\0' ? other : BRELIX_PLUGIN_PATH, folder_ / "Brelix64.so",
                               std::filesystem::copy_options::overwrite_existing);
    std::ofstream(folder_ / "Brelix.Ini") << "[Editor]\r\nAutomation=1\r\n";
    library_ = PluginLibrary::Load((folder_ / "Brelix64.so").string());
  }
  ~ExposedPlugin() {
    library_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::unique_ptr<PluginInstance> Start() {
    auto instance = std::make_unique<PluginInstance>(library_);
    if (instance->is_open()) instance->open();
    return instance;
  }

 private:
  std::filesystem::path folder_;
  std::shared_ptr<PluginLibrary> library_;
};

ExposedPlugin& Plugin() {
  static ExposedPlugin plugin;
  return plugin;
}

float Value(int64_t i) { return static_cast<float>(i % 97) / 96.0f; }

void Set(benchmark::State& state) {
  auto p = Plugin().Start();
  AEffect* e = p->effect();
  int64_t i = 0;
  for (auto _ : state) e->setParameter(e, kSemitone, Value(++i));
  p->getChunk();  // the changed patch saved, so that closing the instance asks nothing
}

void Get(benchmark::State& state) {
  auto p = Plugin().Start();
  AEffect* e = p->effect();
  for (auto _ : state) benchmark::DoNotOptimize(e->getParameter(e, kSemitone));
}

void Display(benchmark::State& state) {
  auto p = Plugin().Start();
  AEffect* e = p->effect();
  char text[64];
  for (auto _ : state) {
    e->dispatcher(e, effGetParamDisplay, kSemitone, 0, text, 0.0f);
    benchmark::DoNotOptimize(text);
  }
}

void SetGetWhileHeld(benchmark::State& state) {
  auto p = Plugin().Start();
  AEffect* e = p->effect();
  std::vector<uint8_t> chunk = p->getChunk();
  std::atomic<bool> done{false};
  std::thread interface([&] {
    while (!done) e->dispatcher(e, effSetChunk, 0, static_cast<intptr_t>(chunk.size()), chunk.data(), 0.0f);
  });
  int64_t i = 0;
  for (auto _ : state) {
    e->setParameter(e, kSemitone, Value(++i));
    benchmark::DoNotOptimize(e->getParameter(e, kSemitone));
  }
  done = true;
  interface.join();
  p->getChunk();
}

void ChunkRestore(benchmark::State& state) {
  auto p = Plugin().Start();
  std::vector<uint8_t> chunk = p->getChunk();
  AEffect* e = p->effect();
  for (auto _ : state) e->dispatcher(e, effSetChunk, 0, static_cast<intptr_t>(chunk.size()), chunk.data(), 0.0f);
}

BENCHMARK(Set)->Unit(benchmark::kMicrosecond);
BENCHMARK(Get)->Unit(benchmark::kMicrosecond);
BENCHMARK(Display)->Unit(benchmark::kMicrosecond);
BENCHMARK(SetGetWhileHeld)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(ChunkRestore)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
