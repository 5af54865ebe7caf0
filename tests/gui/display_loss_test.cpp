// The X server goes away while the editor is open (it crashed, or the session ended): the host's
// idle and close calls return, the editor stays closed, and the plug-in's message boxes fall
// back to standard error. A program of its own, since it ends its X server.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include "toolkit/toolkit.h"
#include "base/messages.h"
#include "support/widget_fixture.h"
#include "support/xvfb_server.h"
#include "ui/desktop_services.h"
#include "ui/x11_child_window.h"
#include "ui/x11_display.h"

namespace brelix {
namespace {

using testing::XvfbServer;

// The host's connection, which goes down with the server; like the host, the test leaves it
// alone afterwards (kept here, not lost).
Display* host = nullptr;

TEST(DisplayLoss, TheEditorSurvivesItsXServer) {
  BRELIX_REQUIRE_XVFB();
  testing::ScopedWidgetSettings settings;
  ASSERT_TRUE(ui::UseDesktopServices());
  host = XOpenDisplay(XvfbServer::Shared().display().c_str());
  ASSERT_NE(host, nullptr);
  const Window parent = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 640, 600, 0, 0, 0);
  XMapWindow(host, parent);
  XSync(host, False);

  TForm form(nullptr);
  form.SetBounds(0, 0, 624, 557);
  XButton::CreateButton(&form, &form, 4, 4)->Caption = "Load";
  ui::X11ChildWindow editor(form.WindowClient());
  ASSERT_TRUE(editor.Open(parent));
  editor.Idle();

  XvfbServer::Shared().Stop();
  for (int i = 0; i < 3; ++i) editor.Idle();
  EXPECT_FALSE(editor.IsOpen());
  EXPECT_EQ(ui::UiDisplay(), nullptr);
  editor.Close();
  EXPECT_FALSE(editor.Open(parent));
  form.Repaint();
  // The message box has nowhere to go but standard error.
  ::testing::internal::CaptureStderr();
  ShowMessageBox("Brelix64.so\r\rInitialization error!");
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("Initialization error!"), std::string::npos);
}

}  // namespace
}  // namespace brelix
