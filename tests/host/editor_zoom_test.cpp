// The editor's Zoom setting through the built plug-in: the host rectangle at every level and for
// values the editor does not offer, and, on a real X server, the window at the zoomed size with
// clicks and drags at zoomed positions landing on the same controls as at 100 %.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "editor/editor_zoom.h"
#include "support/saving_instance.h"
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

// Host entries of the first oscillator: 2 its FreeRun switch, 3 its semitone slider (-48..48).
constexpr int kFreeRun = 2, kSemitone = 3;
// Logical places on the first page: the page strip is 19 high; the oscillator's header row is at
// 4 in its page, FreeRun right of the 75-wide header; the semitone bar 15 below its group at 20,
// 151 wide.
constexpr int kPageTop = 19;
constexpr int kFreeRunX = 4 + 76 + 20, kFreeRunY = kPageTop + 4 + 8;
constexpr int kBarLeft = 4, kBarY = kPageTop + 20 + 15 + 5, kBarWidth = 151;

class EditorZoom : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(BRELIX_PLUGIN_PATH, folder_.file("Brelix64.so"));
    library_ = PluginLibrary::Load(folder_.file("Brelix64.so"));
  }
  // A new instance reads the settings file as it is now.
  testing::SavingInstance Instance(const std::string& editorKeys) {
    WriteBytes(folder_.file("Brelix.Ini"), "[Editor]\nAutomation=1\n" + editorKeys);
    testing::SavingInstance instance(new PluginInstance(library_));
    EXPECT_TRUE(instance->is_open());
    testing::StartAsHost(*instance);
    return instance;
  }
  static ERect Rect(PluginInstance& p) {
    ERect* rect = nullptr;
    EXPECT_EQ(p.dispatch(effEditGetRect, 0, 0, &rect), 1);
    return rect != nullptr ? *rect : ERect{};
  }

  TempFolder folder_;
  std::shared_ptr<PluginLibrary> library_;
};

TEST_F(EditorZoom, TheHostRectangleGrowsWithTheZoomAndOddValuesGiveTheExactPixels) {
  const struct {
    const char* keys;
    int width, height;
  } cases[] = {
      {"", 624, 557},          {"Zoom=100\n", 624, 557}, {"Zoom=125\n", 780, 697},
      {"Zoom=150\n", 936, 836}, {"Zoom=200\n", 1248, 1114},
      // After a level, values that are none: 100, not the level before.
      {"Zoom=175\n", 624, 557}, {"Zoom=200\n", 1248, 1114}, {"Zoom=0\n", 624, 557},
      {"Zoom=200\n", 1248, 1114}, {"Zoom=-5\n", 624, 557},   {"Zoom=200\n", 1248, 1114},
      {"Zoom=abc\n", 624, 557}, {"Zoom=\n", 624, 557},
  };
  for (const auto& c : cases) {
    auto p = Instance(c.keys);
    const ERect r = Rect(*p);
    EXPECT_EQ(r.top, 0) << c.keys;
    EXPECT_EQ(r.left, 0) << c.keys;
    EXPECT_EQ(r.right, c.width) << c.keys;
    EXPECT_EQ(r.bottom, c.height) << c.keys;
  }
}

// A screen smaller than the zoomed editor gets the largest level that fits, never less than 100.
TEST(ZoomThatFits, TakesTheLargestLevelThatFitsTheScreen) {
  const struct {
    int32_t zoom;
    ui::TSize screen;
    int32_t fits;
  } cases[] = {
      {150, {1024, 768}, 125},  {200, {1024, 768}, 125},  {200, {1280, 1024}, 150}, {200, {1920, 1200}, 200},
      {150, {1920, 1080}, 150}, {125, {800, 600}, 100},   {125, {640, 480}, 100},   {100, {640, 480}, 100},
      {200, {0, 0}, 200},       {175, {800, 600}, 175},   // unknown screen; no level: left as it is
      {200, {1248, 1114}, 200}, {200, {1247, 1114}, 150},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ZoomThatFits(c.zoom, 624, 557, c.screen), c.fits)
        << c.zoom << " on " << c.screen.width << " x " << c.screen.height;
}

// ---- the zoomed editor in a window of the host's ---------------------------------------------

