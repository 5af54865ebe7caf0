// The standalone program's window on a real X server (Xvfb) with a real JACK server: the
// keyboard strip plays notes with the mouse (louder low on a key) and from the computer keys,
// its octave buttons move it, the title marks an edit, closing the window asks the plug-in's own
// question about the changed patch and quits; the computer keys come back to the strip after
// typing into a value box; options of one run stay in that run, the octave is kept.
#include <gtest/gtest.h>
#include <X11/keysym.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "live_state.h"
#include "patch/program_chunk.h"
#include "render_state.h"
#include "support/jack_server.h"
#include "support/jack_test_rig.h"
#include "support/kept_program_chunk.h"
#include "support/note_measures.h"
#include "support/shipped_patches.h"
#include "support/temp_folder.h"
#include "support/x11_probe.h"
#include "support/xvfb_server.h"

namespace brelix::testing {
namespace {

constexpr const char* kShippedPatch = BRELIX_PATCHES_DIR "/plucks-and-mallets/glass-pluck.tw";
// The strip's measures: keys 96 pixels high above a 20-pixel status line, 28-pixel octave
// buttons at both ends, 18 white keys from C3 between them.
constexpr int kKeysHeight = 96, kStatusHeight = 20, kButton = 28, kWhiteKeys = 18;

std::string TitleOf(Display* display, Window window) {
  char* name = nullptr;
  if (XFetchName(display, window, &name) == 0 || name == nullptr) return {};
  std::string title = name;
  XFree(name);
  return title;
}

class BrelixWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!XvfbServer::Shared().running()) GTEST_SKIP() << XvfbServer::Shared().failure();
    if (!kept_place_.empty()) {
      std::filesystem::create_directories(config_.file("brelix"));
      WriteBytes(config_.file("brelix/window"), kept_place_);
    }
    TolerateXErrors();  // the program's windows come and go while the test looks for them
    setenv("DISPLAY", XvfbServer::Shared().display().c_str(), 1);
    setenv("XDG_CONFIG_HOME", config_.path().c_str(), 1);
    ASSERT_TRUE(server_.ready()) << server_.failure();
    ASSERT_TRUE(rig_.ok());
    // A copy, as the patch may be saved. The loud and soft notes are compared: its oscillators
    // start at a fixed phase, and the velocity sets the whole level (the shipped patch's 0.26
    // leaves 3.4 dB between velocities 115 and 13).
    WriteFixedPhaseCopy(kShippedPatch, patch_);
    copied_ = std::regex_replace(ReadBytes(patch_), std::regex("VolumeVelocity=[0-9.eE+-]+"), "VolumeVelocity=1");
    WriteBytes(patch_, copied_);
    // The patch as an earlier run kept it (an option would play it for one run only).
    KeepChunkNaming(config_, patch_);
    StartProgram(extra_args_);
  }
  // Starts the program with `args` and waits for its window.
  void StartProgram(const std::vector<std::string>& args) {
    std::vector<std::string> line = {BRELIX_LIVE_PATH, "--plugin", BRELIX_PLUGIN_PATH};
    line.insert(line.end(), args.begin(), args.end());
    pid_ = Spawn(line, work_.file("brelix.log"));
    ASSERT_GT(pid_, 0);
    ASSERT_TRUE(rig_.WaitForProgram()) << ReadBytes(work_.file("brelix.log"));
    ASSERT_TRUE(rig_.ConnectRecorder());
    window_ = probe_.WaitForWindow("brelix", 20000);
    ASSERT_NE(window_, 0u) << ReadBytes(work_.file("brelix.log"));
    geometry_ = probe_.Geometry(window_);
  }
  // Closes the window; the program's exit code.
  int Close() {
    probe_.RequestClose(window_);
    const int code = WaitForExit(pid_, 20s);
    pid_ = 0;
    return code;
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      WaitForExit(pid_, 10s);
    }
  }

  // The middle of white key `index` (0 for the lowest C), `depth` of the way down the key.
  std::pair<int, int> WhiteKey(int index, double depth) const {
    const double white = (geometry_.width - 2.0 * kButton) / kWhiteKeys;
    const int top = geometry_.height - kStatusHeight - kKeysHeight;
    return {static_cast<int>(kButton + (index + 0.5) * white), top + static_cast<int>(depth * kKeysHeight)};
  }

  void Press(std::pair<int, int> at, bool down) {
    Display* d = probe_.display();
    XTestFakeMotionEvent(d, DefaultScreen(d), geometry_.x + at.first, geometry_.y + at.second, 0);
    XTestFakeButtonEvent(d, 1, down, 0);
    XSync(d, False);
  }

  // What a press held for `seconds` sounds like, once the note before has died away.
  std::vector<float> Held(const std::function<void(bool)>& press, double seconds = 0.6) {
    rig_.WaitForSilence();
    rig_.StartRecording();
    press(true);
    rig_.WaitForRecorded(static_cast<size_t>(seconds * rig_.rate()));
    press(false);
    return rig_.StopRecording();
  }

  // Pitch and level of the sound from its start (an onset above -80 dBFS) for 0.3 s.
  static std::pair<double, double> Measure(const std::vector<float>& x, int rate) {
    size_t start = 0;
    while (start < x.size() && std::fabs(x[start]) < 1e-4f) ++start;
    const size_t from = start + static_cast<size_t>(0.05 * rate), to = start + static_cast<size_t>(0.3 * rate);
    if (to > x.size()) return {0.0, -200.0};
    const std::vector<float> part(x.begin() + static_cast<long>(from), x.begin() + static_cast<long>(to));
    return {FundamentalHz(part) * rate / kHostRate, 20.0 * std::log10(RmsOf(part, 0, part.size()) + 1e-12)};
  }

  // A key of the computer keyboard pressed (true) or let go.
  std::function<void(bool)> Key(KeySym symbol) {
    return [this, symbol](bool down) {
      Display* d = probe_.display();
      XTestFakeKeyEvent(d, XKeysymToKeycode(d, symbol), down, 0);
      XSync(d, False);
    };
  }
  void Type(KeySym symbol) {
    Key(symbol)(true);
    Key(symbol)(false);
  }
  // A left click at (x, y) of the window.
  void ClickAt(int x, int y) {
    Press({x, y}, true);
    Press({x, y}, false);
  }

  // The window file found at the start, when not empty.
  std::string kept_place_;
  // Options after --patch.
  std::vector<std::string> extra_args_;
  TempFolder config_, work_;
  std::string patch_ = work_.file("glass-pluck.tw");
  std::string copied_;
  JackServer server_{44100};
  TestRig rig_;
  XProbe probe_;
  pid_t pid_ = 0;
  Window window_ = 0;
  WindowGeometry geometry_{};
};

