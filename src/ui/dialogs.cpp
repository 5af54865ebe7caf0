#include "ui/dialogs.h"

#include <atomic>
#include <iostream>

namespace brelix {

namespace {
HeadlessDialogs headless;
std::atomic<IDialogs*> current{nullptr};
}  // namespace

void SetDialogs(IDialogs* dialogs) { current = dialogs; }

IDialogs& Dialogs() {
  IDialogs* dialogs = current;
  return dialogs != nullptr ? *dialogs : headless;
}

bool HeadlessDialogs::AskYesNo(std::string_view text) {
  std::cerr << text << " (no display: answered No)\n";
  return false;
}

std::optional<std::string> HeadlessDialogs::OpenFile(const FileDialogOptions&) { return std::nullopt; }

std::optional<std::string> HeadlessDialogs::SaveFile(const FileDialogOptions&) { return std::nullopt; }

}  // namespace brelix
