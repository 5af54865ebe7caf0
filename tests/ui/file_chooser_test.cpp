// The built-in file dialog without its window: what a folder lists under each filter, moving
// between folders, and what OK makes of a typed name when opening and when saving.
#include "ui/file_chooser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace brelix::ui {
namespace {

using testing::TempFolder;
using testing::WriteBytes;
using Step = TFileChooser::Step;

const char* const kPatchFilter = "TolvenSoftworks Patch Files (*.tw)|*.tw|All Files (*.*)|*.*";

FileDialogOptions Options(const std::string& file_name, bool save) {
  FileDialogOptions o;
  o.title = save ? "Save Patch" : "Load Patch";
  o.filter = kPatchFilter;
  o.default_extension = "tw";
  o.file_name = file_name;
  o.must_exist = !save;
  o.overwrite_prompt = save;
  return o;
}

std::vector<std::string> Names(const TFileChooser& chooser) {
  std::vector<std::string> names;
  for (const FolderEntry& e : chooser.Entries()) names.push_back(e.folder ? e.name + "/" : e.name);
  return names;
}

class FileChooser : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"Bass.tw", "lead.TW", "notes.txt", ".hidden.tw", "README"})
      WriteBytes(folder_.file(name), "[Voice]\r\n");
    std::filesystem::create_directories(folder_.file("Kits"));
    std::filesystem::create_directories(folder_.file("alpha"));
    WriteBytes(folder_.file("Kits/Drum.tw"), "");
  }
  std::string Dir() const { return folder_.path().string(); }
  TempFolder folder_;
};

TEST_F(FileChooser, ListsFoldersThenMatchingFilesAndSwitchesToAllFiles) {
  TFileChooser chooser(Options(folder_.file("Bass.tw"), false), false);
  EXPECT_EQ(chooser.Folder(), Dir());
  EXPECT_EQ(Names(chooser), (std::vector<std::string>{"../", "alpha/", "Kits/", "Bass.tw", "lead.TW"}));
  // The proposed file is selected and named.
  EXPECT_EQ(chooser.Selected(), 3);
  EXPECT_EQ(chooser.Name(), "Bass.tw");
  chooser.NextFilter();
  EXPECT_EQ(chooser.Filters()[static_cast<size_t>(chooser.FilterIndex())].name, "All Files (*.*)");
  EXPECT_EQ(Names(chooser),
            (std::vector<std::string>{"../", "alpha/", "Kits/", "Bass.tw", "lead.TW", "notes.txt", "README"}));
  chooser.NextFilter();  // around to the first
  EXPECT_EQ(Names(chooser).size(), 5u);
}

TEST_F(FileChooser, EntersFoldersAndGoesBackToTheParentWithTheFolderSelected) {
  // A proposed file in a folder that is gone starts at the nearest folder that exists.
  TFileChooser chooser(Options(folder_.file("gone/deeper/x.tw"), false), false);
  EXPECT_EQ(chooser.Folder(), Dir());
  chooser.Select(2);  // "Kits"
  EXPECT_EQ(chooser.ActivateSelected(), Step::Stay);
  EXPECT_EQ(chooser.Folder(), folder_.file("Kits"));
  EXPECT_EQ(Names(chooser), (std::vector<std::string>{"../", "Drum.tw"}));
  chooser.Parent();
  EXPECT_EQ(chooser.Folder(), Dir());
  EXPECT_EQ(chooser.Selected(), 2);
  chooser.Select(0);  // ".."
  EXPECT_EQ(chooser.ActivateSelected(), Step::Stay);
  EXPECT_EQ(chooser.Folder(), folder_.path().parent_path().string());
  // A file taken from the list is the answer.
  TFileChooser open(Options(folder_.file("Bass.tw"), false), false);
  open.MoveSelection(1);
  EXPECT_EQ(open.ActivateSelected(), Step::Done);
  EXPECT_EQ(open.Chosen(), folder_.file("lead.TW"));
}

TEST_F(FileChooser, OkTakesTheTypedName) {
  struct Case {
    bool save;
    std::string name;
    Step step;
    std::string chosen;  // for Done and ConfirmReplace
    std::string message;
  };
  const Case cases[] = {
      {false, "Bass", Step::Done, "Bass.tw", ""},  // the default extension, since only that exists
      {false, "lead.TW", Step::Done, "lead.TW", ""},
      {false, "Missing", Step::Stay, "", "File not found."},
      {false, "", Step::Stay, "", "Type a file name or choose a file."},
      {true, "New", Step::Done, "New.tw", ""},
      {true, "Bass", Step::ConfirmReplace, "Bass.tw", ""},
      {true, "Kits/Snare", Step::Done, "Kits/Snare.tw", ""},
      {true, "nowhere/Snare", Step::Stay, "", "Folder not found."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE((c.save ? "save " : "open ") + c.name);
    TFileChooser chooser(Options(folder_.file("Bass.tw"), c.save), c.save);
    chooser.SetName(c.name);
    EXPECT_EQ(chooser.Accept(), c.step);
    if (c.step != Step::Stay) EXPECT_EQ(chooser.Chosen(), folder_.file(c.chosen));
    EXPECT_EQ(chooser.Message(), c.message);
  }
  // A typed folder is entered, by its full name too.
  TFileChooser chooser(Options("", true), true);
  chooser.SetName(folder_.file("Kits"));
  EXPECT_EQ(chooser.Accept(), Step::Stay);
  EXPECT_EQ(chooser.Folder(), folder_.file("Kits"));
  EXPECT_EQ(chooser.Name(), "");
}

}  // namespace
}  // namespace brelix::ui