class ZoomedEditorWindow : public EditorZoom {
 protected:
  void SetUp() override {
    BRELIX_REQUIRE_XVFB();
    EditorZoom::SetUp();
    probe_ = std::make_unique<testing::XProbe>();
    ASSERT_NE(host(), nullptr);
  }
  Display* host() const { return probe_->display(); }

  Window HostWindow(const ERect& r) {
    const int screen = DefaultScreen(host());
    const Window w = XCreateSimpleWindow(host(), RootWindow(host(), screen), 0, 0, r.right, r.bottom, 0,
                                         BlackPixel(host(), screen), WhitePixel(host(), screen));
    XMapWindow(host(), w);
    XSync(host(), False);
    return w;
  }
  // The one window the editor put into `parent`.
  Window EditorWindow(Window parent) {
    Window root, up, *children = nullptr;
    unsigned int n = 0;
    Window found = 0;
    if (XQueryTree(host(), parent, &root, &up, &children, &n) != 0 && n == 1) found = children[0];
    if (children != nullptr) XFree(children);
    return found;
  }
  // A logical point of the editor as a screen point of the zoomed window: the first device pixel
  // that the form maps back onto it.
  static int Device(int logical, double scale) { return static_cast<int>(std::ceil(logical * scale)); }
  void MoveTo(Window w, int x, int y) {
    const testing::WindowGeometry g = probe_->Geometry(w);
    XTestFakeMotionEvent(host(), DefaultScreen(host()), g.x + x, g.y + y, 0);
    XSync(host(), False);
  }
  void Button(bool press) {
    XTestFakeButtonEvent(host(), 1, press ? True : False, 0);
    XSync(host(), False);
  }
  // The host's idle calls until `done` holds (or three seconds have passed).
  template <class Done>
  static bool Pump(PluginInstance& p, Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    do {
      p.dispatch(effEditIdle);
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
  }
  static void Idle(PluginInstance& p, int times) {
    for (int i = 0; i < times; ++i) {
      p.dispatch(effEditIdle);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  static float Get(PluginInstance& p, int32_t i) { return p.effect()->getParameter(p.effect(), i); }
  static void Set(PluginInstance& p, int32_t i, float v) { p.effect()->setParameter(p.effect(), i, v); }

  std::unique_ptr<testing::XProbe> probe_;
};

TEST_F(ZoomedEditorWindow, ClicksAndDragsAtZoomedPlacesReachTheSameControls) {
  for (const int zoom : {125, 150, 200}) {
    SCOPED_TRACE(zoom);
    const double scale = zoom / 100.0;
    auto p = Instance("Zoom=" + std::to_string(zoom) + "\n");
    const ERect r = Rect(*p);
    const Window parent = HostWindow(r);
    ASSERT_EQ(p->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
    const Window editor = EditorWindow(parent);
    ASSERT_NE(editor, 0u);
    const testing::WindowGeometry g = probe_->Geometry(editor);
    EXPECT_EQ(g.width, r.right);
    EXPECT_EQ(g.height, r.bottom);
    // The patch file of the round before holds its edits.
    Set(*p, kFreeRun, 0.0f);
    Set(*p, kSemitone, 0.5f);
    Idle(*p, 10);  // shown and painted

    // The switch, at its zoomed place.
    MoveTo(editor, Device(kFreeRunX, scale), Device(kFreeRunY, scale));
    Button(true);
    Button(false);
    EXPECT_TRUE(Pump(*p, [&] { return Get(*p, kFreeRun) == 1.0f; }));

    // A drag along the semitone bar from its left end to three quarters of it: -48 to 24.
    MoveTo(editor, Device(kBarLeft, scale), Device(kBarY, scale));
    Button(true);
    EXPECT_TRUE(Pump(*p, [&] { return Get(*p, kSemitone) == 0.0f; }));
    MoveTo(editor, Device(kBarLeft + kBarWidth * 3 / 4, scale), Device(kBarY, scale));
    EXPECT_TRUE(Pump(*p, [&] { return Get(*p, kSemitone) == 0.75f; })) << Get(*p, kSemitone);
    Button(false);
    Idle(*p, 5);
    EXPECT_EQ(p->dispatchText(effGetParamDisplay, kSemitone), "24");

    p->dispatch(effEditClose);
    XDestroyWindow(host(), parent);
    XSync(host(), False);
  }
}

}  // namespace
}  // namespace brelix
