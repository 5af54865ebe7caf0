// A render call that comes while the instance is busy (the interface thread restoring a program
// chunk, changing the rate or writing a parameter whose edit holds the engine) still writes its
// outputs: silence for the host's frames. A host that does not clear its buffers would otherwise
// play the last block again. The built plug-in through its entry point: an audio thread renders
// without pause into buffers filled with a sentinel before each call, against the interface
// thread's work.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/param_index.h"
#include "support/program_chunk_bytes.h"
#include "support/started_instance.h"
#include "support/temp_folder.h"
#include "vst_host.h"

namespace brelix {
namespace {

using host::PluginInstance;
using host::PluginLibrary;
using testing::TempFolder;
using testing::WriteBytes;

constexpr float kSentinel = 12345.0f;
constexpr int32_t kFrames = 128;

// Renders without pause until destroyed, striking a note again every 64 calls (a rate change
// silences every voice); counts the calls, the calls that left the sentinel anywhere in their
// outputs, and the calls made wholly while the interface thread was busy (`busy` odd before and
// after, and unchanged).
class AudioThread {
 public:
  AudioThread(AEffect* effect, const std::atomic<uint32_t>& busy)
      : thread_([this, effect, &busy] {
          std::vector<float> left(kFrames), right(kFrames);
          float* outputs[2] = {left.data(), right.data()};
          VstMidiEvent note{};
          note.type = kVstMidiType;
          note.byteSize = sizeof note;
          note.midiData[0] = static_cast<char>(0x90);
          note.midiData[1] = 60;
          note.midiData[2] = 100;
          VstEvents events{1, 0, {reinterpret_cast<VstEvent*>(&note), nullptr}};
          while (!stop_) {
            if (calls_ % 64 == 0) effect->dispatcher(effect, effProcessEvents, 0, 0, &events, 0.0f);
            std::fill(left.begin(), left.end(), kSentinel);
            std::fill(right.begin(), right.end(), kSentinel);
            const uint32_t before = busy.load();
            effect->processReplacing(effect, nullptr, outputs, kFrames);
            const uint32_t after = busy.load();
            for (int i = 0; i < kFrames; ++i) {
              if (left[i] == kSentinel || right[i] == kSentinel) {
                ++unwritten_;
                break;
              }
            }
            if (before == after && (before & 1) != 0) ++during_busy_;
            ++calls_;
          }
        }) {}
  ~AudioThread() {
    stop_ = true;
    thread_.join();
  }
  AudioThread(const AudioThread&) = delete;
  AudioThread& operator=(const AudioThread&) = delete;

  int Calls() const { return calls_; }
  int Unwritten() const { return unwritten_; }
  int DuringBusy() const { return during_busy_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> calls_{0}, unwritten_{0}, during_busy_{0};
  std::thread thread_;  // last: starts once the counters exist
};

TEST(BusyRender, NoRenderCallLeavesItsOutputsUnwritten) {
  TempFolder folder;
  std::filesystem::copy_file(BRELIX_PLUGIN_PATH, folder.file("Brelix64.so"));
  WriteBytes(folder.file("Brelix.Ini"), "[Editor]\r\nAutomation=1\r\n");
  // A small patch, and one that names a sample that is no WAV file (reported on every load).
  WriteBytes(folder.file("Small.tw"), "[Voice]\r\nVolume=0.8\r\n");
  WriteBytes(folder.file("notes.txt"), "not a sample\n");
  WriteBytes(folder.file("Sampled.tw"), "[SampleOsc.1]\r\nSampleOscFile=" + folder.file("notes.txt") + "\r\n");
  const std::shared_ptr<PluginLibrary> library = PluginLibrary::Load(folder.file("Brelix64.so"));
  PluginInstance instance(library);
  ASSERT_TRUE(instance.is_open());
  testing::StartAsHost(instance);
  AEffect* e = instance.effect();
  const int32_t detune = testing::ParamIndex(instance, "Osc1.Detune");
  ASSERT_GE(detune, 0);

  int round = 0;
  struct Case {
    const char* name;
    std::function<void()> work;
  };
  const Case cases[] = {
      {"a chunk load", [&] { instance.setChunk(testing::ProgramChunkBytes(0, 15, folder.file("Small.tw"))); }},
      {"a chunk load with a sample that is no WAV file",
       [&] { instance.setChunk(testing::ProgramChunkBytes(0, 15, folder.file("Sampled.tw"))); }},
      {"a rate change", [&] { instance.setSampleRate(round % 2 == 0 ? 48000.0f : 44100.0f); }},
      {"a parameter write that holds the engine", [&] { e->setParameter(e, detune, (round % 10) / 10.0f); }},
  };
  std::atomic<uint32_t> busy{0};
  AudioThread audio(e, busy);
  ::testing::internal::CaptureStderr();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Until the audio thread has made a few calls wholly inside the work (bounded: a busy machine
    // may keep it from running).
    const int during_at_start = audio.DuringBusy();
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const auto met = [&] { return audio.DuringBusy() >= during_at_start + 3; };
    for (round = 0; round < 20 || (!met() && std::chrono::steady_clock::now() < give_up); ++round) {
      ++busy;
      c.work();
      ++busy;
    }
    EXPECT_TRUE(met()) << "the audio thread never met the work";
    EXPECT_EQ(audio.Unwritten(), 0) << "of " << audio.Calls() << " render calls";
  }
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("Invalid sample file:"), std::string::npos);
}

}  // namespace
}  // namespace brelix
