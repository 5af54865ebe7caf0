// The plug-in's questions to the user: a Yes/No warning box, a Yes/No/Cancel question and the
// open and save file dialogs. A replaceable service like the message boxes: windows and a dialog
// program where there is a display, headless answers where there is none (No; cancelled), a
// script in tests.
//
// A file dialog and the Yes/No/Cancel question can run while their caller goes on
// (StartFileDialog, StartQuestion): the editor starts one from a click and returns to the host,
// and its idle calls poll the run until the user has answered.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace brelix {

struct FileDialogOptions {
  std::string title;             // "Save Patch"
  std::string filter;            // "Name (*.tw)|*.tw|All Files (*.*)|*.*": name|patterns pairs
  int filter_index = 1;          // the filter selected first, from 1
  std::string default_extension; // "tw", added when the user types a name without one
  std::string initial_dir;
  std::string file_name;         // preset name, empty for none
  bool must_exist = false;       // open: only an existing file can be chosen
  bool overwrite_prompt = false; // save: ask before replacing an existing file
};

// The answer to a Yes/No/Cancel question.
enum class QuestionAnswer { Yes, No, Cancel };

// A dialog or question in progress, whose answer is an `AnswerType`.
template <class AnswerType>
class IDialogRun {
 public:
  // A dialog still open is closed (its window destroyed, its program ended and reaped): the
  // answer is lost, as if cancelled.
  virtual ~IDialogRun() = default;
  // Handles what has arrived for the dialog, without waiting; true once the user has answered.
  virtual bool Poll() = 0;
  // The answer; meaningful once Poll is true.
  virtual AnswerType Answer() const = 0;
};

// A file dialog's answer: the chosen file's full name, or none when the user cancelled.
using IFileDialogRun = IDialogRun<std::optional<std::string>>;
using IQuestionRun = IDialogRun<QuestionAnswer>;

// A run that is over before it starts: the answer of a dialog that did not need to wait.
template <class AnswerType>
class FinishedDialogRun : public IDialogRun<AnswerType> {
 public:
  explicit FinishedDialogRun(AnswerType answer) : answer_(std::move(answer)) {}
  bool Poll() override { return true; }
  AnswerType Answer() const override { return answer_; }

 private:
  AnswerType answer_;
};
using FinishedFileDialogRun = FinishedDialogRun<std::optional<std::string>>;
using FinishedQuestionRun = FinishedDialogRun<QuestionAnswer>;

class IDialogs {
 public:
  virtual ~IDialogs() = default;
  // True for Yes. The text is the question as the caller wrote it.
  virtual bool AskYesNo(std::string_view text) = 0;
  // The chosen file's full name, or none when the user cancelled.
  virtual std::optional<std::string> OpenFile(const FileDialogOptions& options) = 0;
  virtual std::optional<std::string> SaveFile(const FileDialogOptions& options) = 0;
  // Starts an open (or, with `save`, a save) dialog and returns at once. `owner` is the X window
  // the dialog belongs to (0: none). By default the dialog runs to its end here and the run comes
  // back finished, which is what scripted and headless answers want.
  virtual std::unique_ptr<IFileDialogRun> StartFileDialog(const FileDialogOptions& options, bool save,
                                                          unsigned long owner);
  // Starts a warning question with the buttons Yes, No and Cancel and returns at once; `owner` as
  // above. By default the question is AskYesNo's, run to its end here: Yes or No.
  virtual std::unique_ptr<IQuestionRun> StartQuestion(std::string_view text, unsigned long owner);
};

// The dialogs every caller in the process uses; `dialogs` stays the caller's and must outlive
// its use; none restores the default dialogs. Inside a host's call (base/host_call.h) every
// question is answered No and every file dialog cancelled, whatever is set.
void SetDialogs(IDialogs* dialogs);
IDialogs& Dialogs();

// The dialogs used while none are set: the desktop's once it has been found
// (ui/desktop_services.h), the headless ones before and without one (none).
void SetDefaultDialogs(IDialogs* dialogs);

// Without a display: every question is answered No and every file dialog is cancelled, so a
// caller takes its "keep what the user has" path.
class HeadlessDialogs : public IDialogs {
 public:
  bool AskYesNo(std::string_view text) override;
  std::optional<std::string> OpenFile(const FileDialogOptions& options) override;
  std::optional<std::string> SaveFile(const FileDialogOptions& options) override;
};

}  // namespace brelix
