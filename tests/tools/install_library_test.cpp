// scripts/install-library.sh as demo.sh runs it: the shipped patches and samples in their family
// folders without write bits, installed again over themselves, the user's own folder left alone,
// and the result a library the programs find.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/program_run.h"
#include "support/temp_folder.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;

mode_t Mode(const fs::path& path) {
  struct stat info{};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

TEST(InstallLibrary, InstallsReadOnlyAgainAndAgainAndKeepsTheUsersPatches) {
  testing::TempFolder prefix;
  const fs::path library = prefix.path() / "share/brelix/patches";
  const std::string script = std::string(BRELIX_SOURCE_DIR) + "/scripts/install-library.sh";
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const testing::ProgramRun run = testing::RunProgram("/bin/bash", {script, library.string()});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    if (round == 0) {
      fs::create_directories(library / "user");
      testing::WriteBytes((library / "user/mine.tw").string(), "[Voice]\nVolume=0.5\n");
    }
  }
  size_t files = 0;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(BRELIX_PATCHES_DIR)) {
    const fs::path relative = fs::relative(entry.path(), BRELIX_PATCHES_DIR);
    if (!relative.has_parent_path()) {
      if (entry.is_directory()) EXPECT_EQ(Mode(library / relative), 0555u) << relative;
      continue;  // the folder's own files (.gitattributes) are no part of the library
    }
    ++files;
    EXPECT_EQ(Mode(library / relative), 0444u) << relative;
    EXPECT_EQ(testing::ReadBytes((library / relative).string()), testing::ReadBytes(entry.path().string())) << relative;
  }
  EXPECT_GT(files, 50u);
  EXPECT_EQ(testing::ReadBytes((library / "user/mine.tw").string()), "[Voice]\nVolume=0.5\n");
  // No copy in the making is left behind.
  for (const fs::directory_entry& entry : fs::directory_iterator(library))
    EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();

  testing::ProgramOptions options;
  options.environment["BRELIX_LIBRARY"] = library.string();
  const testing::ProgramRun list = testing::RunProgram(BRELIX_RENDER_PATH, {"--list-patches"}, options);
  EXPECT_EQ(list.exit_code, 0) << list.err;
  for (const char* family : {"basses/", "pads/", "effects-and-noise/"})
    EXPECT_NE(list.out.find(std::string("\n") + family + "\n"), std::string::npos) << list.out;
  EXPECT_EQ(list.out.find("user/"), std::string::npos);
  EXPECT_EQ(list.out.find("samples/"), std::string::npos);
}

}  // namespace
}  // namespace brelix
