// The plug-in's message boxes and Yes/No question as a user sees them on an X server: size,
// place, painted text, and the keys and clicks that close them.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "plugin/audio_effect_x.h"
#include "base/messages.h"
#include "plugin/plugin_entry.h"
#include "support/x11_probe.h"
#include "support/xvfb_server.h"
#include "ui/desktop_services.h"
#include "ui/dialogs.h"
#include "ui/msg_box.h"
#include "ui/question_box.h"
#include "support/plain_effect.h"

namespace {

using brelix::testing::DarkPixels;
using brelix::testing::DifferentPixels;
using brelix::testing::Image;
using brelix::testing::WindowGeometry;
using brelix::testing::XProbe;
using brelix::testing::XvfbServer;

constexpr int kScreenW = XvfbServer::kScreenWidth, kScreenH = XvfbServer::kScreenHeight;

// A form drawn offscreen: what the window must show.
Image Render(brelix::ui::XBoxWindow& form) {
  Image image(cairo_image_surface_create(CAIRO_FORMAT_RGB24, form.Width(), form.Height()));
  cairo_t* cr = cairo_create(image.get());
  form.PaintTo(cr);
  cairo_destroy(cr);
  return image;
}

// A form is painted once its face is grey (before, the window shows whatever was there) and its
// text is drawn.
bool Painted(cairo_surface_t* image) {
  cairo_surface_flush(image);
  const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(image) +
                                                      2 * cairo_image_surface_get_stride(image));
  const int width = cairo_image_surface_get_width(image), height = cairo_image_surface_get_height(image);
  return (row[2] & 0xFFFFFF) == 0xF0F0F0 && DarkPixels(image, 2, 2, width - 4, height * 2 / 3) > 0;
}

// What a driver thread saw of a modal box while the test's thread was inside it.
struct Seen {
  bool appeared = false;
  bool closed = false;
  WindowGeometry geometry;
  Image image;
};

