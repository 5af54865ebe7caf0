// A musician's session through the real editor: the built plug-in, loaded through its entry point,
// opens its editor in a window of the test's on a real X server, and XTest input edits the patch
// as a user would: a tab click to another page, a drag along a slider, a choice from a drop-down
// list, a value typed into an edit box, a second click on the shown tab for the other layer, and a
// choice there. Notes rendered with processReplacing between the steps hear the edits, the host
// parameters read them, and the patch file the program chunk names holds them when read back.
// Then what a musician does in a DAW session besides: a click into a value box to type over it,
// the wheel over a bar and a list, a project save that clears the "*", the built-in file dialog
// loading and saving patches, and the question whether to save a changed patch, answered each
// way, while the host's idle calls keep returning.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
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
constexpr Place kVolumeBar{159 + 75, kPageTop + 442 + 15 + 8};
constexpr Place kAmpSourceList{159 + 60, kDeclickerTop + 8};
// The patch commands in the third and fourth column: the name header above "Init", "Load" above
// "Save".
constexpr int kHeaderLeft = 314, kHeaderTop = kPageTop + 426, kHeaderWidth = 151, kHeaderHeight = 16;
constexpr Place kLoad{469 + 75, kPageTop + 426 + 8}, kSave{469 + 75, kPageTop + 446 + 8};
constexpr const char* kFileDialog = "brelix-file-dialog";
constexpr const char* kQuestion = "brelix-question";
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
  // Wheel notches at the pointer: positive turns it away from the user.
  void Wheel(int notches) {
    for (int i = 0; i < std::abs(notches); ++i) {
      XTestFakeButtonEvent(host(), notches > 0 ? 4 : 5, True, 0);
      XTestFakeButtonEvent(host(), notches > 0 ? 4 : 5, False, 0);
    }
    XSync(host(), False);
    Idle(2);
  }
  void RightClick(Place p) {
    MoveTo(p);
    XTestFakeButtonEvent(host(), 3, True, 0);
    XTestFakeButtonEvent(host(), 3, False, 0);
    XSync(host(), False);
    Idle(2);
  }
  void Type(const std::string& text) {
    for (char c : text) Key(c == '.' ? XK_period : static_cast<KeySym>(c));
  }
  void Key(KeySym key, bool ctrl = false) {
    const KeyCode control = XKeysymToKeycode(host(), XK_Control_L);
    if (ctrl) XTestFakeKeyEvent(host(), control, True, 0);
    probe_->Key(key);
    if (ctrl) XTestFakeKeyEvent(host(), control, False, 0);
    XSync(host(), False);
    Idle(2);
  }

  // The patch name header as it is on the screen.
  testing::Image Header() {
    Idle(2);
    const testing::Image window = probe_->Capture(parent_);
    testing::Image header(cairo_image_surface_create(CAIRO_FORMAT_RGB24, kHeaderWidth, kHeaderHeight));
    cairo_t* cr = cairo_create(header.get());
    cairo_set_source_surface(cr, window.get(), -kHeaderLeft, -kHeaderTop);
    cairo_paint(cr);
    cairo_destroy(cr);
    return header;
  }

  // The longest of 20 idle calls, as a host makes them while a dialog is open.
  std::chrono::microseconds LongestIdleCall() {
    std::chrono::steady_clock::duration longest{};
    for (int i = 0; i < 20; ++i) {
      const auto start = std::chrono::steady_clock::now();
      plugin_->dispatch(effEditIdle);
      longest = std::max(longest, std::chrono::steady_clock::now() - start);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::chrono::duration_cast<std::chrono::microseconds>(longest);
  }
  // The window `w` is transient for.
  Window OwnerOf(Window w) {
    Window owner = 0;
    XGetTransientForHint(host(), w, &owner);
    return owner;
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

// A click into a value box that has no focus selects its text, so that typing replaces it; the
// wheel steps a bar by a hundredth and a closed list by one item; a project save (the host's
// chunk call) clears the modified state, and the header's "*" goes with it.
TEST_F(EditorEndToEnd, AClickTypesOverTheValueTheWheelStepsAndAProjectSaveClearsTheMark) {
  const std::string patch_file = folder_.file("session.tw");
  WriteBytes(patch_file, "[Voice]\r\nVolume=1\r\n");
  ASSERT_EQ(plugin_->setChunk(testing::ProgramChunkBytes(0, 15, patch_file)), 1);
  OpenEditor();
  const testing::Image clean = Header();

  Click(kVolumeEdit);
  Type("0.5");
  Key(XK_Return);
  ASSERT_TRUE(IdleUntil([&] { return Get(kVolume) == 0.5f; })) << Get(kVolume);
  EXPECT_GT(testing::DifferentPixels(Header().get(), clean.get()), 0);  // "*session.tw"

  MoveTo(kVolumeBar);
  Wheel(-1);
  ASSERT_TRUE(IdleUntil([&] { return std::abs(Get(kVolume) - 0.49f) < 1e-6f; })) << Get(kVolume);
  Wheel(2);
  ASSERT_TRUE(IdleUntil([&] { return std::abs(Get(kVolume) - 0.51f) < 1e-6f; })) << Get(kVolume);
  const float source = Get(kAmpSource);
  MoveTo(kAmpSourceList);
  Wheel(-1);  // the next item
  ASSERT_TRUE(IdleUntil([&] { return Get(kAmpSource) > source; })) << Get(kAmpSource);
  Wheel(1);
  ASSERT_TRUE(IdleUntil([&] { return Get(kAmpSource) == source; })) << Get(kAmpSource);

  plugin_->getChunk();
  EXPECT_EQ(testing::DifferentPixels(Header().get(), clean.get()), 0);
  plugin_->dispatch(effEditClose);
}

// The built-in dialog: "Load" opens it over the host's window and returns; while it is open the
// host's idle calls return at once and the editor takes no input; it lists the folder, loads the
// chosen patch (the sound changes), and a right click on "Save" (Save As) writes a new file.
// Closing the editor closes a dialog still open and drops its command.
TEST_F(EditorEndToEnd, TheBuiltInDialogLoadsAndSavesWhileTheHostRuns) {
  struct BuiltInDialog {
    BuiltInDialog() { ::setenv("BRELIX_FILE_DIALOG", "builtin", 1); }
    ~BuiltInDialog() { ::unsetenv("BRELIX_FILE_DIALOG"); }
  } built_in;
  const std::string patch_file = folder_.file("session.tw");
  WriteBytes(patch_file, "[Voice]\r\nVolume=1\r\n");
  WriteBytes(folder_.file("Quiet.tw"), "[Voice]\r\nVolume=0.25\r\n");
  std::filesystem::create_directories(folder_.file("More"));
  ASSERT_EQ(plugin_->setChunk(testing::ProgramChunkBytes(0, 15, patch_file)), 1);
  const Heard loud = PlayNote();
  OpenEditor();

  Click(kLoad);
  const Window dialog = probe_->WaitForWindow(kFileDialog);
  ASSERT_NE(dialog, 0u);
  // The host goes on: no idle call waits for the user (a generous bound: never for seconds).
  const std::chrono::microseconds longest = LongestIdleCall();
  EXPECT_LT(longest.count(), 1'000'000);
  std::cout << "longest idle call with the dialog open: " << longest.count() << " us\n";
  // The editor is modal to itself only: the wheel over a bar changes nothing now.
  MoveTo(kVolumeBar);
  Wheel(-3);
  EXPECT_EQ(Get(kVolume), 1.0f);
  const testing::Image picture = probe_->Capture(dialog);
  cairo_surface_write_to_png(picture.get(), BRELIX_ARTIFACT_DIR "/file_dialog_load.png");
  EXPECT_GT(testing::DarkPixels(picture.get(), 12, 56, 496, 4 * 18), 100);  // lines listed

  // "..", "More/", "Quiet.tw", "session.tw" (selected, the patch's file): one line up, Enter.
  probe_->Key(XK_Up);
  Idle(2);
  probe_->Key(XK_Return);
  ASSERT_TRUE(IdleUntil([&] { return Get(kVolume) == 0.25f; })) << Get(kVolume);
  EXPECT_TRUE(probe_->WaitUntilGone(kFileDialog));
  const Heard quiet = PlayNote();
  EXPECT_NEAR(quiet.level_db - loud.level_db, 20 * std::log10(0.25), 0.5);

  // Save As under a typed name: the first key replaces the proposed one.
  RightClick(kSave);
  const Window save = probe_->WaitForWindow(kFileDialog);
  ASSERT_NE(save, 0u);
  Idle(2);
  Type("copy");
  cairo_surface_write_to_png(probe_->Capture(save).get(), BRELIX_ARTIFACT_DIR "/file_dialog_save.png");
  probe_->Key(XK_Return);
  ASSERT_TRUE(IdleUntil([&] { return std::filesystem::exists(folder_.file("copy.tw")); }));
  EXPECT_TRUE(probe_->WaitUntilGone(kFileDialog));
  testing::PluginFolder reader_folder;
  const testing::Synth reader = testing::MakeSynth();
  ASSERT_TRUE(PatchLoad(*reader->Multi->EditBuffer, folder_.file("copy.tw")));
  EXPECT_EQ(reader->Multi->EditBuffer->Volume, 0.25f);

  // Closing the editor with the dialog open: it goes, and its command with it.
  Click(kLoad);
  ASSERT_NE(probe_->WaitForWindow(kFileDialog), 0u);
  plugin_->dispatch(effEditClose);
  EXPECT_TRUE(probe_->WaitUntilGone(kFileDialog));
  EXPECT_EQ(Get(kVolume), 0.25f);
}

// Gives `w` the keys, as a window manager does with a window that appears.
void FocusOn(testing::XProbe& probe, Window w) {
  XSetInputFocus(probe.display(), w, RevertToParent, CurrentTime);
  XSync(probe.display(), False);
}

// "Load" with a changed patch: the question whether to save it first opens over the host's window
// and the editor returns; while it is open the host's idle calls return at once and the editor
// takes no input. Yes saves the patch into its file and goes on to the Load dialog, No goes on
// without saving, Cancel (Escape, the window manager's close) abandons the command. The editor's
// own question and the desktop's (zenity) both.
TEST_F(EditorEndToEnd, TheSaveQuestionLetsTheHostRunAndEachAnswerDoesWhatItSays) {
  enum Answer { kYes, kNo, kCancel };
  struct Case {
    const char* name;
    bool zenity;
    std::function<void(testing::XProbe&, Window)> act;
    Answer answer;
  };
  const Case cases[] = {
      {"Y", false, [](testing::XProbe& p, Window) { p.Key(XK_y); }, kYes},
      {"click on No", false, [](testing::XProbe& p, Window w) { p.Click(w, 180, 104); }, kNo},
      {"Escape", false, [](testing::XProbe& p, Window) { p.Key(XK_Escape); }, kCancel},
      {"Tab Tab Enter", false, [](testing::XProbe& p, Window) { p.Key(XK_Tab); p.Key(XK_Tab); p.Key(XK_Return); },
       kCancel},
      {"closed by the window manager", false, [](testing::XProbe& p, Window w) { p.RequestClose(w); }, kCancel},
      // There is no window manager to give the program's window the keys.
      {"zenity: Enter", true, [](testing::XProbe& p, Window w) { FocusOn(p, w); p.Key(XK_Return); }, kYes},
      {"zenity: Escape", true, [](testing::XProbe& p, Window w) { FocusOn(p, w); p.Key(XK_Escape); }, kCancel},
  };
  // zenity's windows come and go while the probe walks the window tree.
  testing::TolerateXErrors();
  const std::string patch_file = folder_.file("session.tw");
  const std::string original = "[Voice]\r\nVolume=1\r\n";
  OpenEditor();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.zenity)
      ::unsetenv("BRELIX_FILE_DIALOG");
    else
      ::setenv("BRELIX_FILE_DIALOG", "builtin", 1);
    const char* question_window = c.zenity ? "zenity" : kQuestion;
    const char* file_dialog = c.zenity ? "zenity" : kFileDialog;
    WriteBytes(patch_file, original);
    ASSERT_EQ(plugin_->setChunk(testing::ProgramChunkBytes(0, 15, patch_file)), 1);
    Idle();
    Click(kVolumeEdit);
    Key(XK_a, true);
    for (KeySym key : {XK_0, XK_period, XK_5, XK_Return}) Key(key);
    ASSERT_TRUE(IdleUntil([&] { return Get(kVolume) == 0.5f; })) << Get(kVolume);

    {
      // A question that held up the host would hold up this click: a watchdog then closes it, so
      // that the test fails instead of hanging.
      std::atomic<bool> returned{false}, closed_by_watchdog{false};
      std::thread watchdog([&] {
        testing::XProbe probe;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!returned && std::chrono::steady_clock::now() < deadline)
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (returned) return;
        closed_by_watchdog = true;
        if (const Window w = probe.WaitForWindow(question_window, 0)) probe.RequestClose(w);
      });
      Click(kLoad);
      returned = true;
      watchdog.join();
      ASSERT_FALSE(closed_by_watchdog) << "the click waited for the question's answer";
    }
    const Window question = probe_->WaitForWindow(question_window);
    ASSERT_NE(question, 0u);
    EXPECT_EQ(OwnerOf(question), parent_);
    const std::chrono::microseconds longest = LongestIdleCall();
    EXPECT_LT(longest.count(), 1'000'000);
    if (c.answer == kYes) std::cout << c.name << ": longest idle call with the question open: " << longest.count() << " us\n";
    // The editor takes no input meanwhile, and another command asks nothing more.
    MoveTo(kVolumeBar);
    Wheel(-3);
    EXPECT_EQ(Get(kVolume), 0.5f);
    Click(kLoad);
    if (c.answer == kYes) {
      // Painted once the host's idle calls have dispatched its first events.
      Idle(4);
      std::this_thread::sleep_for(std::chrono::milliseconds(c.zenity ? 500 : 0));
      cairo_surface_write_to_png(probe_->Capture(question).get(), c.zenity ? BRELIX_ARTIFACT_DIR "/save_question_zenity.png"
                                                                            : BRELIX_ARTIFACT_DIR "/save_question.png");
    }

    c.act(*probe_, question);
    ASSERT_TRUE(IdleUntil([&] { return probe_->WaitUntilGone(question_window, 0); }));
    if (c.answer == kCancel) {
      Idle(10);
      EXPECT_EQ(probe_->WaitForWindow(file_dialog, 300), 0u);
    } else {
      // The command goes on: the Load dialog, cancelled here, leaves the patch as it is.
      Window dialog = 0;
      ASSERT_TRUE(IdleUntil([&] { return (dialog = probe_->WaitForWindow(file_dialog, 0)) != 0; }));
      Idle(4);
      if (c.zenity) std::this_thread::sleep_for(std::chrono::milliseconds(500));  // until it takes keys
      if (c.zenity) FocusOn(*probe_, dialog);
      probe_->Key(XK_Escape);
      ASSERT_TRUE(IdleUntil([&] { return probe_->WaitUntilGone(file_dialog, 0); }));
    }
    Idle();
    EXPECT_EQ(Get(kVolume), 0.5f);
    const std::string saved = testing::ReadBytes(patch_file);
    if (c.answer == kYes) {
      EXPECT_NE(saved.find("Volume=0.5"), std::string::npos) << saved;
    } else {
      EXPECT_EQ(saved, original);
    }
    // Still changed, unless saved: the host's project save writes it now.
    plugin_->getChunk();
    EXPECT_NE(testing::ReadBytes(patch_file).find("Volume=0.5"), std::string::npos);
  }
  ::unsetenv("BRELIX_FILE_DIALOG");
  plugin_->dispatch(effEditClose);
}

}  // namespace
}  // namespace brelix
