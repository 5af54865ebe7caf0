// Nothing on the audio thread can wait. The built plug-in, loaded through its entry point, plays
// a busy session: its audio thread renders (processReplacing) and takes events (effProcessEvents)
// without pause, with note storms that make all sixteen voices steal, a pitch-bend and controller
// stream, and, as a host plays its automation, host parameter writes between the render calls.
// Meanwhile the user-interface thread does what a user and a host do there: restores program
// chunks (one of whose patches loads a sample), writes host parameters, saves the project, and
// in an open editor drags a slider, clicks tabs and types a value.
//
// The program interposes the allocator, the lock and condition calls and the C library's calls
// that may block (support/audio_thread_watch.h); from the audio thread's first render call on,
// it must make none of them.
//
// Where the interface thread waits: a chunk restore (and every other call that rewrites the
// patch or the voices as a whole) closes the engine with its bracket. It waits, spinning, until
// a render call in flight has left the engine; render calls during the bracket return at once
// and events meanwhile go into a fixed queue that the next render call applies. The waiting is
// the interface thread's; the audio thread never waits for it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/audio_thread_watch.h"
#include "support/program_chunk_bytes.h"
#include "support/sine_wav.h"
#include "support/temp_folder.h"
#include "support/x11_probe.h"
#include "support/xvfb_server.h"
#include "vst_host.h"

namespace brelix {
namespace {

namespace watch = testing::audio_watch;
using host::PluginLibrary;
using testing::TempFolder;
using testing::WriteBytes;
using Clock = std::chrono::steady_clock;

constexpr int kBlock = 64;
constexpr auto kSessionLength = std::chrono::milliseconds(1500);

// The host's side of the call-backs: answers that allocate nothing and wait for nothing, so that
// whatever the watch finds on the audio thread is the plug-in's.
VstTimeInfo host_time = [] {
  VstTimeInfo t{};
  t.sampleRate = 44100.0;
  t.tempo = 128.0;
  t.timeSigNumerator = 4;
  t.timeSigDenominator = 4;
  t.flags = kVstTempoValid | kVstTransportPlaying | kVstTimeSigValid;
  return t;
}();

intptr_t Host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) {
  switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterWantMidi: return 1;
    case audioMasterGetTime: return reinterpret_cast<intptr_t>(&host_time);
    default: return 0;
  }
}

// Events for one render call, in storage made before the audio thread starts.
class EventList {
 public:
  static constexpr int kCapacity = 48;
  EventList() : storage_(sizeof(VstEvents) + kCapacity * sizeof(VstEvent*)) {}
  void Clear() { count_ = 0; }
  void Add(uint8_t status, uint8_t data1, uint8_t data2) {
    if (count_ == kCapacity) return;
    VstMidiEvent& e = events_[count_];
    e = VstMidiEvent{};
    e.type = kVstMidiType;
    e.byteSize = sizeof(VstMidiEvent);
    e.midiData[0] = static_cast<char>(status);
    e.midiData[1] = static_cast<char>(data1);
    e.midiData[2] = static_cast<char>(data2);
    ++count_;
  }
  VstEvents* Events() {
    auto* list = reinterpret_cast<VstEvents*>(storage_.data());
    list->numEvents = count_;
    for (int i = 0; i < count_; ++i) list->events[i] = reinterpret_cast<VstEvent*>(&events_[i]);
    return list;
  }

 private:
  std::vector<uint64_t> storage_;  // VstEvents with room for kCapacity pointers
  std::array<VstMidiEvent, kCapacity> events_{};
  int count_ = 0;
};

// The audio thread of the session: renders blocks of 64 frames without pause until stopped, with
// the events of a player and, when asked, the host's automation written between the blocks.
class AudioThread {
 public:
  AudioThread(AEffect* effect, std::vector<int32_t> automated) : effect_(effect), automated_(std::move(automated)) {
    thread_ = std::thread([this] { Run(); });
  }
  ~AudioThread() { Stop(); }

  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  int Blocks() const { return blocks_; }
  int NotFinite() const { return not_finite_; }
  float Peak() const { return peak_; }

