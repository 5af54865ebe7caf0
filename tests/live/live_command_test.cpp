// The standalone program's command line and the state it keeps between starts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "live_options.h"
#include "live_state.h"
#include "render_options.h"
#include "support/temp_folder.h"

namespace brelix {
namespace {

using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

LiveOptions Parse(std::vector<std::string> args) { return ParseLiveOptions(args); }

TEST(LiveOptions, ReadsItsOwnFlagsAndTheOptionsSharedWithTheRenderer) {
  const LiveOptions none = Parse({});
  EXPECT_FALSE(none.Connect || none.NoGui || none.ShowHelp || none.ListPatches);
  EXPECT_TRUE(Parse({"--list-patches"}).ListPatches);
  EXPECT_EQ(none.Channel, 0);
  EXPECT_EQ(none.Voices, 0);

  const LiveOptions all = Parse({"--no-gui", "--patch", "a.tw", "--channel=10", "--voices", "4", "--plugin=p.so", "--connect"});
  EXPECT_TRUE(all.Connect);
  EXPECT_TRUE(all.NoGui);
  EXPECT_EQ(all.PatchPath, "a.tw");
  EXPECT_EQ(all.Channel, 10);
  EXPECT_EQ(all.Voices, 4);
  EXPECT_EQ(all.PluginPath, "p.so");

  EXPECT_TRUE(Parse({"--bogus", "-h"}).ShowHelp);
}

TEST(LiveOptions, RefusesWhatItDoesNotTake) {
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"--rate", "48000"}, "unknown option '--rate'"},  // the server's rate rules
      {{"song.mid"}, "unexpected argument 'song.mid'"},
      {{"--channel"}, "--channel needs a value"},
      {{"--channel", "17"}, "--channel must lie between 1 and 16"},
      {{"--voices=0"}, "--voices must lie between 1 and 16"},
      {{"--patch="}, "--patch needs a value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.front());
    try {
      Parse(c.args);
      ADD_FAILURE() << "taken";
    } catch (const UsageError& error) {
      EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
    }
  }
}

TEST(LiveState, KeepsAChunkOfAnySizeAndTheWindowsPlace) {
  TempFolder folder;
  const LiveState state(folder.file("deep/brelix"));
  EXPECT_FALSE(state.LoadChunk());
  EXPECT_FALSE(state.LoadWindowPosition());

  std::vector<uint8_t> chunk(264 + 5000);
  for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<uint8_t>(i * 7);  // zeros among them
  state.StoreChunk(chunk);
  state.StoreWindowPosition({-12, 340});
  EXPECT_EQ(state.LoadChunk(), chunk);
  ASSERT_TRUE(state.LoadWindowPosition());
  EXPECT_EQ(state.LoadWindowPosition()->X, -12);
  EXPECT_EQ(state.LoadWindowPosition()->Y, 340);
  // Replaced whole, no temporary file left beside it.
  state.StoreChunk({1, 2, 3});
  EXPECT_EQ(state.LoadChunk(), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.file("deep/brelix")), {}), 2);

  // A damaged window file means the default place, not a failure.
  WriteBytes(folder.file("deep/brelix/window"), "left top\n");
  EXPECT_FALSE(state.LoadWindowPosition());
}

TEST(LiveState, SaysWhichFileCouldNotBeWritten) {
  TempFolder folder;
  WriteBytes(folder.file("brelix"), "a file where the folder should be");
  const LiveState state(folder.file("brelix"));
  try {
    state.StoreChunk({1});
    ADD_FAILURE() << "stored";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find(folder.file("brelix")), std::string::npos) << error.what();
  }
  EXPECT_EQ(ReadBytes(folder.file("brelix")), "a file where the folder should be");
}

TEST(LiveState, LivesInTheConfigFolderOfTheEnvironment) {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = config != nullptr ? config : "";
  setenv("HOME", "/home/player", 1);
  setenv("XDG_CONFIG_HOME", "/srv/config", 1);
  EXPECT_EQ(LiveState().Folder(), "/srv/config/brelix");
  setenv("XDG_CONFIG_HOME", "relative/config", 1);  // not absolute: ignored
  EXPECT_EQ(LiveState().Folder(), "/home/player/.config/brelix");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(LiveState().Folder(), "/home/player/.config/brelix");
  if (config != nullptr) setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace brelix
