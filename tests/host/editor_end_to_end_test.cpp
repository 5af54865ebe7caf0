// A musician's session through the real editor: the built plug-in, loaded through its entry point,
// opens its editor in a window of the test's on a real X server, and XTest input edits the patch
// as a user would: a tab click to another page, a drag along a slider, a choice from a drop-down
// list, a value typed into an edit box, a second click on the shown tab for the other layer, and a
// choice there. Notes rendered with processReplacing between the steps hear the edits, the host
// parameters read them, and the patch file the program chunk names holds them when read back.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/patch.h"
#include "patch/patch_file.h"
#include "synth/multi.h"
#include "support/plugin_folder.h"
#include "support/program_chunk_bytes.h"
#include "support/saving_instance.h"
#include "support/sound_measures.h"
#include "support/started_instance.h"
#include "support/synth_instance.h"
#include "support/temp_folder.h"
#include "support/x11_probe.h"
#include "support/xvfb_server.h"
#include "vst_host.h"

namespace brelix {
namespace {

using host::PluginInstance;
using host::PluginLibrary;
using testing::TempFolder;
using testing::WriteBytes;

// Host entries: the first filter's type list (nine types) and cutoff slider (0 .. 12543.854 Hz),
// the voice's volume slider (0 .. 1) and amplitude source list and, on the hidden layer in the
// source's place, its declicker list (five items).
constexpr int kFilterType = 92, kCutoff = 93, kVolume = 83, kAmpSource = 84, kDeclicker = 88;
constexpr float kCutoffMax = 12543.854f;

// Logical places in the editor (the page strip is 19 high, so page y + 19 is form y). A slider
// group has its label and edit box at its top and its bar 15 below; a list without label is its
// top row; a list with label sits 15 below the label. Drop-down lines are 13 high after a border
// of 2.
constexpr int kPageTop = 19;
struct Place {
  int x, y;
};
constexpr Place Tab(int page) { return {4 + 155 * page + 75, 2 + 8}; }
constexpr int kFilter1X = 4;
constexpr int kTypeTop = kPageTop + 20;           // "Type" of the first filter
constexpr int kCutoffBarY = kPageTop + 38 + 15 + 8;  // the middle of "Cutoff"'s bar
constexpr Place kVolumeEdit{159 + 87 + 20, kPageTop + 442 + 7};
constexpr int kDeclickerTop = kPageTop + 473 + 15;  // the list under the "Declicker" label
constexpr int kLineHeight = 13, kListBorder = 2, kListHeight = 16;
constexpr int kEditorHeight = 557, kDeclickerListHeight = 5 * kLineHeight + 2 * kListBorder;
constexpr int LineY(int list_top, int line) { return list_top + kListBorder + kLineHeight * line + kLineHeight / 2; }

// What a listener measures of a note: its level and its brightness.
struct Heard {
  double level_db = 0, centroid_hz = 0;
};

class EditorEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    BRELIX_REQUIRE_XVFB();
    probe_ = std::make_unique<testing::XProbe>();
    ASSERT_NE(host(), nullptr);
    std::filesystem::copy_file(BRELIX_PLUGIN_PATH, folder_.file("Brelix64.so"));
    WriteBytes(folder_.file("Brelix.Ini"), "[Editor]\nAutomation=1\n");
    library_ = PluginLibrary::Load(folder_.file("Brelix64.so"));
    plugin_.reset(new PluginInstance(library_));
    ASSERT_TRUE(plugin_->is_open());
    testing::StartAsHost(*plugin_);
  }
  void TearDown() override {
    plugin_.reset();
    if (parent_ != 0) XDestroyWindow(host(), parent_);
  }
  Display* host() const { return probe_->display(); }

