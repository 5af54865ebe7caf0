// A host's project save with the editor open on a real X server: the patch file cannot take the
// edit (the disk is full). effGetChunk returns without a box that waits for a click, and the
// notice appears beside the editor at its next idle call, in a message box that stays until its
// OK button is pressed while the host's idle calls go on.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "support/full_disk.h"
#include "support/param_index.h"
#include "support/program_chunk_bytes.h"
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

constexpr const char* kMessageBox = "brelix-message";

TEST(EditorNotice, AProjectSaveThatCannotWriteThePatchWaitsForNobodyAndTellsTheEditor) {
  BRELIX_REQUIRE_XVFB();
  testing::TolerateXErrors();
  testing::XProbe probe;
  TempFolder folder;
  std::filesystem::copy_file(BRELIX_PLUGIN_PATH, folder.file("Brelix64.so"));
  WriteBytes(folder.file("Brelix.Ini"), "[Editor]\r\nAutomation=1\r\n");
  const std::string patch = folder.file("Pad.tw");
  WriteBytes(patch, "[AuxOsc.1]\r\nAuxOscDetune=0\r\n");
  const std::shared_ptr<PluginLibrary> library = PluginLibrary::Load(folder.file("Brelix64.so"));
  PluginInstance instance(library);
  ASSERT_TRUE(instance.is_open());
  testing::StartAsHost(instance);
  instance.setChunk(testing::ProgramChunkBytes(0, 15, patch));

  Display* host = probe.display();
  const int screen = DefaultScreen(host);
  const Window parent = XCreateSimpleWindow(host, RootWindow(host, screen), 0, 0, 624, 557, 0,
                                            BlackPixel(host, screen), WhitePixel(host, screen));
  XMapWindow(host, parent);
  XSync(host, False);
  ASSERT_EQ(instance.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
  const auto idle_until = [&](auto done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    do {
      instance.dispatch(effEditIdle);
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
  };
  for (int i = 0; i < 10; ++i) instance.dispatch(effEditIdle);
  AEffect* e = instance.effect();
  e->setParameter(e, testing::ParamIndex(instance, "Osc1.Detune"), 0.75f);

  // A box shown inside the call would hold it: a watcher closes any that appears meanwhile, so
  // that the test cannot hang.
  std::atomic<bool> returned{false}, box_inside{false};
  std::thread watcher([&] {
    testing::XProbe eyes;
    while (!returned) {
      if (const Window w = eyes.WaitForWindow(kMessageBox, 20)) {
        box_inside = true;
        eyes.RequestClose(w);
      }
    }
  });
  {
    testing::FullDisk full;
    instance.getChunk();
  }
  returned = true;
  watcher.join();
  EXPECT_FALSE(box_inside);
  EXPECT_EQ(probe.WaitForWindow(kMessageBox, 0), Window{0}) << "nothing before the editor's idle call";

  ASSERT_TRUE(idle_until([&] { return probe.WaitForWindow(kMessageBox, 0) != 0; }));
  const Window box = probe.WaitForWindow(kMessageBox, 0);
  const testing::WindowGeometry geometry = probe.Geometry(box);
  EXPECT_EQ(geometry.width, 320);
  EXPECT_EQ(geometry.height, 128);
  testing::Image shown;
  ASSERT_TRUE(idle_until([&] {
    shown = probe.Capture(box);
    return testing::DarkPixels(shown.get(), 2, 2, 316, 80) > 100;  // the message is painted
  }));
  cairo_surface_write_to_png(shown.get(), (std::string(BRELIX_ARTIFACT_DIR) + "/editor_notice.png").c_str());
  // It waits for nobody: idle calls go on, and it stays until the user presses OK.
  for (int i = 0; i < 10; ++i) instance.dispatch(effEditIdle);
  EXPECT_NE(probe.WaitForWindow(kMessageBox, 0), Window{0});
  probe.Click(box, 160, 104);
  EXPECT_TRUE(idle_until([&] { return probe.WaitForWindow(kMessageBox, 0) == 0; }));

  // The disk has room again: the next save writes the patch, and closing asks nothing.
  instance.getChunk();
  instance.dispatch(effEditClose);
  instance.close();
  XDestroyWindow(host, parent);
  XSync(host, False);
}

}  // namespace
}  // namespace brelix
