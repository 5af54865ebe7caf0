// The standalone program writes only its own files: whatever else stands under the name of one
// of its kept files (a link to the user's text, a text file, a pipe, a folder) is neither read
// through nor replaced; it is moved aside to NAME.bad (an older .bad stays as it is), the user
// is told in one line, the plug-in's own starting patch plays and the state is kept afresh on quitting.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "live_state.h"
#include "patch/program_chunk.h"
#include "support/jack_server.h"
#include "support/jack_test_rig.h"
#include "support/temp_folder.h"
#include "support/xvfb_server.h"

namespace brelix::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsersText = "the user's own notes\n";

enum class Entry { LinkToText, Text, Pipe, Folder };

bool ReadsAsOurs(const std::string& name, const std::string& bytes) {
  if (name == "window") return ParseWindowPosition(bytes).has_value();
  return ProgramChunkRead(bytes.data(), static_cast<int64_t>(bytes.size())).has_value();
}

std::vector<std::string> LinesWith(const std::string& text, const std::string& part) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    if (text.substr(start, end - start).find(part) != std::string::npos) lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

TEST(BrelixKeptFiles, WhatIsNotItsOwnIsMovedAsideNeverReadThroughOrReplaced) {
  if (!XvfbServer::Shared().running()) GTEST_SKIP() << XvfbServer::Shared().failure();
  setenv("DISPLAY", XvfbServer::Shared().display().c_str(), 1);  // the window file is the window's
  JackServer server(44100);
  ASSERT_TRUE(server.ready()) << server.failure();

  const struct {
    const char* file;
    Entry entry;
    bool olderBad;  // a NAME.bad of an earlier start is there already
  } cases[] = {
      {"program.chunk", Entry::LinkToText, false},
      {"program.chunk", Entry::Text, true},
      {"program.chunk", Entry::Pipe, false},
      {"window", Entry::LinkToText, false},
      {"window", Entry::Text, false},
      {"window", Entry::Folder, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " as entry " + std::to_string(static_cast<int>(c.entry)));
    TempFolder config, work;
    const std::string folder = config.file("brelix"), kept = folder + "/" + c.file;
    const std::string usersFile = work.file("notes.txt");
    fs::create_directories(folder);
    WriteBytes(usersFile, kUsersText);
    switch (c.entry) {
      case Entry::LinkToText: fs::create_symlink(usersFile, kept); break;
      case Entry::Text: WriteBytes(kept, kUsersText); break;
      case Entry::Pipe: ASSERT_EQ(mkfifo(kept.c_str(), 0644), 0); break;
      case Entry::Folder:
        fs::create_directories(kept);
        WriteBytes(kept + "/inside", kUsersText);
        break;
    }
    if (c.olderBad) WriteBytes(kept + ".bad", "an older one\n");
    const std::string aside = kept + (c.olderBad ? ".bad.2" : ".bad");

    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    const std::string log = work.file("brelix.log");
    const pid_t pid = Spawn({BRELIX_LIVE_PATH, "--plugin", BRELIX_PLUGIN_PATH}, log);
    ASSERT_GT(pid, 0);
    const bool playing = WaitUntil([&] { return ReadBytes(log).find("playing") != std::string::npos; }, 20s);
    kill(pid, SIGINT);
    EXPECT_EQ(WaitForExit(pid, 20s), 0) << ReadBytes(log);
    ASSERT_TRUE(playing) << ReadBytes(log);
    const std::string said = ReadBytes(log);

    // The plug-in's own starting patch, not anything read through the entry.
    EXPECT_NE(said.find("playing Brelix.tw "), std::string::npos) << said;
    const std::vector<std::string> told = LinesWith(said, "moved it aside");
    ASSERT_EQ(told.size(), 1u) << said;
    EXPECT_NE(told[0].find("'" + aside + "'"), std::string::npos) << told[0];

    // What stood there is aside, as it was; the user's file behind a link is untouched.
    EXPECT_EQ(ReadBytes(usersFile), kUsersText);
    switch (c.entry) {
      case Entry::LinkToText: EXPECT_EQ(fs::read_symlink(aside), usersFile); break;
      case Entry::Text: EXPECT_EQ(ReadBytes(aside), kUsersText); break;
      case Entry::Pipe: EXPECT_TRUE(fs::is_fifo(fs::symlink_status(aside))); break;
      case Entry::Folder: EXPECT_EQ(ReadBytes(aside + "/inside"), kUsersText); break;
    }
    if (c.olderBad) {
      EXPECT_EQ(ReadBytes(kept + ".bad"), "an older one\n");
    }

    // The state kept on quitting is a file of the program's own in the entry's place.
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(kept)));
    EXPECT_TRUE(ReadsAsOurs(c.file, ReadBytes(kept))) << ReadBytes(kept);
  }
}

}  // namespace
}  // namespace brelix::testing
