// Keys that a host passes through effEditKeyDown and effEditKeyUp while it keeps the keyboard
// focus itself (as many hosts do) reach the edit box the user clicked into, on a real X server,
// and Enter commits the typed value: the control, the patch and the host's parameter follow.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "widgets/x_edit.h"
#include "editor/x_interface.h"
#include "editor/x_param_slider.h"
#include "support/plugin_folder.h"
#include "support/synth_instance.h"
#include "support/test_page_form.h"
#include "support/x11_probe.h"
#include "support/xvfb_server.h"

namespace brelix {
namespace {

// VstKeyCode.virt numbers of the keys used here.
constexpr intptr_t kVkBack = 1, kVkReturn = 4;

// Runs the host's idle calls until `done` holds (or three seconds have passed).
bool Pump(AEffect* e, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  do {
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f);
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  } while (std::chrono::steady_clock::now() < deadline);
  return false;
}

// A few idle calls, as a host makes them between other work.
void Settle(AEffect* e) {
  for (int i = 0; i < 10; ++i) {
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// One key as a host sends it: down, then up.
void HostKey(AEffect* e, int32_t character, intptr_t virt) {
  e->dispatcher(e, effEditKeyDown, character, virt, nullptr, 0.0f);
  e->dispatcher(e, effEditKeyUp, character, virt, nullptr, 0.0f);
}

TEST(EditorHostKeys, AHostsKeysReachTheFocusedEditBoxAndCommitAValue) {
  BRELIX_REQUIRE_XVFB();
  testing::PluginFolder folder;
  testing::TestPageInstalled test_page;
  testing::Synth synth = testing::MakeSynth();
  synth->Automation = true;
  AEffect* e = synth->Effect();
  auto* editor = static_cast<XInterface*>(synth->Editor());
  auto* page = dynamic_cast<TTestPageForm*>(editor->EditorForm());
  ASSERT_NE(page, nullptr);
  constexpr int32_t kSemitone = 3;  // of the test page: -48..48
  ASSERT_EQ(e->getParameter(e, kSemitone), 0.5f);

  testing::XProbe probe;
  Display* host = probe.display();
  const int screen = DefaultScreen(host);
  const Window parent = XCreateSimpleWindow(host, RootWindow(host, screen), 30, 30, 640, 600, 0,
                                            BlackPixel(host, screen), WhitePixel(host, screen));
  XMapWindow(host, parent);
  XSync(host, False);
  ASSERT_EQ(e->dispatcher(e, effEditOpen, 0, 0, reinterpret_cast<void*>(parent), 0.0f), 1);
  Settle(e);

  // The user clicks into the semitone's edit box; the host then takes the keyboard focus back.
  XEdit* edit = page->Semitone->Edit;
  const TPoint origin = edit->FormOrigin();
  probe.Click(parent, origin.x + edit->Width() - 4, origin.y + edit->Height() / 2);
  ASSERT_TRUE(Pump(e, [&] { return page->ActiveControl() == edit; }));
  XSetInputFocus(host, parent, RevertToParent, CurrentTime);
  XSync(host, False);
  Settle(e);

  // The host's keys: the old text away, "12", Enter.
  for (int i = 0; i < 4; ++i) HostKey(e, 0, kVkBack);
  HostKey(e, '1', 0);
  HostKey(e, '2', 0);
  EXPECT_EQ(edit->Text(), "12");
  EXPECT_EQ(page->Semitone->Value, 0.0f);  // typed, not yet committed
  HostKey(e, '\r', kVkReturn);
  EXPECT_EQ(page->Semitone->Value, 12.0f);
  EXPECT_EQ(synth->Multi->EditBuffer->AuxOscSemitone.lane(0), 12.0f);
  EXPECT_EQ(e->getParameter(e, kSemitone), 0.625f);  // (12 + 48) / 96
  char text[64] = {};
  e->dispatcher(e, effGetParamDisplay, kSemitone, 0, text, 0.0f);
  EXPECT_STREQ(text, "12");

  Settle(e);
  const testing::Image shot = probe.Capture(parent);
  EXPECT_EQ(cairo_surface_write_to_png(shot.get(), BRELIX_ARTIFACT_DIR "/editor_host_keys.png"), CAIRO_STATUS_SUCCESS);
  e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f);
  XDestroyWindow(host, parent);
  XSync(host, False);
}

}  // namespace
}  // namespace brelix
