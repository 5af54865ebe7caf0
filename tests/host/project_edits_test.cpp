// A project keeps its edits: the user edits the patch of an instance, the host saves the project
// (effGetChunk) and closes it, and later opens it again in a new instance (effSetChunk). Edits
// the patch file took come back from the file, which still wins when it was improved since; edits
// the file could not take come back from the chunk, still marked changed, so that the user's next
// Save writes them where that is allowed and asks for a name where it is not.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "patch/program_chunk.h"
#include "plugin/vendor_calls.h"
#include "support/full_disk.h"
#include "support/param_index.h"
#include "support/program_chunk_bytes.h"
#include "support/started_instance.h"
#include "support/temp_folder.h"
#include "vst_host.h"

namespace brelix {
namespace {

using host::PluginInstance;
using host::PluginLibrary;
using testing::ProgramChunkBytes;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

// The patch's first oscillator detune as its host parameter shows it: 0.5 for the patch file
// below, 0.75 after the user's edit, 0.25 once the file has been improved.
constexpr float kFileDetune = 0.5f, kEditedDetune = 0.75f, kImprovedDetune = 0.25f;
const std::string kPatch = "[AuxOsc.1]\r\nAuxOscDetune=0\r\n";
const std::string kImprovedPatch = "[AuxOsc.1]\r\nAuxOscDetune=-0.5\r\n";

class ProjectEdits : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(BRELIX_PLUGIN_PATH, folder_.file("Brelix64.so"));
    WriteBytes(folder_.file("Brelix.Ini"), "[Editor]\r\nAutomation=1\r\n");
    library_ = PluginLibrary::Load(folder_.file("Brelix64.so"));
  }

  std::unique_ptr<PluginInstance> Open() {
    auto instance = std::make_unique<PluginInstance>(library_);
    EXPECT_TRUE(instance->is_open());
    testing::StartAsHost(*instance);
    return instance;
  }
  static int32_t DetuneParam(PluginInstance& instance) { return testing::ParamIndex(instance, "Osc1.Detune"); }
  static float Detune(PluginInstance& instance) {
    AEffect* e = instance.effect();
    return e->getParameter(e, DetuneParam(instance));
  }
  static bool HoldsTheEdit(const std::string& file) {
    return !file.empty() && ReadBytes(file).find("AuxOscDetune=0.5\r\n") != std::string::npos;
  }
  static VendorPatchState State(PluginInstance& instance) {
    VendorPatchState state;
    EXPECT_EQ(instance.dispatch(effVendorSpecific, kVendorCallId, kVendorCallPatchState, &state), 1);
    return state;
  }

  TempFolder folder_;
  std::shared_ptr<PluginLibrary> library_;
};

TEST_F(ProjectEdits, EditsTheFileCouldNotTakeComeBackMarkedChangedAndTheFileWinsOtherwise) {
  enum class Later { Kept, Improved, Removed };
  struct Case {
    const char* name;
    std::string file;  // the patch file the project names ("": none)
    bool edited;       // the user edits the patch before the project is saved
    bool read_only;    // the file has no write permission left when the project is saved
    bool disk_full;    // the disk cannot take the file when the project is saved
    Later later;       // what becomes of the file before the project is opened again
    float heard;       // the detune the reopened project plays
    // The chunk marks the patch as holding edits its file does not, and the reopened patch is
    // marked changed. None: as the file took the edit or not (a read-only file refuses it, but
    // for root only where the write-back checks the permission bits itself).
    std::optional<bool> marked;
  };
  const Case cases[] = {
      {"a writable patch file, edited", folder_.file("w.tw"), true, false, false, Later::Kept, kEditedDetune, false},
      {"a read-only patch file, edited", folder_.file("ro.tw"), true, true, false, Later::Kept, kEditedDetune,
       std::nullopt},
      {"a patch file on a full disk, edited", folder_.file("full.tw"), true, false, true, Later::Kept, kEditedDetune,
       true},
      {"a patch file improved after a save without edits", folder_.file("i.tw"), false, false, false, Later::Improved,
       kImprovedDetune, false},
      {"a patch file removed after the edit was written", folder_.file("gone.tw"), true, false, false, Later::Removed,
       kEditedDetune, false},
      {"no patch file, edited", "", true, false, false, Later::Kept, kEditedDetune, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.file.empty()) WriteBytes(c.file, kPatch);
    auto first = Open();
    first->setChunk(ProgramChunkBytes(0, 15, c.file));
    ASSERT_EQ(Detune(*first), c.file.empty() ? 0.5f : kFileDetune);
    if (c.edited) {
      AEffect* e = first->effect();
      e->setParameter(e, DetuneParam(*first), kEditedDetune);
    }
    if (c.read_only) std::filesystem::permissions(c.file, std::filesystem::perms::owner_read);
    std::vector<uint8_t> project;
    {
      std::optional<testing::FullDisk> full;
      if (c.disk_full) full.emplace();
      project = first->getChunk();
    }
    first->close();

    const bool file_took_edit = HoldsTheEdit(c.file);
    const bool marked = c.marked.value_or(!file_took_edit);
    EXPECT_EQ(file_took_edit, c.edited && !marked);
    const std::optional<ProgramChunkFields> chunk =
        ProgramChunkRead(project.data(), static_cast<int64_t>(project.size()));
    ASSERT_TRUE(chunk && chunk->Patch);
    EXPECT_EQ(chunk->Edited, marked);

    if (c.later == Later::Improved) WriteBytes(c.file, kImprovedPatch);
    if (c.later == Later::Removed) std::filesystem::remove(c.file);
    auto second = Open();
    EXPECT_EQ(second->setChunk(project), 1);
    EXPECT_EQ(Detune(*second), c.heard);
    const VendorPatchState state = State(*second);
    EXPECT_EQ(state.Modified, marked ? 1 : 0);
    EXPECT_EQ(std::string(state.PatchFile), c.file);
    // Saved again, the edits go into the file where it takes them now (the disk has room again),
    // and stay marked where it still does not.
    const std::vector<uint8_t> again = second->getChunk();
    EXPECT_EQ(ProgramChunkRead(again.data(), static_cast<int64_t>(again.size()))->Edited,
              marked && !HoldsTheEdit(c.file));
    second->close();
  }
}

}  // namespace
}  // namespace brelix
