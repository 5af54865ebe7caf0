// The state files of brelix-render: the chunk naming a patch file, and saving and reading it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "render_state.h"
#include "support/program_chunk_bytes.h"
#include "support/temp_folder.h"

namespace brelix {
namespace {

using testing::TempFolder;
using testing::WriteBytes;

// The chunk a host keeps, naming `file`.
constexpr auto Chunk = testing::ProgramChunkBytes;

TEST(RenderState, TheChunkKeepsChannelAndVoicesAndNamesThePatchByItsFullName) {
  TempFolder folder;
  WriteBytes(folder.file("Pad.tw"), "[Voice]\r\nVolume=0.5\r\n");
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  const std::vector<uint8_t> chunk = ChangedChunk(Chunk(3, 11, "/old/Brelix.tw"), {.PatchFile = "./Pad.tw"});
  std::filesystem::current_path(previous);
  EXPECT_EQ(chunk, Chunk(3, 11, folder.file("Pad.tw")));
  EXPECT_EQ(ChunkPatchFile(chunk), folder.file("Pad.tw"));
}

TEST(RenderState, ChannelAndVoicesChangeAloneOrWithThePatch) {
  TempFolder folder;
  WriteBytes(folder.file("Pad.tw"), "");
  EXPECT_EQ(ChangedChunk(Chunk(0, 15, "/p/Brelix.tw"), {.Channel = 10}), Chunk(9, 15, "/p/Brelix.tw"));
  EXPECT_EQ(ChangedChunk(Chunk(0, 15, "/p/Brelix.tw"), {.Voices = 1}), Chunk(0, 0, "/p/Brelix.tw"));
  EXPECT_EQ(ChangedChunk(Chunk(4, 3, "/p/Brelix.tw"), {.PatchFile = folder.file("Pad.tw"), .Channel = 16, .Voices = 16}),
            Chunk(15, 15, folder.file("Pad.tw")));
  EXPECT_EQ(ChangedChunk(Chunk(4, 3, "/p/Brelix.tw"), {}), Chunk(4, 3, "/p/Brelix.tw"));
}

TEST(RenderState, PatchFilesTheChunkCannotNameAreRefused) {
  TempFolder folder;
  EXPECT_THROW(ChangedChunk(Chunk(0, 15, ""), {.PatchFile = folder.file("missing.tw")}), StateError);
  const std::string deep = folder.file(std::string(200, 'd'));
  std::filesystem::create_directory(deep);
  const std::string long_name = deep + "/" + std::string(100, 'p') + ".tw";
  WriteBytes(long_name, "");
  EXPECT_THROW(ChangedChunk(Chunk(0, 15, ""), {.PatchFile = long_name}), StateError);
  WriteBytes(folder.file("ok.tw"), "");
  EXPECT_THROW(ChangedChunk(std::vector<uint8_t>(100), {.PatchFile = folder.file("ok.tw")}), StateError);
}

TEST(RenderState, AStateFileHoldsTheChunkAndNothingElse) {
  TempFolder folder;
  const std::vector<uint8_t> chunk = Chunk(9, 15, "/patches/Lead.tw");
  WriteStateFile(folder.file("song.state"), chunk);
  EXPECT_EQ(ReadStateFile(folder.file("song.state")), chunk);
  WriteBytes(folder.file("short.state"), std::string(100, '\0'));
  EXPECT_THROW(ReadStateFile(folder.file("short.state")), StateError);
  EXPECT_THROW(ReadStateFile(folder.file("none.state")), StateError);
  EXPECT_THROW(WriteStateFile(folder.file("no/folder/x.state"), chunk), StateError);
}

TEST(RenderState, AStateFileThatCouldNotBeWrittenIsRefusedBeforeTheRender) {
  TempFolder folder;
  WriteBytes(folder.file("plain"), "");
  std::filesystem::create_directory(folder.file("dir"));
  EXPECT_NO_THROW(CheckStateFileCanBeWritten(folder.file("new.state")));
  const std::pair<std::string, const char*> refused[] = {
      {folder.file("no/folder/x.state"), "no folder"},
      {folder.file("plain/x.state"), "is not a folder"},
      {folder.file("dir"), "it is a folder"},
  };
  for (const auto& [path, reason] : refused) {
    try {
      CheckStateFileCanBeWritten(path);
      ADD_FAILURE() << path;
    } catch (const StateError& error) {
      EXPECT_NE(std::string(error.what()).find(reason), std::string::npos) << error.what();
    }
  }
}

}  // namespace
}  // namespace brelix
