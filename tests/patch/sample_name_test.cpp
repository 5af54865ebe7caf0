// Where a patch's sample file is looked for: a relative name beside the patch file first, then as
// it stands; a full name as it is. And a patch loaded from another folder finds its samples.
#include "patch/sample_name.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "patch/patch_file.h"
#include "support/plugin_folder.h"
#include "support/scripted_ui.h"
#include "support/synth_instance.h"
#include "support/temp_folder.h"
#include "support/wav_bytes.h"

namespace brelix {
namespace {

TEST(SampleName, RelativeNamesAreLookedForBesideThePatchFirst) {
  testing::TempFolder folder;
  std::filesystem::create_directories(folder.path() / "samples" / "folder.wav");
  testing::WriteBytes(folder.file("samples/tone.wav"), "x");
  const std::string patch = folder.file("lead.tw");
  struct Case {
    std::string sample, patch_file, expected;
  };
  const std::vector<Case> cases = {
      {"samples/tone.wav", patch, folder.file("samples/tone.wav")},     // beside the patch
      {"samples/other.wav", patch, "samples/other.wav"},                // not there: as it stands
      {"samples/folder.wav", patch, "samples/folder.wav"},              // a folder is no sample file
      {"samples/tone.wav", "", "samples/tone.wav"},                     // no patch file
      {"/elsewhere/tone.wav", patch, "/elsewhere/tone.wav"},            // a full name
      {"", patch, ""},                                                  // no sample
  };
  for (const Case& c : cases) EXPECT_EQ(SampleFileToOpen(c.sample, c.patch_file), c.expected) << c.sample;
}

TEST(SampleName, APatchFromAnotherFolderPlaysItsSamples) {
  testing::PluginFolder plugin;
  testing::RecordedMessages messages;
  testing::TempFolder folder;
  std::filesystem::create_directories(folder.path() / "samples");
  const std::vector<uint8_t> wav = testing::WavBytes({.bits = 16}, testing::Int16Data({0, 1000, 2000, 1000}));
  testing::WriteBytes(folder.file("samples/tone.wav"), std::string(wav.begin(), wav.end()));
  testing::WriteBytes(folder.file("tone.tw"), "[SampleOsc.3]\r\nSampleOscFile=samples/tone.wav\r\nSampleOscLevel=1\r\n");

  testing::Synth synth = testing::MakeSynth();
  XPatch& patch = *synth->Multi->EditBuffer;
  ASSERT_TRUE(PatchLoad(patch, folder.file("tone.tw")));
  EXPECT_EQ(patch.SampleOscSize.lanes()[2], 4.0);
  EXPECT_STREQ(patch.SampleOscFile[2], "samples/tone.wav") << "the name is kept as written, for saving";
  EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace brelix
