// The instance's state as a host keeps it: the program chunk through effGetChunk/effSetChunk
// across instances, and the settings and default patch next to the library. Each test loads its
// own copy of the built plug-in from a temporary folder, so the files it puts beside the library
// never reach the other tests.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "plugin/vendor_calls.h"
#include "support/audio_measures.h"
#include "support/program_chunk_bytes.h"
#include "support/scoped_variable.h"
#include "support/started_instance.h"
#include "support/temp_folder.h"
#include "vst_host.h"

namespace brelix {
namespace {

using host::PluginInstance;
using host::PluginLibrary;
using testing::ProgramChunkBytes;
using testing::ReadBytes;
using testing::Rms;
using testing::TempFolder;
using testing::WriteBytes;

// A note of the default patch measures about 0.16; what a silent patch leaves is the decay of the
// output DC blocker after earlier notes, about 0.003.
constexpr double kSounding = 0.05;
constexpr double kSilent = 0.01;

class ProgramState : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(BRELIX_PLUGIN_PATH, folder_.file("Brelix64.so"));
  }
  // The library is loaded only when the files beside it are in place.
  std::unique_ptr<PluginInstance> Open() {
    if (!library_) library_ = PluginLibrary::Load(folder_.file("Brelix64.so"));
    auto instance = std::make_unique<PluginInstance>(library_);
    EXPECT_TRUE(instance->is_open());
    brelix::testing::StartAsHost(*instance);
    return instance;
  }
  // The level of a note held for a tenth of a second on `channel` (0..15).
  static double NoteLevel(PluginInstance& instance, uint8_t channel) {
    instance.sendMidi({{static_cast<uint8_t>(0x90 | channel), 57, 100}});
    instance.process(4410);
    const double level = Rms(instance.left()) + Rms(instance.right());
    instance.sendMidi({{0xB0, 123, 0}, {0xB1, 123, 0}, {0xB2, 123, 0}});
    return level;
  }

  // The host parameter of that name, -1 for none.
  static int ParamIndex(PluginInstance& instance, const std::string& name) {
    for (int i = 0; i < instance.effect()->numParams; ++i)
      if (instance.dispatchText(effGetParamName, i) == name) return i;
    return -1;
  }

  TempFolder folder_;
  std::shared_ptr<PluginLibrary> library_;
};

TEST_F(ProgramState, AChunkRestoresThePatchChannelAndVoicesInANewInstance) {
  const std::string silent = folder_.file("Silent.tw");
  WriteBytes(silent, "[Voice]\r\nVolume=0\r\n");
  auto first = Open();
  EXPECT_GT(NoteLevel(*first, 0), kSounding);  // the default patch sounds

  EXPECT_EQ(first->setChunk(ProgramChunkBytes(2, 7, silent)), 1);
  EXPECT_LT(NoteLevel(*first, 2), kSilent);
  const std::vector<uint8_t> saved = first->getChunk();
  EXPECT_EQ(testing::ChunkRecord(saved), ProgramChunkBytes(2, 7, silent));
  first->close();

  // A project reopened: a new instance, the chunk the host kept.
  auto second = Open();
  EXPECT_GT(NoteLevel(*second, 0), kSounding);
  EXPECT_EQ(second->setChunk(saved), 1);
  EXPECT_EQ(second->getChunk(), saved);
  EXPECT_LT(NoteLevel(*second, 2), kSilent);

  // The patch file changed between sessions: the chunk brings the new content.
  WriteBytes(silent, "[Voice]\r\nVolume=1\r\n");
  auto third = Open();
  third->setChunk(saved);
  EXPECT_LT(NoteLevel(*third, 0), kSilent);  // the chunk's channel is 3
  EXPECT_GT(NoteLevel(*third, 2), kSounding);
  EXPECT_EQ(testing::ChunkRecord(third->getChunk()), testing::ChunkRecord(saved));  // clean: nothing written
  EXPECT_EQ(ReadBytes(silent), "[Voice]\r\nVolume=1\r\n");
}

