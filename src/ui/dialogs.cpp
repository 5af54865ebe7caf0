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

bool HeadlessDialogs::AskYesNo(std::string_view text) {
  std::cerr << text << " (no display: answered No)\n";
  return false;
}

std::optional<std::string> HeadlessDialogs::OpenFile(const FileDialogOptions&) { return std::nullopt; }

std::optional<std::string> HeadlessDialogs::SaveFile(const FileDialogOptions&) { return std::nullopt; }

}  // namespace brelix
