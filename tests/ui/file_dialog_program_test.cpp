// The desktop's file dialogs: the dialog program's arguments, and a stand-in program that
// records how it was run and answers as the user would.
#include "ui/file_dialog_program.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/messages.h"
#include "ui/desktop_dialogs.h"
#include "ui/x11_display.h"
#include "support/scripted_ui.h"

namespace {

using brelix::FileDialogOptions;
using brelix::ui::DialogArguments;
using brelix::ui::DialogProgramKind;
using Args = std::vector<std::string>;

const char* const kPatchFilter = "TolvenSoftworks Patch Files (*.tw)|*.tw|All Files (*.*)|*.*";

FileDialogOptions Options(const char* title, const char* filter, const char* extension) {
  FileDialogOptions o;
  o.title = title;
  o.filter = filter;
  o.default_extension = extension;
  return o;
}

TEST(FileDialogProgram, ArgumentsCarryTitleFilterStartAndOverwrite) {
  FileDialogOptions load = Options("Load Patch", kPatchFilter, "tw");
  load.file_name = "/home/u/patches/Lead.tw";
  load.must_exist = true;
  FileDialogOptions save = Options("Save Patch", kPatchFilter, "tw");
  save.initial_dir = "/tmp/x";
  save.filter_index = 2;
  save.overwrite_prompt = true;
  FileDialogOptions sample = Options("Load Sample #2", "WAV Files (*.wav)|*.wav|All Files (*.*)|*.*", "wav");
  sample.initial_dir = "/s";
  sample.file_name = "a.wav";

  EXPECT_EQ(DialogArguments(DialogProgramKind::Zenity, load, false),
            (Args{"--file-selection", "--title=Load Patch", "--filename=/home/u/patches/Lead.tw",
                  "--file-filter=TolvenSoftworks Patch Files (*.tw) | *.tw *.TW", "--file-filter=All Files (*.*) | *.*"}));
  EXPECT_EQ(DialogArguments(DialogProgramKind::Zenity, save, true),
            (Args{"--file-selection", "--title=Save Patch", "--save", "--confirm-overwrite", "--filename=/tmp/x/",
                  "--file-filter=All Files (*.*) | *.*",
                  "--file-filter=TolvenSoftworks Patch Files (*.tw) | *.tw *.TW"}));
  EXPECT_EQ(DialogArguments(DialogProgramKind::KDialog, sample, false),
            (Args{"--title", "Load Sample #2", "--getopenfilename", "/s/a.wav",
                  "*.wav *.WAV|WAV Files (*.wav)\n*.*|All Files (*.*)"}));
  EXPECT_EQ(DialogArguments(DialogProgramKind::KDialog, Options("Save Patch", "", "tw"), true),
            (Args{"--title", "Save Patch", "--getsavefilename", "."}));
}

TEST(FileDialogProgram, ANameWithoutExtensionGetsTheDefaultOne) {
  struct Case {
    const char* name;
    const char* extension;
    const char* result;
  };
  const Case cases[] = {
      {"/p/Lead", "tw", "/p/Lead.tw"},        {"/p/Lead.tw", "tw", "/p/Lead.tw"},
      {"/p/Lead.txt", "tw", "/p/Lead.txt"},   {"/p.d/Lead", "tw", "/p.d/Lead.tw"},
      {"/p/Lead", "", "/p/Lead"},             {"/p/", "tw", "/p/"},
  };
  for (const Case& c : cases) EXPECT_EQ(brelix::ui::WithDefaultExtension(c.name, c.extension), c.result) << c.name;
}

using RecordingBoxes = brelix::testing::RecordedMessages;

// A stand-in "zenity" alone on PATH: it writes its arguments and the LD_LIBRARY_PATH it got into
// files, and prints the answer file's line (or exits 1, the user's cancel, without one).
class StandInDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("brelix_dialog_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_ / "bin");
    const std::string script = (dir_ / "bin" / "zenity").string();
    std::ofstream(script) << "#!/bin/sh\n"
                             "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$STAND_IN_DIR/args\"\n"
                             "printf '%s\\n' \"${LD_LIBRARY_PATH-unset}\" > \"$STAND_IN_DIR/library_path\"\n"
                             "echo $$ > \"$STAND_IN_DIR/pid\"\n"
                             "while [ -f \"$STAND_IN_DIR/hold\" ]; do /bin/sleep 0.02; done\n"
                             "if [ -f \"$STAND_IN_DIR/answer\" ]; then\n"
                             "  read -r answer < \"$STAND_IN_DIR/answer\"; printf '%s\\n' \"$answer\"; exit 0\n"
                             "fi\n"
                             "exit 1\n";
    ::chmod(script.c_str(), 0755);
    saved_path_ = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    ::setenv("PATH", (dir_ / "bin").c_str(), 1);
    ::setenv("STAND_IN_DIR", dir_.c_str(), 1);
    ::setenv("LD_LIBRARY_PATH", "/opt/host/bundled-libraries", 1);
    ::unsetenv("XDG_CURRENT_DESKTOP");
    brelix::SetMessageBoxes(&boxes_);
  }
  void TearDown() override {
    brelix::SetMessageBoxes(nullptr);
    ::setenv("PATH", saved_path_.c_str(), 1);
    ::unsetenv("LD_LIBRARY_PATH");
    std::filesystem::remove_all(dir_);
  }

