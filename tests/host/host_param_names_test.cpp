// The host parameters of the built plug-in with Automation on: the 443 entries of the editor's
// four pages, by name and in order, and the values a host reads for the default patch.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/patch.h"
#include "patch/patch_defaults.h"
#include "support/page_param_names.h"
#include "support/started_instance.h"
#include "support/temp_folder.h"
#include "vst_host.h"

namespace brelix {
namespace {

using host::PluginInstance;
using host::PluginLibrary;
using testing::TempFolder;
using testing::WriteBytes;

class HostParams : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(BRELIX_PLUGIN_PATH, folder_.file("Brelix64.so"));
    WriteBytes(folder_.file("Brelix.Ini"), "[Editor]\r\nAutomation=1\r\n");
    library_ = PluginLibrary::Load(folder_.file("Brelix64.so"));
    instance_ = std::make_unique<PluginInstance>(library_);
    ASSERT_TRUE(instance_->is_open());
    brelix::testing::StartAsHost(*instance_);
    PatchDefaults(*defaults_);
  }
  float Get(int index) { return instance_->effect()->getParameter(instance_->effect(), index); }

  TempFolder folder_;
  std::shared_ptr<PluginLibrary> library_;
  std::unique_ptr<PluginInstance> instance_;
  std::unique_ptr<XPatch> defaults_ = std::make_unique<XPatch>();
};

TEST_F(HostParams, EveryNameInBuildOrder) {
  const std::vector<std::string> expected = testing::PageParamNames().Names();
  ASSERT_EQ(expected.size(), 443u);
  ASSERT_EQ(instance_->effect()->numParams, 443);
  for (int i = 0; i < 443; ++i)
    EXPECT_EQ(instance_->dispatchText(effGetParamName, i), expected[i]) << i;
  EXPECT_EQ(instance_->dispatchText(effGetParamName, 443), "?");
}

TEST_F(HostParams, ValuesOfTheDefaultPatchScaledToTheirRanges) {
  const XPatch& p = *defaults_;
  auto on = [](uint32_t word) { return word != 0 ? 1.0 : 0.0; };
  auto scaled = [](double v, double min, double max) { return (v - min) / (max - min); };
  struct Case {
    int index;
    std::function<double()> expected;
  };
  const Case cases[] = {
      {0, [] { return 0.0; }},  // "Extended" reads 0
      {1, [] { return 0.0; }},  // a section
      {2, [&] { return on(p.AuxOscStartPhase.lanes()[0]); }},
      {3, [&] { return scaled(p.AuxOscSemitone.lanes()[0], -48, 48); }},
      {19, [&] { return scaled(p.SampleOscLevel.lanes()[0], 0, 1); }},
      {77, [] { return 0.0; }},
      {78, [] { return 16.0 / 16.0; }},  // "Polyphony": the voice count, 16 voices
      {79, [] { return 0.0; }},          // "MIDIChannel" 1
      {80, [&] { return scaled(p.PlayNote, -1, 127); }},
      {83, [&] { return scaled(p.Volume, 0, 1); }},
      {84, [&] { return p.VolumeModSource / 176.0; }},  // the source list's 177 items
      {89, [&] { return scaled(p.VolumeVelocity, -1, 1); }},
      {90, [] { return 0.0; }},
      {92, [&] { return p.FilterType.lanes()[0] / 8.0; }},
      {149, [&] { return scaled(p.FilterCenter.lanes()[3], 0, 127); }},
      {150, [] { return 0.0; }},
      {189, [&] { return scaled(p.LfoSmooth.lanes()[3], 0, 1); }},
      {190, [] { return 0.0; }},
      {289, [&] { return on(p.EnvDeclick.lanes()[3]); }},
      {290, [] { return 0.0; }},
      {353, [&] { return scaled(p.ModAmount[3].lanes()[3], -1, 1); }},
      {354, [] { return 0.0; }},
      {417, [&] { return scaled(p.MidiModAmount[3].lanes()[3], -1, 1); }},
      {418, [] { return 0.0; }},
      {429, [&] { return scaled(p.DelayMix, 0, 1); }},
      {430, [] { return 0.0; }},
      {442, [&] { return scaled(p.AuxDelayMix, 0, 1); }},
  };
  for (const Case& c : cases) EXPECT_NEAR(Get(c.index), c.expected(), 1e-6) << c.index;
}

TEST_F(HostParams, AValueWrittenReadsBack) {
  instance_->effect()->setParameter(instance_->effect(), 19, 0.5f);
  EXPECT_FLOAT_EQ(Get(19), 0.5f);
  instance_->effect()->setParameter(instance_->effect(), 1, 1.0f);  // a section: ignored
  EXPECT_EQ(Get(1), 0.0f);
}

}  // namespace
}  // namespace brelix