TEST_F(BrelixWindow, TheStripPlaysTheTitleMarksAnEditAndClosingAsksToSaveIt) {
  EXPECT_EQ(TitleOf(probe_.display(), window_), "glass-pluck.tw - Brelix");
  const int rate = rig_.rate();

  // C4, the eighth white key: low on the key is loud, high on it soft.
  const auto [loud_hz, loud_db] = Measure(Held([&](bool down) { Press(WhiteKey(7, 0.9), down); }), rate);
  const auto [soft_hz, soft_db] = Measure(Held([&](bool down) { Press(WhiteKey(7, 0.1), down); }), rate);
  EXPECT_NEAR(loud_hz, NoteHz(60), NoteHz(60) * 0.02);
  EXPECT_NEAR(soft_hz, NoteHz(60), NoteHz(60) * 0.02);
  EXPECT_GT(loud_db, soft_db + 5.0);  // 8.2 dB between velocities 115 and 13

  // Z plays the strip's lowest C; after the octave button on the right, the C above. The
  // pointer rests over the editor, whose window would take the keys were the focus not kept.
  Display* d = probe_.display();
  XTestFakeMotionEvent(d, DefaultScreen(d), geometry_.x + 300, geometry_.y + 250, 0);
  const auto key = [&](KeySym symbol) {
    return [&, symbol](bool down) {
      XTestFakeKeyEvent(d, XKeysymToKeycode(d, symbol), down, 0);
      XSync(d, False);
    };
  };
  EXPECT_NEAR(Measure(Held(key(XK_z)), rate).first, NoteHz(48), NoteHz(48) * 0.02);
  EXPECT_NEAR(Measure(Held(key(XK_q)), rate).first, NoteHz(60), NoteHz(60) * 0.02);
  probe_.Click(window_, geometry_.width - kButton / 2, geometry_.height - kStatusHeight - kKeysHeight / 2);
  XTestFakeMotionEvent(d, DefaultScreen(d), geometry_.x + 300, geometry_.y + 250, 0);
  EXPECT_NEAR(Measure(Held(key(XK_z)), rate).first, NoteHz(60), NoteHz(60) * 0.02);

  // An edit in the editor (a click on the first oscillator's semitone slider) marks the title.
  probe_.Click(window_, 120, 62);
  EXPECT_TRUE(WaitUntil([&] { return TitleOf(d, window_) == "*glass-pluck.tw - Brelix"; }, 5s))
      << TitleOf(d, window_);

  // Closing the window asks the plug-in's own question about the changed patch; Yes saves it.
  probe_.RequestClose(window_);
  ASSERT_NE(probe_.WaitForWindow("brelix-question", 20000), 0u) << ReadBytes(work_.file("brelix.log"));
  // Enter answers Yes once the box has taken the focus.
  for (int tries = 0; tries < 40; ++tries) {
    probe_.Key(XK_Return);
    if (probe_.WaitUntilGone("brelix-question", 250)) break;
  }
  EXPECT_EQ(WaitForExit(pid_, 20s), 0) << ReadBytes(work_.file("brelix.log"));
  pid_ = 0;
  EXPECT_TRUE(ReadBytes(patch_) != copied_) << "the changed patch was not saved";
}

