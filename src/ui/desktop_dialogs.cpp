#include "ui/desktop_dialogs.h"
#include "base/printable_text.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <thread>

#include "base/messages.h"
#include "ui/file_dialog_program.h"
#include "ui/file_dialog_window.h"
#include "ui/question_box.h"
#include "ui/question_program.h"
#include "ui/x11_display.h"

namespace brelix::ui {

namespace {

constexpr int kWaitMs = 50;

bool FileExists(const std::string& name) {
  struct stat info{};
  return ::stat(name.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

// The dialog program's run. The program answers with the chosen name on its first line; what it
// cannot check itself (an extension added here, a file that must exist) starts it again.
class ProgramRun : public IFileDialogRun {
 public:
  ProgramRun(DialogProgram program, const FileDialogOptions& options, bool save)
      : program_(std::move(program)), options_(options), current_(options), save_(save), input_(kInputToNone) {}
  ~ProgramRun() override {
    child_.reset();  // ended and reaped while still running
  }

  // False when the program cannot be started.
  bool Start() {
    child_ = ChildProgram::Start(program_.path, DialogArguments(program_.kind, current_, save_));
    return child_ != nullptr;
  }

  bool Poll() override {
    if (done_) return true;
    // Our windows keep being painted meanwhile.
    DispatchPendingEvents(kInputToNone);
    if (!child_->Poll()) return false;
    Answered(child_->Result());
    return done_;
  }
  std::optional<std::string> Answer() const override { return answer_; }

 private:
  void Finish(std::optional<std::string> answer) {
    answer_ = std::move(answer);
    done_ = true;
    child_.reset();
  }

  void Again(const std::string& file_name) {
    current_.file_name = file_name;
    if (!Start()) Finish(std::nullopt);
  }

  void Answered(const ProgramOutput& output) {
    std::string chosen = output.output.substr(0, output.output.find('\n'));
    if (!chosen.empty() && chosen.back() == '\r') chosen.pop_back();
    if (output.exit_code != 0 || chosen.empty()) return Finish(std::nullopt);
    const std::string with_extension = WithDefaultExtension(chosen, options_.default_extension);
    if (!save_) {
      // A typed name without extension means the file with the default one, if only that exists.
      if (!FileExists(chosen) && FileExists(with_extension)) return Finish(with_extension);
      if (options_.must_exist && !FileExists(chosen)) {
        ShowMessageBox(PrintableText(chosen) + "\r\rFile not found.");
        return Again(chosen);
      }
      return Finish(chosen);
    }
    // The program asked about the name it returned; the extension added here makes another.
    if (options_.overwrite_prompt && with_extension != chosen && FileExists(with_extension) &&
        !AskToReplaceFile(with_extension))
      return Again(with_extension);
    Finish(with_extension);
  }

  DialogProgram program_;
  FileDialogOptions options_, current_;
  bool save_;
  InputOwnerScope input_;
  std::unique_ptr<ChildProgram> child_;
  bool done_ = false;
  std::optional<std::string> answer_;
};

bool BuiltInChosen() {
  const char* choice = std::getenv("BRELIX_FILE_DIALOG");
  return choice != nullptr && std::strcmp(choice, "builtin") == 0;
}

std::optional<std::string> RunToEnd(IFileDialogRun& run) {
  while (!run.Poll()) {
    // Our connection wakes us for the built-in dialog; a program's answer waits a moment at most.
    if (!WaitForEvents(kWaitMs) && UiDisplay() == nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMs));
  }
  return run.Answer();
}

}  // namespace

// The question is asked from destructors too: a box that cannot be made answers as without a
// display (No) instead of throwing.
bool DesktopDialogs::AskYesNo(std::string_view text) {
  try {
    return TQuestionBox::Ask(text);
  } catch (const std::exception&) {
    return HeadlessDialogs().AskYesNo(text);
  }
}

std::unique_ptr<IFileDialogRun> DesktopDialogs::StartFileDialog(const FileDialogOptions& options, bool save,
                                                                unsigned long owner) {
  if (!BuiltInChosen()) {
    if (const std::optional<DialogProgram> program = FindDialogProgram()) {
      auto run = std::make_unique<ProgramRun>(*program, options, save);
      if (run->Start()) return run;
    }
  }
  if (auto run = StartBuiltInFileDialog(options, save, owner)) return run;
  ShowMessageBox("No file dialog available:\r\rno X display for the built-in dialog.");
  return std::make_unique<FinishedFileDialogRun>(std::nullopt);
}

std::unique_ptr<IQuestionRun> DesktopDialogs::StartQuestion(std::string_view text, unsigned long owner) {
  if (!BuiltInChosen()) {
    if (const std::optional<DialogProgram> program = FindDialogProgram()) {
      if (auto run = StartQuestionProgram(*program, text, owner)) return run;
    }
  }
  if (auto run = StartBuiltInQuestion(text, owner)) return run;
  // No window can be made: the answer as without a display.
  return std::make_unique<FinishedQuestionRun>(HeadlessDialogs().AskYesNo(text) ? QuestionAnswer::Yes
                                                                               : QuestionAnswer::No);
}

std::optional<std::string> DesktopDialogs::OpenFile(const FileDialogOptions& options) {
  return RunToEnd(*StartFileDialog(options, false, 0));
}

std::optional<std::string> DesktopDialogs::SaveFile(const FileDialogOptions& options) {
  return RunToEnd(*StartFileDialog(options, true, 0));
}

}  // namespace brelix::ui
