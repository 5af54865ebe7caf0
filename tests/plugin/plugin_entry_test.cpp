// The entry function's steps, with a recording message service and made-up instance factories.
#include "plugin/plugin_entry.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "plugin/audio_effect_x.h"
#include "base/messages.h"
#include "plugin/plugin_module.h"
#include "support/plain_effect.h"

namespace {

using brelix::AudioEffect;
using brelix::PluginEntry;

// Everything shown, in order: "wait:<text>", "close", "message:<text>".
class RecordingBoxes : public brelix::IMessageBoxes {
 public:
  class Box : public brelix::WaitBox {
   public:
    explicit Box(std::vector<std::string>& log) : log_(log) {}
    void Close() override { log_.push_back("close"); }

   private:
    std::vector<std::string>& log_;
  };

  void ShowMessageBox(std::string_view text) override { log.push_back("message:" + std::string(text)); }
  std::unique_ptr<brelix::WaitBox> ShowWaitBox(std::string_view text) override {
    log.push_back("wait:" + std::string(text));
    return std::make_unique<Box>(log);
  }

  std::vector<std::string> log;
};

using brelix::testing::PlainEffect;

int version_calls = 0;
intptr_t host_version = 2400;
intptr_t Host(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  if (opcode == audioMasterVersion && effect == nullptr && index == 0 && value == 0 && ptr == nullptr &&
      opt == 0.0f)
    ++version_calls;
  return opcode == audioMasterVersion ? host_version : 0;
}

AudioEffect* MakePlain(audioMasterCallback host) { return new PlainEffect(host, 0, 1); }
AudioEffect* MakeFailing(audioMasterCallback) { throw std::runtime_error("Out of global memory!"); }
AudioEffect* MakeNothing(audioMasterCallback) { return nullptr; }
bool WithSSE3() { return true; }
bool WithoutSSE3() { return false; }

class Entry : public testing::Test {
 protected:
  void SetUp() override {
    brelix::SetMessageBoxes(&boxes_);
    brelix::LibraryInitialized = false;
    version_calls = 0;
    host_version = 2400;
  }
  void TearDown() override { brelix::SetMessageBoxes(nullptr); }

  // Closes an instance the entry made, as a host would.
  static void CloseEffect(AEffect* effect) { effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f); }

  RecordingBoxes boxes_;
};

TEST_F(Entry, BuildsTheInstanceBehindTheProgressBox) {
  AEffect* effect = PluginEntry(&Host, &MakePlain, &WithSSE3);
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->magic, kEffectMagic);
  EXPECT_EQ(boxes_.log, (std::vector<std::string>{"wait:Engine Initialization", "close"}));
  EXPECT_EQ(version_calls, 1);
  EXPECT_TRUE(brelix::LibraryInitialized);
  // The library's own file, absolute, and its directory with the trailing separator.
  ASSERT_FALSE(brelix::ModuleFileName.empty());
  EXPECT_EQ(brelix::ModuleFileName.front(), '/');
  ASSERT_FALSE(brelix::PluginDirectory.empty());
  EXPECT_EQ(brelix::PluginDirectory.back(), '/');
  EXPECT_EQ(brelix::ModuleFileName.rfind(brelix::PluginDirectory, 0), 0u);
  EXPECT_EQ(brelix::ModuleFileName.find('/', brelix::PluginDirectory.size()), std::string::npos);
  CloseEffect(effect);
}

TEST_F(Entry, FailedConstructionClosesTheBoxThenReports) {
  for (auto factory : {&MakeFailing, &MakeNothing}) {
    boxes_.log.clear();
    EXPECT_EQ(PluginEntry(&Host, factory, &WithSSE3), nullptr);
    EXPECT_EQ(boxes_.log,
              (std::vector<std::string>{"wait:Engine Initialization", "close",
                                        "message:" + brelix::ModuleFileName + "\r\rInitialization error!"}));
  }
}

TEST_F(Entry, RefusingHostGetsNothingAndALaterHostSucceeds) {
  host_version = 0;
  EXPECT_EQ(PluginEntry(&Host, &MakePlain, &WithSSE3), nullptr);
  EXPECT_TRUE(boxes_.log.empty());
  EXPECT_FALSE(brelix::LibraryInitialized);
  EXPECT_EQ(PluginEntry(nullptr, &MakePlain, &WithSSE3), nullptr);
  EXPECT_TRUE(boxes_.log.empty());

  host_version = 2400;
  AEffect* effect = PluginEntry(&Host, &MakePlain, &WithSSE3);
  ASSERT_NE(effect, nullptr);
  EXPECT_TRUE(brelix::LibraryInitialized);
  CloseEffect(effect);
}

TEST_F(Entry, ProcessorWithoutSSE3GetsTheMessageAndNoInstance) {
  EXPECT_EQ(PluginEntry(&Host, &MakePlain, &WithoutSSE3), nullptr);
  EXPECT_EQ(boxes_.log, (std::vector<std::string>{"message:" + brelix::ModuleFileName +
                                                  "\r\rSSE3 capable CPU not detected!"}));
  EXPECT_EQ(version_calls, 0);  // the host is not asked
  EXPECT_FALSE(brelix::LibraryInitialized);
}

TEST_F(Entry, ProcessorIsCheckedUntilAHostHasPassed) {
  AEffect* first = PluginEntry(&Host, &MakePlain, &WithSSE3);
  ASSERT_NE(first, nullptr);
  // Once initialised, the library does not look at the processor again.
  AEffect* second = PluginEntry(&Host, &MakePlain, &WithoutSSE3);
  ASSERT_NE(second, nullptr);
  CloseEffect(first);
  CloseEffect(second);
}

TEST(ProcessorCheck, ThisMachineRunsSSE3) { EXPECT_TRUE(brelix::CheckSSE3()); }

}  // namespace
