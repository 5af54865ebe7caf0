// The patches the project ships: each loads without a complaint and is in the form the program
// writes (a load and a save give back the same bytes, the comment at its top included).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "patch/patch_file.h"
#include "support/plugin_folder.h"
#include "support/scripted_ui.h"
#include "support/shipped_patches.h"
#include "support/synth_instance.h"

namespace brelix {
namespace {

using testing::ReadBytes;

TEST(ShippedPatches, EachLoadsAndSavesBackToTheSameBytes) {
  testing::PluginFolder folder;
  testing::RecordedMessages messages;
  testing::Synth synth = testing::MakeSynth();
  XPatch& patch = *synth->Multi->EditBuffer;
  const std::vector<std::filesystem::path> patches = testing::ShippedPatches();
  EXPECT_GE(patches.size(), 5u);
  for (const std::filesystem::path& path : patches) {
    ASSERT_TRUE(PatchLoad(patch, path.string())) << path;
    const std::string copy = folder.file(path.filename().string());
    std::filesystem::copy_file(path, copy);
    PatchSave(patch, copy);
    EXPECT_EQ(ReadBytes(copy), ReadBytes(path.string())) << path;
  }
  EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace brelix