TEST_F(BrelixWindow, TheTitleAndTheKeptStateFollowAPatchLoadedInTheEditor) {
  // Page Down in the editor loads the next patch of the folder; the title names it, and the
  // state kept on quitting restores it.
  const std::string next = work_.file("harp-pluck.tw");
  WriteBytes(next, ReadBytes(BRELIX_PATCHES_DIR "/plucks-and-mallets/harp-pluck.tw"));
  Display* d = probe_.display();
  // The keys go where the pointer is until the window has taken the focus; harp-pluck.tw is the
  // last patch, where a further Page Down does nothing.
  XTestFakeMotionEvent(d, DefaultScreen(d), geometry_.x + 300, geometry_.y + 250, 0);
  EXPECT_TRUE(WaitUntil([&] {
    probe_.Key(XK_Next);
    return WaitUntil([&] { return TitleOf(d, window_) == "harp-pluck.tw - Brelix"; }, 500ms);
  }, 10s)) << TitleOf(d, window_);
  probe_.RequestClose(window_);
  EXPECT_EQ(WaitForExit(pid_, 20s), 0) << ReadBytes(work_.file("brelix.log"));
  pid_ = 0;
  const std::string kept = ReadBytes(config_.file("brelix/program.chunk"));
  EXPECT_EQ(ChunkPatchFile(std::vector<uint8_t>(kept.begin(), kept.end())), next);
  EXPECT_EQ(ReadBytes(patch_), copied_) << "the patch left unchanged is not written";
}

TEST_F(BrelixWindow, AnXServerThatGoesAwayEndsItWithItsStateKept) {
  const ino_t earlier = FileIdentity(KeptChunkFile(config_));
  probe_.SurviveServerLoss();
  XvfbServer::Shared().Stop();
  bool hung = false;
  EXPECT_EQ(WaitForExit(pid_, 20s, &hung), 1) << ReadBytes(work_.file("brelix.log"));
  EXPECT_FALSE(hung);
  pid_ = 0;
  EXPECT_NE(ReadBytes(work_.file("brelix.log")).find("brelix: the X display went away; quitting\n"), std::string::npos)
      << ReadBytes(work_.file("brelix.log"));
  EXPECT_NE(FileIdentity(KeptChunkFile(config_)), earlier) << "the state was not kept";
  const std::string kept = ReadBytes(config_.file("brelix/program.chunk"));
  EXPECT_EQ(ChunkPatchFile(std::vector<uint8_t>(kept.begin(), kept.end())), patch_);
}

TEST_F(BrelixWindow, ClosingTheWindowQuitsAndKeepsItsPlace) {
  probe_.RequestClose(window_);
  bool hung = false;
  EXPECT_EQ(WaitForExit(pid_, 20s, &hung), 0) << ReadBytes(work_.file("brelix.log"));
  EXPECT_FALSE(hung);
  pid_ = 0;
  EXPECT_FALSE(ReadBytes(config_.file("brelix/program.chunk")).empty());
  EXPECT_EQ(ReadBytes(config_.file("brelix/window")),
            std::to_string(geometry_.x) + " " + std::to_string(geometry_.y) + "\n");
}

TEST_F(BrelixWindow, TheKeysPlayAgainAfterTypingIntoAValueBox) {
  // Amp/Volume's value box, a blank place of the editor and the status line under the strip.
  const std::pair<int, int> volumeBox{262, 468}, blank{330, 505}, statusLine{40, geometry_.height - kStatusHeight / 2};
  Display* d = probe_.display();
  const int rate = rig_.rate();
  // No note: what is left of the one before is far below one (a peak near 0.2).
  const auto silent = [](const std::vector<float>& x) {
    float peak = 0;
    for (float v : x) peak = std::max(peak, std::fabs(v));
    return peak < 0.01f;
  };
  const struct {
    const char* givesBack;
    std::function<void()> act;
    bool takesTheValue;
  } cases[] = {
      {"Escape", [&] { Type(XK_Escape); }, false},
      {"a click on blank space", [&] { ClickAt(blank.first, blank.second); }, true},
      {"a click on the status line", [&] { ClickAt(statusLine.first, statusLine.second); }, true},
      {"Enter", [&] { Type(XK_Return); }, true},
  };
  // The window has the keys once Z plays.
  XTestFakeMotionEvent(d, DefaultScreen(d), geometry_.x + 300, geometry_.y + 250, 0);
  ASSERT_TRUE(WaitUntil([&] { return !silent(Held(Key(XK_z), 0.3)); }, 10s));
  bool taken = false;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.givesBack);
    ClickAt(volumeBox.first, volumeBox.second);
    // The editor reads its clicks on its own connection at its next idle call (50 a second),
    // the keys come through the window: a person does not type that fast after a click.
    std::this_thread::sleep_for(300ms);
    Type(XK_0);
    Type(XK_period);
    Type(XK_4);
    // The box has the keys: Z is typed into it (and refused there), no note.
    XTestFakeMotionEvent(d, DefaultScreen(d), geometry_.x + 300, geometry_.y + 250, 0);
    EXPECT_TRUE(silent(Held(Key(XK_z), 0.3))) << "a note played while the value box had the keys";
    c.act();
    EXPECT_NEAR(Measure(Held(Key(XK_z)), rate).first, NoteHz(48), NoteHz(48) * 0.02);
    // Escape dropped what was typed; the others took it.
    taken = taken || c.takesTheValue;
    const std::string title = taken ? "*glass-pluck.tw - Brelix" : "glass-pluck.tw - Brelix";
    EXPECT_TRUE(WaitUntil([&] { return TitleOf(d, window_) == title; }, 5s)) << TitleOf(d, window_);
  }
}