  void OpenEditor() {
    const int screen = DefaultScreen(host());
    parent_ = XCreateSimpleWindow(host(), RootWindow(host(), screen), 0, 0, 624, 557, 0, BlackPixel(host(), screen),
                                  WhitePixel(host(), screen));
    XMapWindow(host(), parent_);
    XSync(host(), False);
    ASSERT_EQ(plugin_->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent_)), 1);
    Idle(10);
  }

  // The host's idle calls, as a host makes them while the user works.
  void Idle(int times = 6) {
    for (int i = 0; i < times; ++i) {
      plugin_->dispatch(effEditIdle);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  // Idle calls until `done` holds (or three seconds have passed).
  template <class Done>
  bool IdleUntil(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    do {
      Idle(1);
      if (done()) return true;
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
  }

  // ---- the user's hand
  void MoveTo(Place p) {
    const testing::WindowGeometry g = probe_->Geometry(parent_);
    XTestFakeMotionEvent(host(), DefaultScreen(host()), g.x + p.x, g.y + p.y, 0);
    XSync(host(), False);
    Idle(2);
  }
  void Button(bool press) {
    XTestFakeButtonEvent(host(), 1, press ? True : False, 0);
    XSync(host(), False);
    Idle(2);
  }
  void Click(Place p) {
    MoveTo(p);
    Button(true);
    Button(false);
  }
  void Key(KeySym key, bool ctrl = false) {
    const KeyCode control = XKeysymToKeycode(host(), XK_Control_L);
    if (ctrl) XTestFakeKeyEvent(host(), control, True, 0);
    probe_->Key(key);
    if (ctrl) XTestFakeKeyEvent(host(), control, False, 0);
    XSync(host(), False);
    Idle(2);
  }

  // ---- the host's side
  float Get(int32_t index) { return plugin_->effect()->getParameter(plugin_->effect(), index); }

  // A note of a quarter second, measured after its attack; all notes off and a short silence after.
  Heard PlayNote() {
    plugin_->sendMidi({{0x90, 57, 100}});
    std::vector<float> sound;
    for (int block = 0; block < 24; ++block) {
      plugin_->process(512);
      if (block >= 4) sound.insert(sound.end(), plugin_->left().begin(), plugin_->left().end());
    }
    plugin_->sendMidi({{0xB0, 123, 0}});
    for (int block = 0; block < 40; ++block) plugin_->process(512);
    return {testing::RmsDb(sound), testing::SpectralCentroid(sound, 44100.0)};
  }

  TempFolder folder_;
  std::shared_ptr<PluginLibrary> library_;
  testing::SavingInstance plugin_;
  std::unique_ptr<testing::XProbe> probe_;
  Window parent_ = 0;
};

TEST_F(EditorEndToEnd, EditsInTheWindowReachTheSoundTheParametersAndThePatchFile) {
  // The project's patch file, named by the chunk as a host restores it.
  const std::string patch_file = folder_.file("session.tw");
  WriteBytes(patch_file, "[Voice]\r\nVolume=1\r\n");
  ASSERT_EQ(plugin_->setChunk(testing::ProgramChunkBytes(0, 15, patch_file)), 1);
  const Heard before = PlayNote();
  ASSERT_GT(before.level_db, -30.0);
  ASSERT_EQ(Get(kFilterType), 0.0f);  // "LowPass4", wide open
  ASSERT_EQ(Get(kCutoff), 1.0f);
  ASSERT_EQ(Get(kVolume), 1.0f);
  ASSERT_EQ(Get(kDeclicker), 0.0f);
  OpenEditor();

  // "Filters / LFOs": the first filter's cutoff dragged from the top of its bar to a quarter of
  // it, and its type chosen from the drop-down list: "LowPass2", the third line.
  Click(Tab(1));
  MoveTo({kFilter1X + 148, kCutoffBarY});
  Button(true);
  MoveTo({kFilter1X + 38, kCutoffBarY});
  Button(false);
  ASSERT_TRUE(IdleUntil([&] { return Get(kCutoff) < 0.1f; })) << Get(kCutoff);
  const float cutoff = Get(kCutoff) * kCutoffMax;
  EXPECT_GT(cutoff, 100.0f);
  Click({kFilter1X + 60, kTypeTop + 8});
  Click({kFilter1X + 40, LineY(kTypeTop + kListHeight, 2)});
  ASSERT_TRUE(IdleUntil([&] { return Get(kFilterType) == 2.0f / 8; })) << Get(kFilterType) * 8;
  const Heard filtered = PlayNote();
  EXPECT_LT(filtered.centroid_hz, before.centroid_hz / 2) << before.centroid_hz;

  // Back on "Oscillators / Sound": 0.25 typed over the volume's 1, Enter; four times quieter.
  Click(Tab(0));
  Click(kVolumeEdit);
  Key(XK_a, true);  // Ctrl+A: the whole text
  for (KeySym key : {XK_0, XK_period, XK_2, XK_5, XK_Return}) Key(key);
  ASSERT_TRUE(IdleUntil([&] { return Get(kVolume) == 0.25f; })) << Get(kVolume);
  const Heard quieter = PlayNote();
  EXPECT_NEAR(quieter.level_db - filtered.level_db, 20 * std::log10(0.25), 0.5);
  EXPECT_NEAR(quieter.centroid_hz, filtered.centroid_hz, filtered.centroid_hz * 0.02);

  // A second click on the shown tab: the hidden layer, where "Declicker" takes the place of
  // "AmpSource"; its list, too long to drop below it, rises to end at the page's foot; its last
  // line, "Always", chosen.
  Click(Tab(0));
  const float amp_source = Get(kAmpSource);
  Click({159 + 60, kDeclickerTop + 8});
  Click({159 + 40, LineY(kEditorHeight - kDeclickerListHeight, 4)});
  ASSERT_TRUE(IdleUntil([&] { return Get(kDeclicker) == 1.0f; })) << Get(kDeclicker) * 4;
  EXPECT_EQ(Get(kAmpSource), amp_source);
  Idle();
  const testing::Image edited = probe_->Capture(parent_);
  cairo_surface_write_to_png(edited.get(), BRELIX_ARTIFACT_DIR "/editor_end_to_end.png");

  // The host saves its project: the chunk still names the patch file, which now holds the edits.
  EXPECT_EQ(testing::ChunkRecord(plugin_->getChunk()), testing::ProgramChunkBytes(0, 15, patch_file));
  testing::PluginFolder reader_folder;  // a reader of our own, away from the plug-in's files
  const testing::Synth reader = testing::MakeSynth();
  XPatch& saved = *reader->Multi->EditBuffer;
  ASSERT_TRUE(PatchLoad(saved, patch_file));
  EXPECT_EQ(saved.FilterType.lane(0), 2u);
  EXPECT_NEAR(saved.FilterCutoff.lane(0), cutoff, cutoff * 1e-4);
  EXPECT_EQ(saved.Volume, 0.25f);
  EXPECT_EQ(saved.Declicker, 4u);
  plugin_->dispatch(effEditClose);
}

}  // namespace
}  // namespace brelix