  void Answer(const std::string& name) { std::ofstream(dir_ / "answer") << name << "\n"; }
  std::string Recorded(const char* file) {
    std::ifstream in(dir_ / file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::filesystem::path dir_;
  std::string saved_path_;
  RecordingBoxes boxes_;
  brelix::ui::DesktopDialogs dialogs_;
};

TEST_F(StandInDialog, SaveAddsTheDefaultExtensionAndTheProgramGetsNoHostLibraries) {
  Answer((dir_ / "New Patch").string());
  FileDialogOptions save = Options("Save Patch", kPatchFilter, "tw");
  save.overwrite_prompt = true;
  EXPECT_EQ(dialogs_.SaveFile(save), (dir_ / "New Patch.tw").string());
  EXPECT_EQ(Recorded("library_path"), "unset\n");
  EXPECT_EQ(Recorded("args"),
            "--file-selection\n--title=Save Patch\n--save\n--confirm-overwrite\n"
            "--file-filter=TolvenSoftworks Patch Files (*.tw) | *.tw *.TW\n--file-filter=All Files (*.*) | *.*\n");
  EXPECT_TRUE(boxes_.messages.empty());
}

TEST_F(StandInDialog, OpenTakesTheFileWithTheDefaultExtensionWhenOnlyThatExists) {
  std::ofstream(dir_ / "Lead.tw") << "[Patch]\n";
  Answer((dir_ / "Lead").string());
  FileDialogOptions load = Options("Load Patch", kPatchFilter, "tw");
  load.must_exist = true;
  EXPECT_EQ(dialogs_.OpenFile(load), (dir_ / "Lead.tw").string());
  Answer((dir_ / "Lead.tw").string());
  EXPECT_EQ(dialogs_.OpenFile(load), (dir_ / "Lead.tw").string());
}

TEST_F(StandInDialog, CancellingGivesNoFile) {
  EXPECT_EQ(dialogs_.OpenFile(Options("Load Patch", kPatchFilter, "tw")), std::nullopt);
  EXPECT_EQ(dialogs_.SaveFile(Options("Save Patch", kPatchFilter, "tw")), std::nullopt);
  EXPECT_TRUE(boxes_.messages.empty());
}

TEST_F(StandInDialog, WithoutADialogProgramOrADisplayTheUserIsToldAndNothingIsChosen) {
  std::filesystem::remove(dir_ / "bin" / "zenity");
  EXPECT_EQ(brelix::ui::FindDialogProgram(), std::nullopt);
  // Where a display is open the built-in dialog would serve; this process has none.
  ASSERT_EQ(brelix::ui::UiDisplay(), nullptr);
  EXPECT_EQ(dialogs_.SaveFile(Options("Save Patch", kPatchFilter, "tw")), std::nullopt);
  EXPECT_EQ(boxes_.messages,
            std::vector<std::string>{"No file dialog available:\r\rno X display for the built-in dialog."});
}

// The run polls without waiting: it answers only once the program has, and a run dropped while
// the program still shows its dialog ends and reaps it.
TEST_F(StandInDialog, AStartedDialogAnswersWhenTheProgramDoesAndADroppedOneLeavesNoProcess) {
  std::ofstream(dir_ / "hold") << "";
  Answer((dir_ / "Pad").string());
  std::unique_ptr<brelix::IFileDialogRun> run = dialogs_.StartFileDialog(Options("Save Patch", kPatchFilter, "tw"), true, 0);
  for (int i = 0; i < 20; ++i) {
    EXPECT_FALSE(run->Poll());
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  std::filesystem::remove(dir_ / "hold");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!run->Poll() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(run->Answer(), (dir_ / "Pad.tw").string());

  std::filesystem::remove(dir_ / "pid");
  std::ofstream(dir_ / "hold") << "";
  run = dialogs_.StartFileDialog(Options("Load Patch", kPatchFilter, "tw"), false, 0);
  while (!std::filesystem::exists(dir_ / "pid") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  pid_t pid = 0;
  std::ifstream(dir_ / "pid") >> pid;
  ASSERT_GT(pid, 0);
  EXPECT_FALSE(run->Poll());
  EXPECT_EQ(::kill(pid, 0), 0);  // the dialog is up
  run.reset();
  // Ended and reaped: no such process any more, not even a zombie.
  EXPECT_EQ(::kill(pid, 0), -1);
  EXPECT_EQ(errno, ESRCH);
}

}  // namespace