// Options given for one run: --voices 1 --channel 2.
class BrelixWindowForOneRun : public BrelixWindow {
 protected:
  void SetUp() override {
    extra_args_ = {"--voices", "1", "--channel", "2"};
    BrelixWindow::SetUp();
  }
};

TEST_F(BrelixWindowForOneRun, LeavesTheNextStartAsItWasAndKeepsTheOctave) {
  // An octave up on the strip, then quit.
  probe_.Click(window_, geometry_.width - kButton / 2, geometry_.height - kStatusHeight - kKeysHeight / 2);
  ASSERT_EQ(Close(), 0) << ReadBytes(work_.file("brelix.log"));
  const std::string kept = ReadBytes(config_.file("brelix/program.chunk"));
  const std::optional<ProgramChunkFields> fields = ProgramChunkRead(kept.data(), static_cast<int64_t>(kept.size()));
  ASSERT_TRUE(fields);
  EXPECT_EQ(fields->Channel, 0) << "the channel of one run was kept";
  EXPECT_EQ(fields->MaxVoice, 15) << "the voice count of one run was kept";
  EXPECT_EQ(fields->PatchFile, patch_);

  // The next start without options: the strip an octave up, channel 1 heard.
  StartProgram({});
  ASSERT_TRUE(WaitUntil([&] { return jack_connect(rig_.client(), "notes:out", "Brelix:midi_in") == 0; }, 10s));
  Display* d = probe_.display();
  XTestFakeMotionEvent(d, DefaultScreen(d), geometry_.x + 300, geometry_.y + 250, 0);
  EXPECT_NEAR(Measure(Held(Key(XK_z)), rig_.rate()).first, NoteHz(60), NoteHz(60) * 0.02);
  const std::vector<float> fromChannel1 = rig_.PlayNote(69, 100, 0.4);
  EXPECT_NEAR(Measure(fromChannel1, rig_.rate()).first, NoteHz(69), NoteHz(69) * 0.02) << "channel 1 not heard";
  EXPECT_EQ(Close(), 0);
  EXPECT_EQ(ReadBytes(config_.file("brelix/octave")), "60\n");
}

// A place kept from a larger screen, or beyond any screen.
class BrelixWindowKeptOffScreen : public BrelixWindow {
 protected:
  void SetUp() override {
    kept_place_ = "30000 -4000\n";
    BrelixWindow::SetUp();
  }
};

TEST_F(BrelixWindowKeptOffScreen, OpensOnTheScreenAndKeepsAPlaceOnIt) {
  const auto onScreen = [](int x, int y, int width, int height) {
    return x >= 0 && y >= 0 && x + width <= XvfbServer::kScreenWidth && y + height <= XvfbServer::kScreenHeight;
  };
  EXPECT_TRUE(onScreen(geometry_.x, geometry_.y, geometry_.width, geometry_.height))
      << geometry_.x << "," << geometry_.y << " " << geometry_.width << "x" << geometry_.height;
  probe_.RequestClose(window_);
  EXPECT_EQ(WaitForExit(pid_, 20s), 0) << ReadBytes(work_.file("brelix.log"));
  pid_ = 0;
  const std::optional<WindowPosition> kept = ParseWindowPosition(ReadBytes(config_.file("brelix/window")));
  ASSERT_TRUE(kept) << ReadBytes(config_.file("brelix/window"));
  EXPECT_TRUE(onScreen(kept->X, kept->Y, geometry_.width, geometry_.height)) << kept->X << "," << kept->Y;
}

}  // namespace
}  // namespace brelix::testing
