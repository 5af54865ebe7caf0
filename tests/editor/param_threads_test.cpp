// A host that calls the parameter operations from a thread of its own while its user-interface
// thread drives the editor (idle calls, program chunks that reload the controls, key calls):
// every value still reaches the patch, and no widget is changed by two threads at once (the
// test script runs this under ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "editor/x_interface.h"
#include "support/plugin_folder.h"
#include "support/synth_instance.h"

namespace brelix {
namespace {

constexpr int kSemitone = 3;  // of the built-in page: -48..48

TEST(ParamThreads, HostParameterCallsFromAnotherThreadMeetTheEditorSafely) {
  testing::PluginFolder folder;
  testing::Synth synth = testing::MakeSynth();
  synth->Automation = true;
  AEffect* e = synth->Effect();
  std::vector<uint8_t> chunk;
  {
    void* data = nullptr;
    const intptr_t size = e->dispatcher(e, effGetChunk, 0, 0, &data, 0.0f);
    const auto* bytes = static_cast<const uint8_t*>(data);
    chunk.assign(bytes, bytes + size);
  }

  std::atomic<bool> done{false};
  std::thread host([&] {
    char text[64];
    for (int i = 0; i < 2000; ++i) {
      const float v = static_cast<float>(i % 97) / 96.0f;
      e->setParameter(e, kSemitone, v);
      // Nothing else writes this entry: the value read back is the one written.
      EXPECT_FLOAT_EQ(e->getParameter(e, kSemitone), v) << i;
      e->dispatcher(e, effGetParamDisplay, kSemitone, 0, text, 0.0f);
      e->dispatcher(e, effGetParamName, i % 20, 0, text, 0.0f);
    }
    done = true;
  });
  VstKeyCode key{0, 0, 0};
  while (!done) {
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effSetChunk, 0, static_cast<intptr_t>(chunk.size()), chunk.data(), 0.0f);
    e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effEditKeyDown, 0, 0, &key, 0.0f);
  }
  host.join();
}

}  // namespace
}  // namespace brelix
