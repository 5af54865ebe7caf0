// The editor and the host parameters as a host sees them through the built plug-in: the editor
// rectangle and flag, the parameter calls with automation on and off (bad indices and values
// included), the controls agreeing with the patch before any open and after a program chunk, and
// the editor opened, pumped, closed and reopened in a window of the host's on a real X server.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "support/started_instance.h"
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

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Entries of the editor's pages: 3 is the first oscillator's semitone slider (-48..48, extended
// -120..120), 2 its FreeRun switch, 92 the first filter's type list (nine items); 443 in all.
constexpr int kSemitone = 3, kSwitch = 2, kList = 92, kEntries = 443;

class EditorHost : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::copy_file(BRELIX_PLUGIN_PATH, folder_.file("Brelix64.so")); }
  std::unique_ptr<PluginInstance> Open(const std::string& ini = "[Editor]\r\nAutomation=1\r\n") {
    if (!library_) {
      WriteBytes(folder_.file("Brelix.Ini"), ini);
      library_ = PluginLibrary::Load(folder_.file("Brelix64.so"));
    }
    auto instance = std::make_unique<PluginInstance>(library_);
    EXPECT_TRUE(instance->is_open());
    brelix::testing::StartAsHost(*instance);
    return instance;
  }
  static float Get(PluginInstance& p, int32_t i) { return p.effect()->getParameter(p.effect(), i); }
  static void Set(PluginInstance& p, int32_t i, float v) { p.effect()->setParameter(p.effect(), i, v); }
  static std::string ShownText(PluginInstance& p, int32_t i) { return p.dispatchText(effGetParamDisplay, i); }

  TempFolder folder_;
  std::shared_ptr<PluginLibrary> library_;
};

TEST_F(EditorHost, TheEditorIs624By557AndFlagged) {
  auto p = Open();
  EXPECT_EQ(p->effect()->flags, 0x131);
  ERect* rect = nullptr;
  EXPECT_EQ(p->dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 557);
  EXPECT_EQ(rect->right, 624);
}

TEST_F(EditorHost, ParametersAnswerThroughTheControlsBeforeTheEditorIsOpened) {
  auto p = Open();
  EXPECT_EQ(p->dispatchText(effGetParamName, 0), "Extended");
  EXPECT_EQ(p->dispatchText(effGetParamName, 1), "*Osc1");
  EXPECT_EQ(p->dispatchText(effGetParamName, kSemitone), "Osc1.Semitone");
  EXPECT_EQ(p->dispatchText(effGetParamName, kEntries), "?");
  // The default patch's semitone is 0, half-way along -48..48.
  EXPECT_EQ(Get(*p, kSemitone), 0.5f);
  EXPECT_EQ(ShownText(*p, kSemitone), "0");

  p->clearCalls();
  Set(*p, kSemitone, 0.75f);
  EXPECT_EQ(Get(*p, kSemitone), 0.75f);
  EXPECT_EQ(ShownText(*p, kSemitone), "24");  // the text follows the host's value
  EXPECT_EQ(p->countCalls(audioMasterAutomate), 0);  // a host's own write is not echoed
  Set(*p, 0, 1.0f);  // extended range
  EXPECT_EQ(Get(*p, kSemitone), 0.6f);
  Set(*p, kSemitone, 1.0f);
  EXPECT_EQ(Get(*p, kSemitone), 1.0f);
  Set(*p, 0, 0.0f);
  EXPECT_EQ(Get(*p, kSemitone), 1.75f);  // 120 read in the normal range

  Set(*p, kSwitch, 0.6f);
  EXPECT_EQ(Get(*p, kSwitch), 1.0f);
  EXPECT_EQ(ShownText(*p, kSwitch), "On");
  Set(*p, kList, 1.0f);
  EXPECT_EQ(Get(*p, kList), 1.0f);
  EXPECT_EQ(p->dispatchText(effGetParamLabel, kList), "");
}

TEST_F(EditorHost, BadIndicesAndValuesGetTheNeutralAnswer) {
  auto p = Open();
  Set(*p, kSemitone, 0.25f);
  for (float bad : {kNaN, -kNaN}) {
    Set(*p, kSemitone, bad);
    EXPECT_EQ(Get(*p, kSemitone), 0.25f);
    Set(*p, kList, bad);
    Set(*p, kSwitch, bad);
    Set(*p, 0, bad);
  }
  Set(*p, kSemitone, kInf);
  EXPECT_EQ(Get(*p, kSemitone), 1.75f);  // held at the extended maximum, 120
  for (int32_t index : {-1, kEntries, kEntries + 1, 100000, std::numeric_limits<int32_t>::min()}) {
    EXPECT_EQ(Get(*p, index), 0.0f) << index;
    Set(*p, index, 0.5f);
    EXPECT_EQ(p->dispatchText(effGetParamName, index), "?") << index;
    EXPECT_EQ(ShownText(*p, index), "") << index;
  }
}