 private:
  // Every 16th block a storm of 16 note-ons on new keys: the voices all sound, so each note
  // steals one; every fourth storm lets the notes before it go first, so releasing voices are
  // stolen too. Now and then all notes off. Every block a pitch bend, the mod wheel, volume, pan
  // and channel pressure. The sustain pedal goes down before every other storm and comes up
  // before the next, so the notes let go hang on it where the patch lets the pedal hold them.
  void PlayerEvents(int block) {
    events_.Clear();
    if (block % 16 == 12) events_.Add(0xB0, 64, block / 16 % 2 == 0 ? 127 : 0);
    if (block % 16 == 0) {
      const int storm = block / 16;
      if (storm % 4 == 3)
        for (int n = 0; n < 16; ++n) events_.Add(0x80, static_cast<uint8_t>(30 + (storm - 1) % 5 * 13 + 3 * n % 40), 0);
      if (storm % 23 == 22) events_.Add(0xB0, 123, 0);
      for (int n = 0; n < 16; ++n)
        events_.Add(0x90, static_cast<uint8_t>(30 + storm % 5 * 13 + 3 * n % 40), static_cast<uint8_t>(40 + 5 * n));
    }
    const int wave = block % 128;
    const int bend = wave < 64 ? wave * 256 : (127 - wave) * 256;
    events_.Add(0xE0, static_cast<uint8_t>(bend & 0x7F), static_cast<uint8_t>(bend >> 7));
    events_.Add(0xB0, 1, static_cast<uint8_t>(wave));
    events_.Add(0xB0, 7, static_cast<uint8_t>(64 + wave / 2));
    events_.Add(0xB0, 10, static_cast<uint8_t>(127 - wave));
    events_.Add(0xD0, static_cast<uint8_t>(wave), 0);
  }

  void Run() {
    float* outputs[2] = {left_.data(), right_.data()};
    watch::WatchThisThread();
    for (int block = 0; !stop_; ++block) {
      effect_->processReplacing(effect_, nullptr, outputs, kBlock);
      for (int i = 0; i < kBlock; ++i) {
        if (!std::isfinite(left_[i]) || !std::isfinite(right_[i])) ++not_finite_;
        else peak_ = std::max(peak_.load(), std::abs(left_[i]));
      }
      PlayerEvents(block);
      effect_->dispatcher(effect_, effProcessEvents, 0, 0, events_.Events(), 0.0f);
      // Automation: a few parameters per block, each a slow ramp.
      for (size_t n = 0; n < automated_.size(); ++n)
        effect_->setParameter(effect_, automated_[n], static_cast<float>((block + 37 * n) % 200) / 200.0f);
      ++blocks_;
    }
    watch::StopWatching();
  }

  AEffect* effect_;
  const std::vector<int32_t> automated_;
  EventList events_;
  std::array<float, kBlock> left_{}, right_{};
  std::atomic<bool> stop_{false};
  std::atomic<int> blocks_{0}, not_finite_{0};
  std::atomic<float> peak_{0.0f};
  std::thread thread_;  // last: starts once the rest exists
};

