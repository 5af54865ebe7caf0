#include "base/messages.h"
#include "base/printable_text.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "base/host_call.h"
#include "plugin/plugin_module.h"

namespace brelix {

namespace {

StderrMessageBoxes stderr_boxes;
std::atomic<IMessageBoxes*> current_boxes{nullptr};
std::atomic<IMessageBoxes*> default_boxes{nullptr};

// One write per message so that lines of messages from several threads do not interleave.
void WriteToStderr(const std::string& text) {
  std::string line = text + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void SetMessageBoxes(IMessageBoxes* boxes) { current_boxes.store(boxes); }

void SetDefaultMessageBoxes(IMessageBoxes* boxes) { default_boxes.store(boxes); }

void ShowMessageBox(std::string_view text) {
  if (!InHostCall()) {
    MessageBoxes().ShowMessageBox(text);
    return;
  }
  MessageBoxes().ShowNotice(text);
  if (INoticeSink* notices = HostCallNotices()) notices->PostNotice(text);
}

void IMessageBoxes::ShowNotice(std::string_view text) { WriteToStderr(MessageAsPlainText(text)); }

void ShowLibraryMessage(std::string_view text) { ShowMessageBox(PrintableText(ModuleFileName) + "\r\r" + std::string(text)); }

IMessageBoxes& MessageBoxes() {
  IMessageBoxes* boxes = current_boxes.load();
  if (boxes == nullptr) boxes = default_boxes.load();
  return boxes != nullptr ? *boxes : stderr_boxes;
}

std::string MessageAsPlainText(std::string_view text) {
  std::string plain;
  plain.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      plain += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '\r') {
      plain += "\n\n";
      ++i;
    } else {
      plain += '\n';
    }
  }
  return plain;
}

// Without a display nobody waits for a message either.
void StderrMessageBoxes::ShowMessageBox(std::string_view text) { ShowNotice(text); }

// A progress box is transient: on a screen it comes and goes, but a line on standard error would
// stay in every host's log for each instance made. Without a display it shows nothing.
std::unique_ptr<WaitBox> StderrMessageBoxes::ShowWaitBox(std::string_view) {
  return std::make_unique<WaitBox>();
}

}  // namespace brelix
