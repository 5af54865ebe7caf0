// The editor's window on a real X server: a window of the test plays the host's, the editor's
// child window sits in it on the plug-in's own connection and is driven through XTest as a user
// would: clicks, drags (with the pointer warp of the screen-height mode), typing. The window
// shows exactly what the offscreen drawing shows; closing, reopening, several editors at once, a
// parent that is not a window and a parent the host destroyed first all leave the host unharmed.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/toolkit.h"
#include "support/recording_controls.h"
#include "support/widget_fixture.h"
#include "support/x11_probe.h"
#include "support/xvfb_server.h"
#include "ui/headless_window.h"
#include "ui/x11_child_window.h"
#include "ui/x11_display.h"

namespace brelix {
namespace {

using testing::DifferentPixels;
using testing::Image;
using testing::RecordingSliderControl;
using testing::XProbe;
using testing::XvfbServer;

// The X errors that reach the host's handler: none of ours may.
int host_errors = 0;
int RecordHostError(Display*, XErrorEvent*) {
  ++host_errors;
  return 0;
}

class RecordingSwitch : public XButton {
 public:
  using XButton::XButton;
  void UpdateValue(bool down) override { states.push_back(down); }
  std::vector<bool> states;
};

// A small page of widgets, the same every time it is built.
struct SampleEditor {
  SampleEditor() : form(std::make_unique<TForm>(nullptr)) {
    form->SetBounds(0, 0, 624, 557);
    form->Color = WidgetSettings().Colors.WindowColor;
    page = new XScrollBox(form.get());
    page->SetBounds(0, 19, 624, 538);
    page->SetParent(form.get());
    for (int i = 0; i < 4; ++i) {
      auto* tab = new XPageButton(form.get());
      tab->SetBounds(4 + i * 155, 2, 151, 17);
      tab->SetParent(form.get());
      tab->Caption = i == 0 ? "Oscillators / Sound" : "Filters / LFOs";
      tab->Down = i == 0;
    }
    auto* section = new XSection(form.get());
    section->SetPosition(4, 4);
    section->SetSize(75, 16);
    section->SetParent(page);
    section->Caption = " Osc #1";
    freerun = new RecordingSwitch(form.get());
    freerun->SetPosition(80, 4);
    freerun->SetParent(page);
    freerun->ParamButton = true;
    freerun->Caption = "FreeRun";
    freerun->Font.Size = 8;
    XLabel* label = XLabel::CreateLabel(form.get(), page, 4, 20);
    label->Caption = "Detune";
    edit = XEdit::CreateEdit(form.get(), page, 91, 20);
    edit->Min = -1;
    edit->Max = 1;
    edit->SetValue(0);
    edit->Control = &control;
    bar = XSlider::CreateSlider(form.get(), page, 4, 35);
    bar->Min = bar->ExtMin = -1;
    bar->Max = bar->ExtMax = 1;
    bar->Control = &control;
    combo = XCombo::CreateCombo(form.get(), page, 4, 60, false);
    for (const char* s : {"LowPass4", "LowPass3", "LowPass2", "HighPass4", "Bypass"})
      combo->Items.push_back({s, static_cast<uint32_t>(combo->Items.size())});
    combo->ListBox->SetItems(combo->Items);
    combo->SelectValue(0);
    XButton* load = XButton::CreateButton(form.get(), page, 469, 4);
    load->SetSize(151, 16);
    load->Caption = "Load";
    load->Down = true;
  }

  // What the window must show, drawn offscreen.
  Image Reference() {
    ui::HeadlessWindow window(form->WindowClient());
    window.Idle();
    Image image(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 624, 557));
    cairo_t* cr = cairo_create(image.get());
    cairo_set_source_surface(cr, window.Image(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    return image;
  }

  std::unique_ptr<TForm> form;
  XScrollBox* page;
  RecordingSwitch* freerun;
  XEdit* edit;
  XSlider* bar;
  XCombo* combo;
  RecordingSliderControl control;
};

class EditorWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    BRELIX_REQUIRE_XVFB();
    probe_ = std::make_unique<XProbe>();
    ASSERT_NE(host(), nullptr);
    previous_handler_ = XSetErrorHandler(&RecordHostError);
    host_errors = 0;
    ASSERT_TRUE(ui::UiDisplayOpen(nullptr));
  }
  void TearDown() override {
    if (probe_ == nullptr) return;
    EXPECT_EQ(host_errors, 0);
    // Our error traps put the host's handler back every time.
    EXPECT_EQ(XSetErrorHandler(previous_handler_), &RecordHostError);
  }