// Runs `modal` on this thread while another thread finds the window `name`, waits until its
// text is painted, takes its picture, then runs `act` on it and gives the box `close_ms` to
// close. If it does not, the driver closes it the window manager's way, so a test cannot hang.
Seen DriveModal(const char* name, const std::function<void()>& modal,
                const std::function<void(XProbe&, Window)>& act, int close_ms = 3000) {
  Seen seen;
  std::thread driver([&] {
    XProbe probe;
    const Window w = probe.WaitForWindow(name);
    if (w == 0) return;
    seen.appeared = true;
    seen.geometry = probe.Geometry(w);
    for (int tries = 0; tries < 200; ++tries) {
      seen.image = probe.Capture(w);
      if (Painted(seen.image.get())) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    act(probe, w);
    seen.closed = probe.WaitUntilGone(name, close_ms);
    if (!seen.closed) probe.RequestClose(w);
  });
  modal();
  driver.join();
  return seen;
}

void WritePng(cairo_surface_t* image, const std::string& file) {
  const std::string path = std::string(BRELIX_ARTIFACT_DIR) + "/" + file;
  EXPECT_EQ(cairo_surface_write_to_png(image, path.c_str()), CAIRO_STATUS_SUCCESS) << path;
}

class DesktopBoxes : public ::testing::Test {
 protected:
  void SetUp() override {
    BRELIX_REQUIRE_XVFB();
    brelix::testing::TolerateXErrors();
    ASSERT_TRUE(brelix::ui::UseDesktopServices());
  }
};

TEST_F(DesktopBoxes, TheMessageBoxIsCentredAtItsSizeAndShowsTheMessage) {
  const std::string message = "/usr/lib/vst/Brelix64.so\r\rInitialization error!";
  const std::string long_message = "/usr/lib/vst/" + std::string(300, 'x') + "/Brelix64.so\r\r" +
                                   std::string(40, '-') + " a message far too long for the box " +
                                   std::string(40, '-');
  for (const std::string& text : {message, long_message}) {
    SCOPED_TRACE(text.substr(0, 40));
    const Image expected = Render(*brelix::ui::TMsgBox::CreateMessageBox(text));
    const Seen seen = DriveModal(
        "brelix-message", [&] { brelix::ShowMessageBox(text); },
        [](XProbe& probe, Window) { probe.Key(XK_Return); });
    ASSERT_TRUE(seen.appeared);
    EXPECT_TRUE(seen.closed);
    EXPECT_EQ(seen.geometry.width, 320);
    EXPECT_EQ(seen.geometry.height, 128);
    EXPECT_EQ(seen.geometry.x, (kScreenW - 320) / 2);
    EXPECT_EQ(seen.geometry.y, (kScreenH - 128) / 2);
    ASSERT_TRUE(seen.image);
    EXPECT_EQ(DifferentPixels(seen.image.get(), expected.get()), 0);
    // Text in the label area and on the button.
    EXPECT_GT(DarkPixels(seen.image.get(), 2, 2, 316, 80), 100);
    EXPECT_GT(DarkPixels(seen.image.get(), 122, 94, 76, 20), 10);
    if (text == message) WritePng(seen.image.get(), "ok_box.png");
  }
}

TEST_F(DesktopBoxes, EnterEscapeAndTheOkButtonCloseTheMessageBox) {
  struct Case {
    const char* name;
    std::function<void(XProbe&, Window)> act;
  };
  const Case cases[] = {
      {"Enter", [](XProbe& p, Window) { p.Key(XK_Return); }},
      {"keypad Enter", [](XProbe& p, Window) { p.Key(XK_KP_Enter); }},
      {"Escape", [](XProbe& p, Window) { p.Key(XK_Escape); }},
      {"click on OK", [](XProbe& p, Window w) { p.Click(w, 160, 104); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Seen seen = DriveModal(
        "brelix-message", [] { brelix::ShowMessageBox("closing"); }, c.act);
    ASSERT_TRUE(seen.appeared);
    EXPECT_TRUE(seen.closed);
  }
  // A click beside the button leaves the box open (the driver then closes it).
  const Seen beside = DriveModal(
      "brelix-message", [] { brelix::ShowMessageBox("still open"); },
      [](XProbe& p, Window w) { p.Click(w, 60, 104); }, 300);
  ASSERT_TRUE(beside.appeared);
  EXPECT_FALSE(beside.closed);
}

TEST_F(DesktopBoxes, TheYesNoQuestionAnswersByKeyAndClick) {
  struct Case {
    const char* name;
    std::function<void(XProbe&, Window)> act;
    bool yes;
  };
  const Case cases[] = {
      {"Enter on Yes", [](XProbe& p, Window) { p.Key(XK_Return); }, true},
      {"Tab then Enter", [](XProbe& p, Window) { p.Key(XK_Tab); p.Key(XK_Return); }, false},
      {"Escape", [](XProbe& p, Window) { p.Key(XK_Escape); }, false},
      {"N", [](XProbe& p, Window) { p.Key(XK_n); }, false},
      {"click on Yes", [](XProbe& p, Window w) { p.Click(w, 136, 104); }, true},
      {"click on No", [](XProbe& p, Window w) { p.Click(w, 224, 104); }, false},
      {"closed by the window manager", [](XProbe& p, Window w) { p.RequestClose(w); }, false},
  };
  const std::string question = "Do you want to save patch Strings.tw?";
  const Image expected = Render(*brelix::ui::TQuestionBox::Create(question));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool answer = !c.yes;
    const Seen seen = DriveModal(
        "brelix-question", [&] { answer = brelix::Dialogs().AskYesNo(question); }, c.act);
    ASSERT_TRUE(seen.appeared);
    EXPECT_TRUE(seen.closed);
    EXPECT_EQ(answer, c.yes);
    EXPECT_EQ(seen.geometry.width, 360);
    EXPECT_EQ(seen.geometry.height, 128);
    EXPECT_EQ(DifferentPixels(seen.image.get(), expected.get()), 0);
    if (c.yes && c.name == cases[0].name) WritePng(seen.image.get(), "question_box.png");
  }
}

// The entry function's progress box, with a factory that looks at the screen while the
// instance is being built.
using brelix::testing::PlainEffect;
using brelix::testing::MinimalHost;

struct SeenDuringConstruction {
  bool shown = false;
  WindowGeometry geometry;
  Image image;
};
SeenDuringConstruction during_construction;

brelix::AudioEffect* LookThenBuild(audioMasterCallback host) {
  XProbe probe;
  // Already on the screen and painted: no waiting, no event handling before this look.
  const Window w = probe.WaitForWindow("brelix-wait", 0);
  if (w != 0) {
    during_construction.shown = true;
    during_construction.geometry = probe.Geometry(w);
    during_construction.image = probe.Capture(w);
  }
  return new PlainEffect(host, 0, 1);
}

TEST_F(DesktopBoxes, TheProgressBoxIsPaintedBeforeConstructionContinues) {
  std::unique_ptr<brelix::ui::TMsgBox> reference = brelix::ui::TMsgBox::CreateWaitBox();
  reference->TextLabel.Caption = "Engine Initialization ...";
  const Image expected = Render(*reference);
  reference.reset();

  AEffect* effect = brelix::PluginEntry(&MinimalHost, &LookThenBuild, [] { return true; });
  ASSERT_NE(effect, nullptr);
  ASSERT_TRUE(during_construction.shown);
  EXPECT_EQ(during_construction.geometry.width, 256);
  EXPECT_EQ(during_construction.geometry.height, 128);
  EXPECT_EQ(during_construction.geometry.x, (kScreenW - 256) / 2);
  EXPECT_EQ(during_construction.geometry.y, (kScreenH - 128) / 2);
  EXPECT_EQ(DifferentPixels(during_construction.image.get(), expected.get()), 0);
  EXPECT_GT(DarkPixels(during_construction.image.get(), 2, 2, 252, 124), 100);
  WritePng(during_construction.image.get(), "wait_box.png");

  XProbe probe;
  EXPECT_TRUE(probe.WaitUntilGone("brelix-wait"));
  effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

}  // namespace
