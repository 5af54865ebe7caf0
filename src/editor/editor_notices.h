// The notices of the host's calls shown in the open editor: what a project save or restore could
// not write or read (a patch file that refused the write, a sample that is no WAV file) is queued
// by the host's call, which returns at once, and shown at the editor's next idle call in a
// message box that does not hold anyone: it stays on the screen beside the editor until its OK
// button is pressed, while the host and the editor go on. One box at a time; the next notice
// follows when it is closed.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "base/host_call.h"

namespace brelix {

namespace ui {
class TMsgBox;
}

class TEditorNotices : public INoticeSink {
 public:
  TEditorNotices();
  ~TEditorNotices();
  TEditorNotices(const TEditorNotices&) = delete;
  TEditorNotices& operator=(const TEditorNotices&) = delete;

  // Any thread but the audio thread. Taken only while the editor is open; a text already
  // waiting or shown is not queued again (a host's autosave repeats the same failure).
  void PostNotice(std::string_view text) override;

  // The user-interface thread's calls: the editor opened or closed (closing takes the shown box
  // down and drops what waits), and its idle call, which lets a box closed by its OK button go and
  // shows the next notice.
  void EditorOpened();
  void EditorClosed();
  void Idle();

 private:
  static constexpr size_t kMaxWaiting = 8;

  std::mutex mutex_;  // guards open_, waiting_ and shown_
  bool open_ = false;
  std::deque<std::string> waiting_;
  std::string shown_;  // the text of the box on the screen
  std::unique_ptr<ui::TMsgBox> box_;  // the user-interface thread's own
};

}  // namespace brelix
