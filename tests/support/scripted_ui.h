// Stand-ins for the user: message boxes that are recorded instead of shown, and dialogs that give
// scripted answers and record the questions. Each installs itself for its lifetime.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/messages.h"
#include "ui/dialogs.h"

namespace brelix::testing {

class RecordedMessages : public IMessageBoxes {
 public:
  RecordedMessages() { SetMessageBoxes(this); }
  ~RecordedMessages() override { SetMessageBoxes(nullptr); }

  void ShowMessageBox(std::string_view text) override { messages.emplace_back(text); }
  std::unique_ptr<WaitBox> ShowWaitBox(std::string_view) override { return std::make_unique<WaitBox>(); }
  void ShowNotice(std::string_view text) override { notices.emplace_back(text); }

  std::vector<std::string> messages;
  std::vector<std::string> notices;  // raised inside a host's call
};

class ScriptedDialogs : public IDialogs {
 public:
  ScriptedDialogs() { SetDialogs(this); }
  ~ScriptedDialogs() override { SetDialogs(nullptr); }

  bool AskYesNo(std::string_view text) override {
    questions.emplace_back(text);
    return NextReply() == QuestionAnswer::Yes;
  }
  // With `stay_open`, the question waits for AnswerOpenDialog too.
  std::unique_ptr<IQuestionRun> StartQuestion(std::string_view text, unsigned long) override {
    questions.emplace_back(text);
    if (stay_open) return std::make_unique<OpenQuestion>(*this);
    return std::make_unique<FinishedQuestionRun>(NextReply());
  }
  std::optional<std::string> OpenFile(const FileDialogOptions& options) override { return Answer(options); }
  std::optional<std::string> SaveFile(const FileDialogOptions& options) override { return Answer(options); }
  // With `stay_open`, a started file dialog waits for AnswerOpenDialog, as a user takes time.
  std::unique_ptr<IFileDialogRun> StartFileDialog(const FileDialogOptions& options, bool save,
                                                  unsigned long owner) override {
    if (!stay_open) return IDialogs::StartFileDialog(options, save, owner);
    file_dialogs.push_back(options);
    return std::make_unique<OpenRun>(*this);
  }
  // The open dialog (or question) takes the next scripted answer; false when none is open.
  bool AnswerOpenDialog() {
    if (open_question_ != nullptr) {
      open_question_->answer = NextReply();
      open_question_->answered = true;
      open_question_ = nullptr;
      return true;
    }
    if (open_run_ == nullptr) return false;
    open_run_->answer = files.empty() ? std::nullopt : files.front();
    if (!files.empty()) files.pop_front();
    open_run_->answered = true;
    return true;
  }
  bool DialogOpen() const { return open_run_ != nullptr && !open_run_->answered; }
  bool QuestionOpen() const { return open_question_ != nullptr; }

  bool stay_open = false;
  int dropped_dialogs = 0;  // runs closed before they were answered

  // Answers to the questions in turn: true Yes, false No, none Cancel (No where a question has
  // no Cancel); No when none is left.
  std::deque<std::optional<bool>> yes_no;
  std::deque<std::optional<std::string>> files;     // chosen names in turn; cancelled when none
  std::vector<std::string> questions;
  std::vector<FileDialogOptions> file_dialogs;

 private:
  struct OpenRun : IFileDialogRun {
    explicit OpenRun(ScriptedDialogs& dialogs) : dialogs(dialogs) { dialogs.open_run_ = this; }
    ~OpenRun() override {
      if (dialogs.open_run_ == this) dialogs.open_run_ = nullptr;
      if (!answered) ++dialogs.dropped_dialogs;
    }
    bool Poll() override { return answered; }
    std::optional<std::string> Answer() const override { return answer; }
    ScriptedDialogs& dialogs;
    bool answered = false;
    std::optional<std::string> answer;
  };
  OpenRun* open_run_ = nullptr;

  struct OpenQuestion : IQuestionRun {
    explicit OpenQuestion(ScriptedDialogs& dialogs) : dialogs(dialogs) { dialogs.open_question_ = this; }
    ~OpenQuestion() override {
      if (dialogs.open_question_ == this) dialogs.open_question_ = nullptr;
      if (!answered) ++dialogs.dropped_dialogs;
    }
    bool Poll() override { return answered; }
    QuestionAnswer Answer() const override { return answer; }
    ScriptedDialogs& dialogs;
    bool answered = false;
    QuestionAnswer answer = QuestionAnswer::Cancel;
  };
  OpenQuestion* open_question_ = nullptr;

  QuestionAnswer NextReply() {
    if (yes_no.empty()) return QuestionAnswer::No;
    const std::optional<bool> reply = yes_no.front();
    yes_no.pop_front();
    if (!reply) return QuestionAnswer::Cancel;
    return *reply ? QuestionAnswer::Yes : QuestionAnswer::No;
  }

  std::optional<std::string> Answer(const FileDialogOptions& options) {
    file_dialogs.push_back(options);
    if (files.empty()) return std::nullopt;
    std::optional<std::string> answer = files.front();
    files.pop_front();
    return answer;
  }
};

}  // namespace brelix::testing
