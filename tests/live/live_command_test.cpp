// The standalone program's command line and the state it keeps between starts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "kept_chunk.h"
#include "live_options.h"
#include "live_state.h"
#include "patch/program_chunk.h"
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
  std::vector<std::string> notes;
  const LiveState state(folder.file("deep/brelix"), [&](const std::string& line) { notes.push_back(line); });
  EXPECT_FALSE(state.LoadChunk());
  EXPECT_FALSE(state.LoadWindowPosition());

  std::string patch(5000, '\0');
  for (size_t i = 0; i < patch.size(); ++i) patch[i] = static_cast<char>(i * 7);  // zeros among them
  const std::vector<uint8_t> chunk = ProgramChunkEncode({.Channel = 3, .MaxVoice = 7, .PatchFile = "/p.tw", .Patch = patch});
  state.StoreChunk(chunk);
  state.StoreWindowPosition({-12, 340});
  EXPECT_EQ(state.LoadChunk(), chunk);
  ASSERT_TRUE(state.LoadWindowPosition());
  EXPECT_EQ(state.LoadWindowPosition()->X, -12);
  EXPECT_EQ(state.LoadWindowPosition()->Y, 340);
  // Replaced whole, no temporary file left beside it.
  const std::vector<uint8_t> bare = ProgramChunkEncode({.Channel = 1, .MaxVoice = 0, .PatchFile = "", .Patch = std::nullopt});
  state.StoreChunk(bare);
  EXPECT_EQ(state.LoadChunk(), bare);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.file("deep/brelix")), {}), 2);
  EXPECT_TRUE(notes.empty());

  // A damaged window file means the default place, not a failure; it is kept aside, not lost.
  WriteBytes(folder.file("deep/brelix/window"), "left top\n");
  EXPECT_FALSE(state.LoadWindowPosition());
  EXPECT_EQ(ReadBytes(folder.file("deep/brelix/window.bad")), "left top\n");
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("window.bad'"), std::string::npos) << notes[0];
}

TEST(LiveState, ReadsTheWindowsPlaceAsTwoWholeNumbers) {
  constexpr int kMost = std::numeric_limits<int>::max(), kLeast = std::numeric_limits<int>::min();
  const struct {
    const char* text;
    std::optional<std::pair<int, int>> place;
  } cases[] = {
      {"10 20\n", std::pair{10, 20}},
      {" -12\t340", std::pair{-12, 340}},
      {"99999999999 -99999999999\n", std::pair{kMost, kLeast}},  // beyond int: its ends
      {"left top\n", std::nullopt},
      {"10\n", std::nullopt},
      {"10 20 30\n", std::nullopt},
      {"10x20", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<WindowPosition> place = ParseWindowPosition(c.text);
    ASSERT_EQ(place.has_value(), c.place.has_value());
    if (place) {
      EXPECT_EQ(std::pair(place->X, place->Y), *c.place);
    }
  }
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

TEST(KeptChunk, WhatOnlyTheCommandLineChangedGoesBackWhatThePlayerChangedStays) {
  const auto chunk = [](int channel, int voices, const char* file, const char* patch) {
    std::optional<std::string> text;
    if (patch != nullptr) text = patch;
    return ProgramChunkEncode({.Channel = static_cast<uint8_t>(channel - 1), .MaxVoice = voices - 1, .PatchFile = file, .Patch = text});
  };
  const std::vector<uint8_t> before = chunk(1, 16, "/kept.tw", "[Voice]\nVolume=0.5\n");
  const struct {
    const char* run;
    std::vector<uint8_t> started, now, kept;
  } cases[] = {
      {"no options, nothing changed", before, before, before},
      {"no options, the player chose channel 3", before, chunk(3, 16, "/kept.tw", "[Voice]\nVolume=0.5\n"),
       chunk(3, 16, "/kept.tw", "[Voice]\nVolume=0.5\n")},
      {"--voices 1 --channel 2, left alone", chunk(2, 1, "/kept.tw", "[Voice]\nVolume=0.5\n"),
       chunk(2, 1, "/kept.tw", "[Voice]\nVolume=0.5\n"), before},
      {"--voices 1 --channel 2, the player chose 4 voices", chunk(2, 1, "/kept.tw", "[Voice]\nVolume=0.5\n"),
       chunk(2, 4, "/kept.tw", "[Voice]\nVolume=0.5\n"), chunk(1, 4, "/kept.tw", "[Voice]\nVolume=0.5\n")},
      {"--patch, left alone", chunk(1, 16, "/other.tw", "[Voice]\nVolume=0.7\n"),
       chunk(1, 16, "/other.tw", "[Voice]\nVolume=0.7\n"), before},
      {"--patch, edited", chunk(1, 16, "/other.tw", "[Voice]\nVolume=0.7\n"),
       chunk(1, 16, "/other.tw", "[Voice]\nVolume=0.9\n"), chunk(1, 16, "/other.tw", "[Voice]\nVolume=0.9\n")},
      {"--patch, another loaded", chunk(1, 16, "/other.tw", "[Voice]\nVolume=0.7\n"),
       chunk(1, 16, "/third.tw", "[Voice]\nVolume=0.7\n"), chunk(1, 16, "/third.tw", "[Voice]\nVolume=0.7\n")},
      {"a start that does not read", {1, 2, 3}, chunk(2, 1, "/kept.tw", nullptr), chunk(2, 1, "/kept.tw", nullptr)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.run);
    EXPECT_EQ(ChunkToKeep(before, c.started, c.now), c.kept);
  }
}

TEST(LiveState, KeepsTheKeyboardsOctaveAsItsLowestC) {
  TempFolder folder;
  const LiveState state(folder.file("brelix"), [](const std::string&) {});
  EXPECT_FALSE(state.LoadLowestKey());
  state.StoreLowestKey(60);
  EXPECT_EQ(state.LoadLowestKey(), 60);
  for (const char* text : {"0\n", "96"}) EXPECT_TRUE(ParseLowestKey(text)) << text;
  for (const char* text : {"61\n", "108\n", "-12\n", "C4\n", "60 72\n", ""}) EXPECT_FALSE(ParseLowestKey(text)) << text;
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