class AudioThreadRealTime : public ::testing::Test {
 protected:
  void SetUp() override {
    watch::Clear();
    // The X server before the instance: the plug-in finds its display when it is created.
    testing::XvfbServer::Shared();
    std::filesystem::copy_file(BRELIX_PLUGIN_PATH, folder_.file("Brelix64.so"));
    WriteBytes(folder_.file("Brelix.Ini"), "[Editor]\nAutomation=1\n");
    // The patches the session restores: every lane audible and oversampled; both matrices, the
    // LFOs and both delays; and one that loads a sample into two lanes and holds its notes with the
    // sustain pedal.
    for (const char* name : {"four-lanes.tw", "full-modulation.tw"}) {
      std::filesystem::copy_file(std::string(BRELIX_SOURCE_DIR "/bench/patches/") + name, folder_.file(name));
      patches_.push_back(folder_.file(name));
    }
    const std::string sample = testing::WriteSineWav(folder_.file("sine.wav"), 220.0, 22050);
    WriteBytes(folder_.file("sample.tw"), "[SampleOsc.1]\nSampleOscFile=" + sample +
                                              "\nSampleOscLoop=-1\nSampleOscLevel=0.5\n"
                                              "[SampleOsc.3]\nSampleOscFile=" + sample + "\nSampleOscLevel=0.4\n"
                                              "[Voice]\nSustainPedal=1\n");
    patches_.push_back(folder_.file("sample.tw"));

    library_ = PluginLibrary::Load(folder_.file("Brelix64.so"));
    effect_ = library_->entry()(&Host);
    ASSERT_NE(effect_, nullptr);
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    Dispatch(effSetBlockSize, 0, kBlock);
    Dispatch(effMainsChanged, 0, 1);
    ASSERT_EQ(effect_->numParams, 443);
  }

