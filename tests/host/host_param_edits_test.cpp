// Host parameters of the built plug-in written while a note sounds, as a host's automation writes
// them (Automation on): each edit reaches the sound at once, and the patch file the program chunk
// saves holds the edited value.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/note_measures.h"
#include "support/started_instance.h"
#include "support/temp_folder.h"
#include "vst_host.h"

namespace brelix {
namespace {

using host::PluginInstance;
using host::PluginLibrary;
using testing::NoteHz;
using testing::TempFolder;

class HostParamEdits : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(BRELIX_PLUGIN_PATH, folder_.file("Brelix64.so"));
    testing::WriteBytes(folder_.file("Brelix.Ini"), "[Editor]\r\nAutomation=1\r\n");
    library_ = PluginLibrary::Load(folder_.file("Brelix64.so"));
  }
  std::unique_ptr<PluginInstance> Start() {
    auto instance = std::make_unique<PluginInstance>(library_);
    EXPECT_TRUE(instance->is_open());
    testing::StartAsHost(*instance);
    return instance;
  }
  static int IndexOf(PluginInstance& instance, const std::string& name) {
    for (int i = 0; i < instance.effect()->numParams; ++i)
      if (instance.dispatchText(effGetParamName, i) == name) return i;
    ADD_FAILURE() << "no parameter " << name;
    return -1;
  }
  // `frames` of the left output, in blocks of 512.
  static std::vector<float> Render(PluginInstance& instance, int frames) {
    std::vector<float> out;
    for (int done = 0; done < frames; done += 512) {
      instance.process(512);
      out.insert(out.end(), instance.left().begin(), instance.left().end());
    }
    out.resize(frames);
    return out;
  }

  TempFolder folder_;
  std::shared_ptr<PluginLibrary> library_;
};

TEST_F(HostParamEdits, EditsReachTheSoundingNoteAndThePatchFileOfTheChunk) {
  struct Case {
    const char* name;
    float value;
    const char* saved;  // the line of the patch file
    std::function<void(const std::vector<float>& before, const std::vector<float>& after)> sound;
  };
  const auto pitch = [](double hz) {
    return [hz](const std::vector<float>&, const std::vector<float>& after) {
      EXPECT_NEAR(testing::FundamentalHz(after), hz, hz * 0.01);
    };
  };
  const auto quieter = [](double ratio) {
    return [ratio](const std::vector<float>& before, const std::vector<float>& after) {
      EXPECT_LT(testing::RmsOf(after, 0, after.size()), ratio * testing::RmsOf(before, 0, before.size()));
    };
  };
  const auto silent = [](const std::vector<float>&, const std::vector<float>& after) {
    EXPECT_LT(testing::ChangeRms(after, 256, after.size()), testing::kSilence);
  };
  const Case cases[] = {
      {"Osc1.Semitone", 0.625f, "AuxOscSemitone=12\r", pitch(NoteHz(72))},  // -48..48
      {"Osc1.Detune", 0.75f, "AuxOscDetune=0.5\r", pitch(NoteHz(60.5))},    // -1..1
      {"Filter1.Type", 0.5f, "FilterType=4\r", quieter(0.3)},               // item 4 of 0..8: HighPass4
      {"Voice.Oversample", 0.0f, "Oversample=0\r", pitch(NoteHz(60))},
      {"Env4Amp.Step2", 1.0f, "EnvStep.2=3\r", silent},  // "Stop/End": three stages on
      {"Voice.AmpVolume", 0.0f, "Volume=0\r", silent},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto instance = Start();
    AEffect* e = instance->effect();
    instance->sendMidi({{0x90, 60, 100}});
    Render(*instance, 2048);
    const std::vector<float> before = Render(*instance, 8192);
    EXPECT_NEAR(testing::FundamentalHz(before), NoteHz(60), NoteHz(60) * 0.01);

    const int index = IndexOf(*instance, c.name);
    e->setParameter(e, index, c.value);
    EXPECT_EQ(e->getParameter(e, index), c.value);
    Render(*instance, 2048);
    c.sound(before, Render(*instance, 8192));

    // The chunk writes the edited patch into its file.
    instance->getChunk();
    const std::string saved = testing::ReadBytes(folder_.file("Brelix.tw"));
    EXPECT_NE(saved.find(c.saved), std::string::npos) << saved;
    instance.reset();
    std::filesystem::remove(folder_.file("Brelix.tw"));
  }
}

TEST_F(HostParamEdits, PolyphonyAndChannelLiveInTheInstanceNotInThePatch) {
  auto instance = Start();
  AEffect* e = instance->effect();
  e->setParameter(e, IndexOf(*instance, "Sound.MIDIChannel"), 3.0f / 15.0f);  // channel 4
  EXPECT_EQ(instance->dispatchText(effGetParamDisplay, IndexOf(*instance, "Sound.MIDIChannel")), "4");
  instance->sendMidi({{0x90, 60, 100}});
  EXPECT_LT(testing::ChangeRms(Render(*instance, 4096), 256, 4096), testing::kSilence);
  instance->sendMidi({{0x93, 60, 100}});
  Render(*instance, 2048);
  EXPECT_GT(testing::RmsOf(Render(*instance, 4096), 0, 4096), 0.01);

  e->setParameter(e, IndexOf(*instance, "Sound.Polyphony"), 0.0f);  // no voice
  Render(*instance, 2048);
  EXPECT_LT(testing::ChangeRms(Render(*instance, 4096), 256, 4096), testing::kSilence);
  instance->sendMidi({{0x93, 64, 100}});
  EXPECT_LT(testing::ChangeRms(Render(*instance, 4096), 256, 4096), testing::kSilence);
}

}  // namespace
}  // namespace brelix