TEST_F(EditorHost, WithoutAutomationEveryParameterCallIsNeutral) {
  auto p = Open("");
  EXPECT_EQ(p->effect()->numParams, 1);
  EXPECT_EQ(p->dispatchText(effGetParamName, 0), "?");
  EXPECT_EQ(Get(*p, 0), 0.0f);
  Set(*p, kSemitone, 1.0f);
  EXPECT_EQ(Get(*p, kSemitone), 0.0f);
  EXPECT_EQ(ShownText(*p, kSemitone), "");
}

TEST_F(EditorHost, AProgramChunkIsShownByTheControlsAtOnce) {
  auto p = Open();
  // The patch with semitone 24 goes into its file with the chunk.
  Set(*p, kSemitone, 0.75f);
  const std::vector<uint8_t> chunk = p->getChunk();
  Set(*p, kSemitone, 0.0f);
  EXPECT_EQ(Get(*p, kSemitone), 0.0f);
  EXPECT_EQ(p->setChunk(chunk), 1);
  EXPECT_EQ(Get(*p, kSemitone), 0.75f);
  p->dispatch(effEditIdle);
  EXPECT_EQ(Get(*p, kSemitone), 0.75f);
}

// ---- the editor in a window of the host's ---------------------------------------------------

class EditorInHostWindow : public EditorHost {
 protected:
  void SetUp() override {
    BRELIX_REQUIRE_XVFB();
    EditorHost::SetUp();
    host_ = XOpenDisplay(testing::XvfbServer::Shared().display().c_str());
    ASSERT_NE(host_, nullptr);
  }
  void TearDown() override {
    if (host_ != nullptr) XCloseDisplay(host_);
  }
  Window HostWindow() {
    const int screen = DefaultScreen(host_);
    const Window w = XCreateSimpleWindow(host_, RootWindow(host_, screen), 0, 0, 640, 600, 0,
                                         BlackPixel(host_, screen), WhitePixel(host_, screen));
    XMapWindow(host_, w);
    XSync(host_, False);
    return w;
  }
  // The windows inside `parent` that are mapped.
  int MappedChildren(Window parent) {
    XSync(host_, False);
    Window root, up, *children = nullptr;
    unsigned int n = 0;
    int mapped = 0;
    if (XQueryTree(host_, parent, &root, &up, &children, &n) != 0) {
      for (unsigned i = 0; i < n; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(host_, children[i], &a) && a.map_state == IsViewable && a.width == 624 &&
            a.height == 557)
          ++mapped;
      }
    }
    if (children != nullptr) XFree(children);
    return mapped;
  }
  static void Idle(PluginInstance& p, int times = 10) {
    for (int i = 0; i < times; ++i) {
      p.dispatch(effEditIdle);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  Display* host_ = nullptr;
};

TEST_F(EditorInHostWindow, OpensIdlesClosesAndReopens) {
  auto p = Open();
  const Window parent = HostWindow();
  p->dispatch(effEditClose);  // a close without open does nothing
  Idle(*p, 1);
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    EXPECT_EQ(p->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
    Idle(*p);
    EXPECT_EQ(MappedChildren(parent), 1);
    if (round == 0) {
      testing::XProbe probe;
      cairo_surface_write_to_png(probe.Capture(parent).get(), BRELIX_ARTIFACT_DIR "/editor_in_host_window.png");
    }
    // Parameters while open reach the same controls.
    Set(*p, kSemitone, 0.25f * static_cast<float>(round + 1));
    EXPECT_EQ(Get(*p, kSemitone), 0.25f * static_cast<float>(round + 1));
    p->dispatch(effEditClose);
    Idle(*p, 2);
    EXPECT_EQ(MappedChildren(parent), 0);
    EXPECT_EQ(Get(*p, kSemitone), 0.25f * static_cast<float>(round + 1));  // after close as well
  }
  XDestroyWindow(host_, parent);
  // The edits go into the patch file, so that closing the instance asks nothing.
  p->getChunk();
}

TEST_F(EditorInHostWindow, ASecondOpenWithoutCloseMovesTheEditor) {
  auto p = Open();
  const Window first = HostWindow(), second = HostWindow();
  EXPECT_EQ(p->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(first)), 1);
  Idle(*p);
  EXPECT_EQ(p->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(second)), 1);
  Idle(*p);
  EXPECT_EQ(MappedChildren(first), 0);
  EXPECT_EQ(MappedChildren(second), 1);
  p->dispatch(effEditClose);
  p->dispatch(effEditClose);
  Idle(*p, 2);
  XDestroyWindow(host_, first);
  XDestroyWindow(host_, second);
}

}  // namespace
}  // namespace brelix