  void TearDown() override {
    if (effect_ == nullptr) return;
    if (editor_open_) Dispatch(effEditClose);
    Dispatch(effMainsChanged, 0, 0);
    // The project saved first, so closing never asks whether to save the edits.
    void* chunk = nullptr;
    Dispatch(effGetChunk, 1, 0, &chunk);
    Dispatch(effClose);
    if (parent_ != 0) XDestroyWindow(probe_->display(), parent_);
  }

  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f) {
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
  }

  std::string ParamName(int32_t index) {
    char name[64] = {};
    Dispatch(effGetParamName, index, 0, name);
    return name;
  }

  // What a host automates while it plays: the parameters that shape a held sound (cutoffs,
  // resonances, volume, LFO rates and levels), none that rebuilds the engine.
  std::vector<int32_t> AutomatedParams() {
    std::vector<int32_t> chosen;
    for (int32_t i = 0; i < effect_->numParams; ++i) {
      const std::string name = ParamName(i);
      for (const char* part : {"Cutoff", "Resonance", "Amp/Volume", ".Rate", ".Level"})
        if (name.find(part) != std::string::npos) chosen.push_back(i);
    }
    return chosen;
  }

  // One round of the interface thread's work: a chunk restore (the next patch of the three), a
  // sweep of host parameter writes over the patch's entries, reads of their displays, and a
  // project save.
  void InterfaceRound(int round) {
    const std::vector<uint8_t> chunk = testing::ProgramChunkBytes(0, 15, patches_[round % patches_.size()]);
    Dispatch(effSetChunk, 1, static_cast<intptr_t>(chunk.size()), const_cast<uint8_t*>(chunk.data()));
    char text[64];
    for (int32_t i = 2 + round % 7; i < effect_->numParams; i += 7) {
      if (ParamName(i).rfind("Sound.", 0) == 0) continue;  // channel and polyphony: the player's
      effect_->setParameter(effect_, i, static_cast<float>((i * 37 + round * 11) % 101) / 100.0f);
      Dispatch(effGetParamDisplay, i, 0, text);
    }
    void* saved = nullptr;
    Dispatch(effGetChunk, 1, 0, &saved);
  }

  // ---- the editor in a window of the test's, on the test's X server
  void OpenEditor() {
    probe_ = std::make_unique<testing::XProbe>();
    Display* d = probe_->display();
    ASSERT_NE(d, nullptr);
    const int screen = DefaultScreen(d);
    parent_ = XCreateSimpleWindow(d, RootWindow(d, screen), 0, 0, 624, 557, 0, BlackPixel(d, screen),
                                  WhitePixel(d, screen));
    XMapWindow(d, parent_);
    XSync(d, False);
    ASSERT_EQ(Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent_)), 1);
    editor_open_ = true;
    Idle(5);
  }
  void Idle(int times) {
    for (int i = 0; i < times; ++i) {
      Dispatch(effEditIdle);
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
  }
  void MoveTo(int x, int y) {
    const testing::WindowGeometry g = probe_->Geometry(parent_);
    XTestFakeMotionEvent(probe_->display(), DefaultScreen(probe_->display()), g.x + x, g.y + y, 0);
    XSync(probe_->display(), False);
    Idle(1);
  }
  void Button(bool press) {
    XTestFakeButtonEvent(probe_->display(), 1, press ? True : False, 0);
    XSync(probe_->display(), False);
    Idle(1);
  }
  void Key(KeySym key, bool ctrl = false) {
    Display* d = probe_->display();
    const KeyCode control = XKeysymToKeycode(d, XK_Control_L);
    if (ctrl) XTestFakeKeyEvent(d, control, True, 0);
    probe_->Key(key);
    if (ctrl) XTestFakeKeyEvent(d, control, False, 0);
    XSync(d, False);
    Idle(1);
  }
  // A user at work: the "Filters / LFOs" tab, the first filter's cutoff dragged down and up
  // again; the "Oscillators / Sound" tab, a volume typed into its box.
  void UserRound(int round) {
    constexpr int kPageTop = 19;
    MoveTo(4 + 155 + 75, 10);
    Button(true);
    Button(false);
    const int bar_y = kPageTop + 38 + 15 + 8;
    MoveTo(4 + 148, bar_y);
    Button(true);
    MoveTo(4 + 38 + round % 50, bar_y);
    MoveTo(4 + 120, bar_y);
    Button(false);
    MoveTo(4 + 75, 10);
    Button(true);
    Button(false);
    MoveTo(159 + 87 + 20, kPageTop + 442 + 7);
    Button(true);
    Button(false);
    Key(XK_a, true);
    for (KeySym key : {XK_0, XK_period, XK_5 + round % 4, XK_Return}) Key(key);
  }

  // Runs the session for its length with `round` as the interface thread's work, then checks
  // that the audio thread played and made none of the watched calls.
  template <class Round>
  void Session(std::vector<int32_t> automated, Round round) {
    AudioThread audio(effect_, std::move(automated));
    const auto end = Clock::now() + kSessionLength;
    int rounds = 0;
    while (Clock::now() < end || rounds < 3) round(rounds++);
    audio.Stop();
    EXPECT_GT(audio.Blocks(), 100);
    EXPECT_GT(audio.Peak(), 0.01f) << "the storms were not heard";
    EXPECT_EQ(audio.NotFinite(), 0);
    EXPECT_EQ(watch::Findings(), 0) << "calls the audio thread made:\n" << watch::Describe();
  }

  TempFolder folder_;
  std::vector<std::string> patches_;
  std::shared_ptr<PluginLibrary> library_;
  AEffect* effect_ = nullptr;
  std::unique_ptr<testing::XProbe> probe_;
  Window parent_ = 0;
  bool editor_open_ = false;
};

TEST_F(AudioThreadRealTime, PlaysWhileTheHostRestoresPatchesAndSamplesAndWritesParameters) {
  Session({}, [this](int round) { InterfaceRound(round); });
}

TEST_F(AudioThreadRealTime, PlaysWhileTheUserWorksInTheOpenEditorAndTheHostRestoresPatches) {
  BRELIX_REQUIRE_XVFB();
  OpenEditor();
  Session({}, [this](int round) {
    UserRound(round);
    InterfaceRound(round);
    Idle(2);
  });
}

// The host's automation, written on the audio thread between its render calls as REAPER plays
// it, while the editor is open, the user works in it and the interface thread writes parameters
// and restores patches too. A host write goes through the host parameter table, never through a
// widget: the controls take it at the editor's next idle call.
TEST_F(AudioThreadRealTime, AutomatesBetweenRenderCallsWhileTheEditorIsOpen) {
  BRELIX_REQUIRE_XVFB();
  OpenEditor();
  Session(AutomatedParams(), [this](int round) {
    UserRound(round);
    InterfaceRound(round);
    Idle(2);
  });
}

}  // namespace
}  // namespace brelix
