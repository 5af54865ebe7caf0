// Page Up and Page Down: which patch file of the folder comes before and after the current one,
// and which keys step while which widget has the focus.
#include "editor/patch_stepping.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/edit.h"
#include "toolkit/list_box.h"
#include "support/temp_folder.h"
#include "ui/input.h"

namespace brelix {
namespace {

// From `current` one `step` on: the patch file expected there, none at an end.
struct Case {
  std::string current;
  int step;
  std::optional<std::string> expected;
};

TEST(PatchStepping, NeighboursAreThePatchFilesOfTheFolderInNameOrder) {
  testing::TempFolder folder;
  for (const char* name : {"b-lead.tw", "a-bass.tw", "d-pad.tw", "c-notes.txt"}) testing::WriteBytes(folder.file(name), "");
  std::filesystem::create_directories(folder.path() / "c-folder.tw");  // a folder is no patch
  const std::vector<Case> cases = {
      {folder.file("b-lead.tw"), 1, folder.file("d-pad.tw")},
      {folder.file("b-lead.tw"), -1, folder.file("a-bass.tw")},
      {folder.file("d-pad.tw"), 1, std::nullopt},   // the last: no wrapping
      {folder.file("a-bass.tw"), -1, std::nullopt},  // the first
      {folder.file("Init.tw"), 1, folder.file("a-bass.tw")},  // not saved yet: its place by name
      {folder.file("c.tw"), -1, folder.file("b-lead.tw")},
      {folder.file("gone/x.tw"), 1, std::nullopt},  // a folder that cannot be listed
      {"lone.tw", 1, std::nullopt},                 // no folder
  };
  for (const Case& c : cases) EXPECT_EQ(NeighbourPatchFile(c.current, c.step), c.expected) << c.current << " " << c.step;
}

TEST(PatchStepping, InTheLibraryTheKeysStepAcrossTheFamiliesInOrder) {
  testing::TempFolder library;
  const auto add = [&](const std::string& name) {
    std::filesystem::create_directories(library.path() / std::filesystem::path(name).parent_path());
    testing::WriteBytes(library.file(name), "");
  };
  for (const char* name : {"basses/a-bass.tw", "basses/z-bass.tw", "keys/organ.tw", "pads/pad.tw", "user/mine.tw",
                           "user/yours.tw", "samples/bell.wav"})
    add(name);
  const std::string lib = library.path().string();
  const std::vector<Case> cases = {
      {library.file("basses/a-bass.tw"), 1, library.file("basses/z-bass.tw")},
      {library.file("basses/z-bass.tw"), 1, library.file("keys/organ.tw")},  // into the next family
      {library.file("keys/organ.tw"), -1, library.file("basses/z-bass.tw")},
      {library.file("keys/organ.tw"), 1, library.file("pads/pad.tw")},       // samples and user are no family
      {library.file("pads/pad.tw"), 1, std::nullopt},                        // the last: no wrapping
      {library.file("basses/a-bass.tw"), -1, std::nullopt},
      {library.file("keys/Init.tw"), -1, library.file("basses/z-bass.tw")},  // not saved yet: its place by name
      {library.file("user/mine.tw"), 1, library.file("user/yours.tw")},      // the user's folder: as any folder
      {library.file("user/yours.tw"), 1, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NeighbourPatchFile(c.current, c.step, lib), c.expected) << c.current << " " << c.step;
  // Without the library the family folder is a folder like any other.
  EXPECT_EQ(NeighbourPatchFile(library.file("basses/z-bass.tw"), 1), std::nullopt);
}

TEST(PatchStepping, PageKeysStepUnlessAValueBoxHasTheFocus) {
  TEdit edit(nullptr);
  TListBox list(nullptr);
  EXPECT_EQ(PatchStepOfKey(ui::keys::kPageUp, nullptr), -1);
  EXPECT_EQ(PatchStepOfKey(ui::keys::kPageDown, nullptr), 1);
  EXPECT_EQ(PatchStepOfKey(ui::keys::kTab, nullptr), 0);
  EXPECT_EQ(PatchStepOfKey(ui::keys::kPageDown, &edit), 0);
  EXPECT_EQ(PatchStepOfKey(ui::keys::kPageUp, &list), 0);
}

}  // namespace
}  // namespace brelix
