#include "ui/dialogs.h"

#include <atomic>
#include <iostream>

#include "base/host_call.h"
#include "base/printable_text.h"

namespace brelix {

namespace {
HeadlessDialogs headless;

// Inside a host's call nobody may be asked (base/host_call.h): questions are answered No and file
// dialogs cancelled, as without a display.
class HostCallDialogs : public HeadlessDialogs {
 public:
  bool AskYesNo(std::string_view text) override {
    std::cerr << PrintableText(text) + " (inside the host's call: answered No)\n";
    return false;
  }
};
HostCallDialogs inside_host_call;

std::atomic<IDialogs*> current{nullptr};
std::atomic<IDialogs*> fallback{nullptr};
}  // namespace

void SetDialogs(IDialogs* dialogs) { current = dialogs; }

void SetDefaultDialogs(IDialogs* dialogs) { fallback = dialogs; }

IDialogs& Dialogs() {
  if (InHostCall()) return inside_host_call;
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