TEST_F(ProgramState, BlocksOfOtherSizesAreAnsweredWithoutHarm) {
  auto instance = Open();
  const std::vector<uint8_t> before = instance->getChunk();
  for (size_t size : {0u, 1u, 263u, 265u, 4096u}) {
    EXPECT_EQ(instance->setChunk(std::vector<uint8_t>(size, 0xFF)), 1) << size;
    EXPECT_EQ(instance->getChunk(), before) << size;
  }
  // A byte count beyond 32 bits is not taken for the record's 264.
  std::vector<uint8_t> block = ProgramChunkBytes(5, 3, "");
  block.resize(block.size() + 16, 0);
  AEffect* e = instance->effect();
  EXPECT_EQ(e->dispatcher(e, effSetChunk, 0, (intptr_t{1} << 32) + kProgramChunkSize, block.data(), 0.0f), 1);
  EXPECT_EQ(instance->getChunk(), before);
  EXPECT_GT(NoteLevel(*instance, 0), kSounding);
}

// The chunk carries the patch: the file wins while it is a patch file; once it is gone or no
// patch any more, the project still plays the patch it was saved with.
TEST_F(ProgramState, AProjectKeepsItsSoundWhenThePatchFileIsGone) {
  const std::string file = folder_.file("Quiet.tw");
  WriteBytes(file, "[Voice]\r\nVolume=0\r\n");
  auto first = Open();
  first->setChunk(ProgramChunkBytes(0, 15, file));
  ASSERT_LT(NoteLevel(*first, 0), kSilent);
  const std::vector<uint8_t> project = first->getChunk();
  first->close();

  struct Case {
    const char* name;
    const char* file_text;  // none: the file is gone
    bool silent;            // the saved patch plays
  };
  const Case cases[] = {
      {"the file improved since", "[Voice]\r\nVolume=1\r\n", false},
      {"the file moved away", nullptr, true},
      {"a text file in its place", "shopping list\r\nmilk\r\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(file);
    if (c.file_text != nullptr) WriteBytes(file, c.file_text);
    auto instance = Open();
    EXPECT_GT(NoteLevel(*instance, 0), kSounding);  // the default patch first
    EXPECT_EQ(instance->setChunk(project), 1);
    EXPECT_EQ(NoteLevel(*instance, 0) < kSilent, c.silent);
    EXPECT_EQ(testing::ChunkRecord(instance->getChunk()), ProgramChunkBytes(0, 15, file));
    instance->close();
    EXPECT_EQ(std::filesystem::exists(file), c.file_text != nullptr);
    if (c.file_text != nullptr) {
      EXPECT_EQ(ReadBytes(file), c.file_text);
    }
  }
}

TEST_F(ProgramState, SettingsAndTheDefaultPatchBesideTheLibraryAreRead) {
  WriteBytes(folder_.file("Brelix.Ini"), "[Editor]\r\nAutomation=1\r\n");
  WriteBytes(folder_.file("Brelix.tw"), "[Voice]\r\nVolume=0\r\n");
  auto instance = Open();
  EXPECT_EQ(instance->effect()->numParams, 443);
  EXPECT_LT(NoteLevel(*instance, 0), kSilent);
  EXPECT_EQ(testing::ChunkRecord(instance->getChunk()), ProgramChunkBytes(0, 15, folder_.file("Brelix.tw")));
}

// A project from someone else names a file in its chunk; the host writes one parameter (the
// project's automation), asks for the chunk and closes the instance. Only a patch file (named
// ".tw", a patch's text and nothing else, with a write bit), or a new absolute ".tw" name in a
// folder that exists, may take the patch.
TEST_F(ProgramState, AChangedPatchIsWrittenOnlyIntoPatchFiles) {
  namespace fs = std::filesystem;
  const std::string settings = "[Engine]\r\nRealSampleBase=44100\r\n\r\n[Editor]\r\nAutomation=1\r\n";
  WriteBytes(folder_.file("Brelix.Ini"), settings);
  const std::string patch = "[Voice]\r\nVolume=1\r\n\r\n[Test]\r\nKeepMe=1\r\n";
  const std::string text = "first line\n\n   indented\nlast\n";
  fs::create_directories(folder_.file("home"));
  fs::create_directories(folder_.file("sub"));
  fs::create_directories(folder_.file("other"));
  WriteBytes(folder_.file("notes.txt"), text);
  WriteBytes(folder_.file("home/.bashrc"), "alias ll='ls -l'\n");
  WriteBytes(folder_.file("target.cfg"), "[Voice]x\nkey value\n");
  WriteBytes(folder_.file("real.tw"), patch);
  WriteBytes(folder_.file("linked.tw"), patch);
  fs::create_symlink(folder_.file("target.cfg"), folder_.file("link.tw"));
  fs::create_symlink(folder_.file("linked.tw"), folder_.file("link-to-patch.tw"));
  fs::create_symlink(folder_.file("nowhere.tw"), folder_.file("dangling.tw"));
  fs::create_hard_link(folder_.file("Brelix.Ini"), folder_.file("settings.tw"));
  // The user's own settings file, even one that holds a patch's section.
  const testing::ScopedVariable config("XDG_CONFIG_HOME", folder_.file("config"));
  const std::string user_settings = "[Editor]\r\nZoom=125\r\n\r\n[Voice]\r\nVolume=1\r\n";
  fs::create_directories(folder_.file("config/brelix"));
  WriteBytes(folder_.file("config/brelix/Brelix.Ini"), user_settings);
  fs::create_hard_link(folder_.file("config/brelix/Brelix.Ini"), folder_.file("user-settings.tw"));
  // Text that takes a section line or a key for a patch's, and patch text under other names.
  WriteBytes(folder_.file("notes.tw"), "[voice]\n");
  WriteBytes(folder_.file("requires.tw"), "[packages]\nnumpy=1.26\nscipy=1.11\n");
  WriteBytes(folder_.file("prose.tw"), "[Voice]\nVolume=1\nand then some words of a letter\n");
  WriteBytes(folder_.file("patch.txt"), patch);
  WriteBytes(folder_.file("victim.txt"), patch);
  fs::create_symlink(folder_.file("victim.txt"), folder_.file("to-text.tw"));
  WriteBytes(folder_.file("locked.tw"), patch);
  fs::permissions(folder_.file("locked.tw"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  fs::create_directories(folder_.file("folder.tw"));
  ASSERT_EQ(::mkfifo(folder_.file("fifo.tw").c_str(), 0666), 0);
  WriteBytes(folder_.file("Described.TW"), "; a description\r\n\r\n[voice]\r\nvolume=1\r\n");

  struct Case {
    std::string named;    // the name in the chunk
    std::string watched;  // the file whose bytes are compared (the link's target for a link)
    bool written;
  };
  const Case cases[] = {
      {folder_.file("notes.txt"), folder_.file("notes.txt"), false},
      {folder_.file("home/.bashrc"), folder_.file("home/.bashrc"), false},
      {folder_.file("sub/.bashrc"), folder_.file("sub/.bashrc"), false},
      {folder_.file("sub/../other/new.tw"), folder_.file("other/new.tw"), false},
      {folder_.file("link.tw"), folder_.file("target.cfg"), false},
      {folder_.file("dangling.tw"), folder_.file("nowhere.tw"), false},
      {"relpatch.tw", "relpatch.tw", false},
      {folder_.file("Brelix.Ini"), folder_.file("Brelix.Ini"), false},
      {folder_.file("settings.tw"), folder_.file("Brelix.Ini"), false},
      {folder_.file("config/brelix/Brelix.Ini"), folder_.file("config/brelix/Brelix.Ini"), false},
      {folder_.file("user-settings.tw"), folder_.file("config/brelix/Brelix.Ini"), false},
      {folder_.file("missing/new.tw"), folder_.file("missing/new.tw"), false},
      {folder_.file("notes.tw"), folder_.file("notes.tw"), false},
      {folder_.file("requires.tw"), folder_.file("requires.tw"), false},
      {folder_.file("prose.tw"), folder_.file("prose.tw"), false},
      {folder_.file("patch.txt"), folder_.file("patch.txt"), false},
      {folder_.file("to-text.tw"), folder_.file("victim.txt"), false},
      {folder_.file("locked.tw"), folder_.file("locked.tw"), false},  // for root too
      {folder_.file("folder.tw"), folder_.file("folder.tw"), false},
      {folder_.file("fifo.tw"), folder_.file("fifo.tw"), false},
      {folder_.file("Described.TW"), folder_.file("Described.TW"), true},
      {folder_.file("real.tw"), folder_.file("real.tw"), true},
      {folder_.file("link-to-patch.tw"), folder_.file("linked.tw"), true},
      {folder_.file("sub/New.TW"), folder_.file("sub/New.TW"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.named);
    const fs::file_type type = fs::symlink_status(c.watched).type();
    const std::string before = fs::is_regular_file(c.watched) ? ReadBytes(c.watched) : std::string();
    auto instance = Open();
    AEffect* e = instance->effect();
    ASSERT_EQ(e->numParams, 443);
    instance->setChunk(ProgramChunkBytes(0, 15, c.named));
    const int detune = ParamIndex(*instance, "Osc1.Detune");
    e->setParameter(e, detune, 0.75f);
    ::testing::internal::CaptureStderr();
    instance->getChunk();
    const std::string said = ::testing::internal::GetCapturedStderr();
    instance->close();

    if (c.written) {
      ASSERT_TRUE(fs::exists(c.watched));
      const std::string after = ReadBytes(c.watched);
      EXPECT_NE(after.find("AuxOscDetune=0.5\r\n"), std::string::npos) << after;
      if (before.find("KeepMe") != std::string::npos) {
        EXPECT_NE(after.find("KeepMe=1\r\n"), std::string::npos) << after;
      }
      EXPECT_EQ(said, "");
    } else {
      EXPECT_EQ(fs::symlink_status(c.watched).type(), type);
      if (type == fs::file_type::regular) {
        EXPECT_EQ(ReadBytes(c.watched), before);
      }
      EXPECT_NE(said.find(c.named), std::string::npos) << said;
      EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
  }
  EXPECT_TRUE(fs::is_symlink(folder_.file("link.tw")));
  EXPECT_TRUE(fs::is_symlink(folder_.file("link-to-patch.tw")));
  EXPECT_TRUE(fs::is_symlink(folder_.file("dangling.tw")));
  EXPECT_FALSE(fs::exists(folder_.file("sub/.bashrc")));
  EXPECT_EQ(ReadBytes(folder_.file("Brelix.Ini")), settings);
  EXPECT_EQ(ReadBytes(folder_.file("config/brelix/Brelix.Ini")), user_settings);
}

// Someone who can rename files in the patch's folder swaps its entry between a patch, a link to
// a text file, a link to the settings file and nothing at all, while the host saves on another
// thread: the save replaces at most the entry itself, never a file a link leads to.
TEST_F(ProgramState, SavesRacingRenamesInThePatchFolderNeverWriteThroughALink) {
  namespace fs = std::filesystem;
  using namespace std::chrono_literals;
  const std::string settings = "[Editor]\r\nAutomation=1\r\n";
  const std::string text = "dear diary\n";
  const std::string patch = "[Voice]\r\nVolume=1\r\n";
  WriteBytes(folder_.file("Brelix.Ini"), settings);
  WriteBytes(folder_.file("victim.txt"), text);
  const std::string patch_file = folder_.file("p.tw");
  WriteBytes(patch_file, patch);
  auto instance = Open();
  AEffect* e = instance->effect();
  instance->setChunk(ProgramChunkBytes(0, 15, patch_file));
  const int detune = ParamIndex(*instance, "Osc1.Detune");
  ASSERT_GE(detune, 0);

  std::atomic<bool> stop{false};
  std::thread renamer([&] {
    const std::string stage = folder_.file("stage");
    for (unsigned turn = 0; !stop.load(std::memory_order_relaxed); ++turn) {
      switch (turn % 6) {
        case 0: case 2: case 4: WriteBytes(stage, patch); break;
        case 1: fs::create_symlink("victim.txt", stage); break;
        case 3: fs::create_symlink("Brelix.Ini", stage); break;
        case 5: ::unlink(patch_file.c_str()); continue;
      }
      ::rename(stage.c_str(), patch_file.c_str());
    }
  });
  ::testing::internal::CaptureStderr();
  int saves = 0;
  bool kept = true;
  for (const auto end = std::chrono::steady_clock::now() + 3s; std::chrono::steady_clock::now() < end && kept; ++saves) {
    e->setParameter(e, detune, saves % 2 == 0 ? 0.75f : 0.25f);
    instance->getChunk();
    kept = ReadBytes(folder_.file("victim.txt")) == text && ReadBytes(folder_.file("Brelix.Ini")) == settings;
  }
  stop = true;
  renamer.join();
  ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(kept) << "after " << saves << " saves";
  EXPECT_EQ(ReadBytes(folder_.file("victim.txt")), text);
  EXPECT_EQ(ReadBytes(folder_.file("Brelix.Ini")), settings);
  EXPECT_GT(saves, 100);
  for (const fs::directory_entry& entry : fs::directory_iterator(folder_.path()))
    EXPECT_FALSE(entry.path().filename().string().starts_with(".p.tw.")) << "a temporary file was left behind";
}

// Our own hosts learn what the instance plays without the side effect of effGetChunk, which
// saves a changed patch into its file first.
TEST_F(ProgramState, OurOwnHostsAskThePatchStateWithoutSavingIt) {
  WriteBytes(folder_.file("Brelix.Ini"), "[Editor]\r\nAutomation=1\r\n");
  const std::string patch = "[Voice]\r\nVolume=1\r\n";
  WriteBytes(folder_.file("real.tw"), patch);
  auto instance = Open();
  AEffect* e = instance->effect();
  instance->setChunk(ProgramChunkBytes(3, 15, folder_.file("real.tw")));
  const auto state = [&] {
    VendorPatchState answer;
    EXPECT_EQ(instance->dispatch(effVendorSpecific, kVendorCallId, kVendorCallPatchState, &answer), 1);
    return answer;
  };
  EXPECT_EQ(state().Modified, 0);
  EXPECT_EQ(state().Channel, 3);
  EXPECT_EQ(std::string(state().PatchFile), folder_.file("real.tw"));

  const int detune = ParamIndex(*instance, "Osc1.Detune");
  e->setParameter(e, detune, 0.75f);
  EXPECT_EQ(state().Modified, 1);
  void* data = nullptr;
  const intptr_t size = instance->dispatch(effVendorSpecific, kVendorCallId, kVendorCallChunkAsItIs, &data);
  const std::optional<ProgramChunkFields> chunk = ProgramChunkRead(data, size);
  ASSERT_TRUE(chunk && chunk->Patch);
  EXPECT_EQ(chunk->Channel, 3);
  EXPECT_EQ(chunk->PatchFile, folder_.file("real.tw"));
  EXPECT_NE(chunk->Patch->find("AuxOscDetune=0.5\r\n"), std::string::npos) << "the chunk carries the changed patch";
  EXPECT_EQ(ReadBytes(folder_.file("real.tw")), patch) << "and the file is left for the close question";
  EXPECT_EQ(state().Modified, 1);
  // effGetChunk, unlike it, saves first.
  instance->getChunk();
  EXPECT_NE(ReadBytes(folder_.file("real.tw")).find("AuxOscDetune=0.5\r\n"), std::string::npos);
  EXPECT_EQ(state().Modified, 0);

  // Other hosts' vendor calls, and ours without a place for the answer, answer 0.
  EXPECT_EQ(instance->dispatch(effVendorSpecific, 0, kVendorCallPatchState, &data), 0);
  EXPECT_EQ(instance->dispatch(effVendorSpecific, kVendorCallId, 99, &data), 0);
  EXPECT_EQ(instance->dispatch(effVendorSpecific, kVendorCallId, kVendorCallPatchState, nullptr), 0);
}

}  // namespace
}  // namespace brelix
