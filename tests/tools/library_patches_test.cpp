// The patch library as the programs see it: brelix-render run from a folder that is not the
// source tree, with the library named by $BRELIX_LIBRARY, takes library names for --check-patch
// and --patch, and lists the library by family.
#include "library_patches.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "render_options.h"
#include "support/program_run.h"
#include "support/scoped_variable.h"
#include "support/temp_folder.h"

namespace brelix {
namespace {

namespace fs = std::filesystem;
using testing::ProgramRun;
using testing::RunProgram;

class LibraryPatches : public ::testing::Test {
 protected:
  LibraryPatches() {
    // Two families of shipped patches, the samples, and a user's folder that is no family.
    for (const char* name : {"basses/round-bass.tw", "pads/warm-pad.tw", "keys/tine-piano.tw"}) {
      fs::create_directories((library_.path() / name).parent_path());
      fs::copy_file(fs::path(BRELIX_PATCHES_DIR) / name, library_.path() / name);
    }
    fs::create_directories(library_.path() / "samples");
    fs::create_directories(library_.path() / "user");
    testing::WriteBytes(library_.file("user/mine.tw"), "[Voice]\nVolume=0.5\n");
  }
  ProgramRun Render(const std::vector<std::string>& args, bool with_library = true) {
    testing::ProgramOptions options;
    if (with_library) options.environment["BRELIX_LIBRARY"] = library_.path().string();
    return RunProgram(BRELIX_RENDER_PATH, args, options);
  }

  testing::TempFolder library_;
};

TEST_F(LibraryPatches, CheckPatchTakesLibraryNamesWhereNoSuchFileExists) {
  const std::string lib = library_.path().string();
  const struct {
    const char* given;
    std::string checked;  // the name the check reports on
  } cases[] = {
      {"pads/warm-pad", lib + "/pads/warm-pad.tw"},
      {"pads/warm-pad.tw", lib + "/pads/warm-pad.tw"},
      {"warm-pad", lib + "/pads/warm-pad.tw"},
      {"round-bass.tw", lib + "/basses/round-bass.tw"},
      // Not library names: the user's folder, another family, a way out of the library.
      {"user/mine", "user/mine"},
      {"keys/warm-pad", "keys/warm-pad"},
      {"../pads/warm-pad", "../pads/warm-pad"},
      {"samples", "samples"},
  };
  for (const auto& c : cases) {
    const ProgramRun run = Render({"--check-patch", c.given});
    const bool found = c.checked != c.given;
    EXPECT_EQ(run.exit_code, found ? 0 : 1) << c.given << "\n" << run.out << run.err;
    EXPECT_EQ(run.out.rfind(c.checked + (found ? ": a patch, no problems" : ": error:"), 0), 0u) << run.out;
  }
}

TEST_F(LibraryPatches, ListPatchesPrintsTheLibraryByFamily) {
  const ProgramRun run = Render({"--list-patches"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out, library_.path().string() +
                         "\nbasses/\n  round-bass\nkeys/\n  tine-piano\npads/\n  warm-pad\n");

  // Without a library anywhere the places looked in are named.
  testing::TempFolder empty;
  testing::ProgramOptions options;
  options.environment = {{"BRELIX_LIBRARY", std::nullopt},
                         {"XDG_DATA_HOME", empty.path().string()},
                         {"XDG_DATA_DIRS", empty.path().string()}};
  const ProgramRun none = RunProgram(BRELIX_RENDER_PATH, {"--list-patches"}, options);
  EXPECT_EQ(none.exit_code, 1);
  EXPECT_NE(none.err.find("no patch library found; looked in:\n  " + empty.path().string() + "/brelix/patches"),
            std::string::npos)
      << none.err;
}

TEST_F(LibraryPatches, APatchToPlayIsALibraryNameOnlyWhenNoSuchFileExists) {
  const testing::ScopedVariable variable("BRELIX_LIBRARY", library_.path().string());
  const auto patch_of = [](const std::string& given) {
    const std::vector<std::string> args = {"--patch", given, "song.mid"};
    return ParseRenderOptions(args).PatchPath;
  };
  EXPECT_EQ(patch_of("basses/round-bass"), library_.file("basses/round-bass.tw"));
  EXPECT_EQ(patch_of("tine-piano"), library_.file("keys/tine-piano.tw"));
  EXPECT_EQ(patch_of("no-such-patch"), "no-such-patch");  // reported as a missing file later
  // A file of that name wins over the library.
  testing::TempFolder here;
  testing::WriteBytes(here.file("warm-pad"), "");
  EXPECT_EQ(patch_of(here.file("warm-pad")), here.file("warm-pad"));
}

}  // namespace
}  // namespace brelix
