#include "ui/dialogs.h"

#include <atomic>
#include <iostream>

namespace brelix {

namespace {
HeadlessDialogs headless;
std::atomic<IDialogs*> current{nullptr};
std::atomic<IDialogs*> fallback{nullptr};
}  // namespace

void SetDialogs(IDialogs* dialogs) { current = dialogs; }

void SetDefaultDialogs(IDialogs* dialogs) { fallback = dialogs; }

IDialogs& Dialogs() {
  IDialogs* dialogs = current;
  if (dialogs == nullptr) dialogs = fallback;
  return dialogs != nullptr ? *dialogs : headless;
}

std::unique_ptr<IFileDialogRun> IDialogs::StartFileDialog(const FileDialogOptions& options, bool save,
                                                          unsigned long) {
  return std::make_unique<FinishedFileDialogRun>(save ? SaveFile(options) : OpenFile(options));
}

std::unique_ptr<IQuestionRun> IDialogs::StartQuestion(std::string_view text, unsigned long) {
  return std::make_unique<FinishedQuestionRun>(AskYesNo(text) ? QuestionAnswer::Yes : QuestionAnswer::No);
}

bool HeadlessDialogs::AskYesNo(std::string_view text) {
  std::cerr << text << " (no display: answered No)\n";
  return false;
}

std::optional<std::string> HeadlessDialogs::OpenFile(const FileDialogOptions&) { return std::nullopt; }

std::optional<std::string> HeadlessDialogs::SaveFile(const FileDialogOptions&) { return std::nullopt; }

}  // namespace brelix
