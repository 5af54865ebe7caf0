// The plug-in's user-visible messages: a modal message box with one OK button for errors, and a
// progress box shown while a long step runs. The boxes are a replaceable service: windows where
// there is a display, standard error where there is none, a recorder in tests. Inside a host's
// call (base/host_call.h) no box waits for a click: a message there is a notice instead.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace brelix {

// A shown progress box. Close takes it down; an implementation also closes a box that is still
// shown when its handle is destroyed.
class WaitBox {
 public:
  WaitBox() = default;
  virtual ~WaitBox() = default;
  WaitBox(const WaitBox&) = delete;
  WaitBox& operator=(const WaitBox&) = delete;
  virtual void Close() {}
};

class IMessageBoxes {
 public:
  virtual ~IMessageBoxes() = default;
  // Returns after the user has closed the box. The texts separate paragraphs with "\r\r".
  virtual void ShowMessageBox(std::string_view text) = 0;
  // Shows `text` + " ..." until the returned box is closed.
  virtual std::unique_ptr<WaitBox> ShowWaitBox(std::string_view text) = 0;
  // A message nobody waits for, raised inside a host's call: on standard error, as a message
  // without a display is (the open editor is told through the call's notice sink).
  virtual void ShowNotice(std::string_view text);
};

// The boxes every caller in the process uses. `boxes` stays the caller's and must outlive its
// use; none restores the default boxes.
void SetMessageBoxes(IMessageBoxes* boxes);
IMessageBoxes& MessageBoxes();

// The boxes used while none are set: the windows of the desktop once it has been found
// (ui/desktop_services.h), the standard-error boxes before and without one (none).
void SetDefaultMessageBoxes(IMessageBoxes* boxes);

// The message box; inside a host's call the notice instead, also handed to the call's notice sink.
void ShowMessageBox(std::string_view text);
inline std::unique_ptr<WaitBox> ShowWaitBox(std::string_view text) {
  return MessageBoxes().ShowWaitBox(text);
}

// A failure of an operation the user or the host asked for, in the form every such message has:
// the library's full file name, a blank line, the text.
void ShowLibraryMessage(std::string_view text);

// The boxes without a display: each message goes to standard error as one block of text, every
// "\r\r" as a blank line; a progress box shows nothing.
class StderrMessageBoxes : public IMessageBoxes {
 public:
  void ShowMessageBox(std::string_view text) override;
  std::unique_ptr<WaitBox> ShowWaitBox(std::string_view text) override;
};

// `text` with each "\r\r" turned into a blank line ("\n\n") and any other "\r" into a line break.
std::string MessageAsPlainText(std::string_view text);

}  // namespace brelix