  Display* host() const { return probe_->display(); }

  // A top-level window of the host's at (x, y), mapped.
  Window HostWindow(int x, int y) {
    const int screen = DefaultScreen(host());
    const Window w = XCreateSimpleWindow(host(), RootWindow(host(), screen), x, y, 640, 600, 0,
                                         BlackPixel(host(), screen), WhitePixel(host(), screen));
    XMapWindow(host(), w);
    XSync(host(), False);
    return w;
  }

  // Runs the host's idle calls until `done` holds (or three seconds have passed).
  static bool Pump(std::vector<ui::X11ChildWindow*> editors, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    do {
      for (ui::X11ChildWindow* editor : editors) editor->Idle();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
  }
  bool Shows(ui::X11ChildWindow& editor, cairo_surface_t* expected) {
    return Pump({&editor}, [&] { return DifferentPixels(probe_->Capture(editor.Handle()).get(), expected) == 0; });
  }

  // XTest input at a point of a widget.
  TPoint Screen(ui::X11ChildWindow& editor, const TWidget& w, int x, int y) {
    const testing::WindowGeometry g = probe_->Geometry(editor.Handle());
    const TPoint o = w.FormOrigin();
    return {g.x + o.x + x, g.y + o.y + y};
  }
  void MoveTo(TPoint p) {
    XTestFakeMotionEvent(host(), DefaultScreen(host()), p.x, p.y, 0);
    XSync(host(), False);
  }
  void Button(bool press) {
    XTestFakeButtonEvent(host(), 1, press ? True : False, 0);
    XSync(host(), False);
  }
  TPoint Pointer() {
    Window root, child;
    int x = 0, y = 0, wx, wy;
    unsigned int mask;
    XQueryPointer(host(), DefaultRootWindow(host()), &root, &child, &x, &y, &wx, &wy, &mask);
    return {x, y};
  }
  std::vector<Window> ChildrenOf(Window parent) {
    Window root, up;
    Window* children = nullptr;
    unsigned int n = 0;
    std::vector<Window> result;
    if (XQueryTree(host(), parent, &root, &up, &children, &n) != 0)
      for (unsigned i = 0; i < n; ++i) result.push_back(children[i]);
    if (children != nullptr) XFree(children);
    return result;
  }

  testing::ScopedWidgetSettings settings_;
  std::unique_ptr<XProbe> probe_;
  XErrorHandler previous_handler_ = nullptr;
};

TEST_F(EditorWindow, ShowsTheFormAndTakesClicksDragsAndTyping) {
  SampleEditor reference_form;
  const Image expected = reference_form.Reference();
  SampleEditor sample;
  const Window parent = HostWindow(40, 40);
  ui::X11ChildWindow editor(sample.form->WindowClient());
  ASSERT_TRUE(editor.Open(parent));
  EXPECT_EQ(ChildrenOf(parent), std::vector<Window>{editor.Handle()});
  const testing::WindowGeometry g = probe_->Geometry(editor.Handle());
  EXPECT_EQ(g.width, 624);
  EXPECT_EQ(g.height, 557);
  ASSERT_TRUE(Shows(editor, expected.get()));

  // A click toggles the switch and takes the keyboard focus.
  const TPoint on_switch = Screen(editor, *sample.freerun, 20, 8);
  MoveTo(on_switch);
  Button(true);
  Button(false);
  ASSERT_TRUE(Pump({&editor}, [&] { return sample.freerun->Down; }));
  EXPECT_EQ(sample.freerun->states, std::vector<bool>{true});
  EXPECT_TRUE(Pump({&editor}, [&] { return editor.HasKeyboardFocus(); }));

  // A drag across the bar, then out of its band: the pointer is moved to the height of the value.
  MoveTo(Screen(editor, *sample.bar, 10, 8));
  Button(true);
  MoveTo(Screen(editor, *sample.bar, 113, 8));
  ASSERT_TRUE(Pump({&editor}, [&] { return sample.bar->Value > 0.4f; }));
  EXPECT_FLOAT_EQ(sample.bar->Value, 113.0f / 151 * 2 - 1);
  const float before = sample.bar->Value;
  const TPoint below = Screen(editor, *sample.bar, 113, 60);
  MoveTo(below);
  ASSERT_TRUE(Pump({&editor}, [&] { return sample.bar->Vertical; }));
  const int warped_y = static_cast<int>((XvfbServer::kScreenHeight - 1) * (1 - (before + 1) / 2.0));
  EXPECT_EQ(Pointer(), (TPoint{below.x, warped_y}));
  EXPECT_NEAR(sample.bar->Value, before, 2.0 / XvfbServer::kScreenHeight);
  MoveTo({below.x, 0});
  ASSERT_TRUE(Pump({&editor}, [&] { return sample.bar->Value == 1.0f; }));
  Button(false);
  ASSERT_TRUE(Pump({&editor}, [&] { return !sample.bar->Down; }));
  EXPECT_EQ(sample.control.calls.front(), "BeginDrag");
  EXPECT_EQ(sample.control.calls.back(), "EndDrag");

  // Typing into the edit box and Enter commit the value.
  MoveTo(Screen(editor, *sample.edit, 50, 7));
  Button(true);
  Button(false);
  ASSERT_TRUE(Pump({&editor}, [&] { return sample.form->ActiveControl() == sample.edit; }));
  sample.edit->SelectAll();
  for (KeySym key : {XK_minus, XK_period, XK_5, XK_Return}) probe_->Key(key);
  ASSERT_TRUE(Pump({&editor}, [&] { return !sample.control.updates.empty(); }));
  EXPECT_EQ(sample.control.updates.back(), -0.5f);
  EXPECT_EQ(sample.edit->Text(), "-0.5");

  // The list drops down over the page and a click chooses.
  MoveTo(Screen(editor, *sample.combo, 20, 8));
  Button(true);
  Button(false);
  ASSERT_TRUE(Pump({&editor}, [&] { return sample.combo->ListBox->Showing(); }));
  MoveTo(Screen(editor, *sample.combo->ListBox, 20, 2 + 3 * 13 + 6));
  Button(true);
  Button(false);
  ASSERT_TRUE(Pump({&editor}, [&] { return !sample.combo->ListBox->Visible(); }));
  EXPECT_EQ(sample.combo->TextValue, "HighPass4");

  // The picture of the host's window with the editor in it.
  Pump({&editor}, [] { return false; });
  const Image shot = probe_->Capture(parent);
  EXPECT_EQ(cairo_surface_write_to_png(shot.get(), BRELIX_ARTIFACT_DIR "/editor_window.png"), CAIRO_STATUS_SUCCESS);
  editor.Close();
  EXPECT_TRUE(ChildrenOf(parent).empty());
  XDestroyWindow(host(), parent);
}

TEST_F(EditorWindow, KeysFromTheHostArriveOnceWhicheverWayTheyCome) {
  SampleEditor sample;
  const Window parent = HostWindow(40, 40);
  ui::X11ChildWindow editor(sample.form->WindowClient());
  ASSERT_TRUE(editor.Open(parent));
  const ui::TKeyStroke seven{ui::keys::k0 + 7, '7', {}};
  // No widget takes keys: the host keeps them.
  EXPECT_FALSE(editor.HostKeyDown(seven));
  sample.form->SetActiveControl(sample.edit);
  sample.edit->SetText("");
  // The host keeps the keyboard focus: its key calls reach the edit box.
  XSetInputFocus(host(), parent, RevertToParent, CurrentTime);
  XSync(host(), False);
  Pump({&editor}, [&] { return !editor.HasKeyboardFocus(); });
  EXPECT_TRUE(editor.HostKeyDown(seven));
  EXPECT_TRUE(editor.HostKeyUp(seven));
  EXPECT_EQ(sample.edit->Text(), "7");
  // With the focus in the editor the same key comes as an X event; the host's call adds nothing.
  MoveTo(Screen(editor, *sample.edit, 50, 7));
  Button(true);
  Button(false);
  ASSERT_TRUE(Pump({&editor}, [&] { return editor.HasKeyboardFocus(); }));
  sample.edit->SetText("");
  probe_->Key(XK_7);
  EXPECT_TRUE(editor.HostKeyDown(seven));
  EXPECT_TRUE(editor.HostKeyUp(seven));
  ASSERT_TRUE(Pump({&editor}, [&] { return !sample.edit->Text().empty(); }));
  Pump({&editor}, [] { return false; });
  EXPECT_EQ(sample.edit->Text(), "7");
  editor.Close();
  EXPECT_FALSE(editor.HostKeyDown(seven));
  XDestroyWindow(host(), parent);
}

TEST_F(EditorWindow, ReopensAndRunsBesideAnotherEditor) {
  SampleEditor reference_form;
  SampleEditor first, second;
  const Window parent1 = HostWindow(0, 0);
  const Window parent2 = HostWindow(300, 150);
  ui::X11ChildWindow editor1(first.form->WindowClient());
  ui::X11ChildWindow editor2(second.form->WindowClient());
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(editor1.Open(parent1));
    ASSERT_TRUE(editor2.Open(parent2));
    XRaiseWindow(host(), parent2);
    XSync(host(), False);
    reference_form.freerun->Down = second.freerun->Down;
    EXPECT_TRUE(Shows(editor2, reference_form.Reference().get()));
    MoveTo(Screen(editor2, *second.freerun, 20, 8));
    Button(true);
    Button(false);
    ASSERT_TRUE(Pump({&editor1, &editor2}, [&] { return second.freerun->states.size() == round + 1u; }));
    EXPECT_TRUE(first.freerun->states.empty());
    editor1.Close();
    editor2.Close();
    EXPECT_FALSE(editor1.IsOpen());
    editor1.Idle();  // nothing to do, nothing to break
  }
  XDestroyWindow(host(), parent1);
  XDestroyWindow(host(), parent2);
}

TEST_F(EditorWindow, AParentThatIsNoWindowOpensNothing) {
  SampleEditor sample;
  ui::X11ChildWindow editor(sample.form->WindowClient());
  EXPECT_FALSE(editor.Open(0));
  EXPECT_FALSE(editor.Open(0x7654321));
  EXPECT_FALSE(editor.IsOpen());
  // An input-only window cannot hold a picture.
  const Window input_only = XCreateWindow(host(), DefaultRootWindow(host()), 0, 0, 10, 10, 0, 0, InputOnly,
                                          CopyFromParent, 0, nullptr);
  XSync(host(), False);
  EXPECT_FALSE(editor.Open(input_only));
  XDestroyWindow(host(), input_only);
}

TEST_F(EditorWindow, AParentTheHostDestroyedFirstIsLeftAlone) {
  SampleEditor sample;
  for (bool idle_between : {true, false}) {
    SCOPED_TRACE(idle_between ? "idle before close" : "closed at once");
    const Window parent = HostWindow(40, 40);
    ui::X11ChildWindow editor(sample.form->WindowClient());
    ASSERT_TRUE(editor.Open(parent));
    editor.Idle();
    XDestroyWindow(host(), parent);
    XSync(host(), False);
    if (idle_between) {
      ASSERT_TRUE(Pump({&editor}, [&] { return !editor.IsOpen(); }));
    }
    editor.Close();
    EXPECT_FALSE(editor.IsOpen());
    // And it opens again in a new window.
    const Window again = HostWindow(40, 40);
    EXPECT_TRUE(editor.Open(again));
    editor.Close();
    XDestroyWindow(host(), again);
  }
}

TEST_F(EditorWindow, NestedErrorTrapsGiveTheHostItsHandlerBack) {
  {
    ui::XErrorTrap outer;
    {
      ui::XErrorTrap inner;
      XWindowAttributes attributes;
      XGetWindowAttributes(ui::UiDisplay(), 0x7654321, &attributes);
      EXPECT_FALSE(inner.Sync());
    }
    EXPECT_TRUE(outer.Sync());  // the inner trap's error was the inner trap's
    XMapWindow(ui::UiDisplay(), 0x7654322);
    EXPECT_FALSE(outer.Sync());
  }
  // The host's own errors still reach the host.
  XMapWindow(host(), 0x7654323);
  XSync(host(), False);
  EXPECT_EQ(host_errors, 1);
  host_errors = 0;
}

}  // namespace
}  // namespace brelix
