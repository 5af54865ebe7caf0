#include "editor/editor_notices.h"

#include <algorithm>
#include <exception>

#include "ui/msg_box.h"

namespace brelix {

TEditorNotices::TEditorNotices() = default;

TEditorNotices::~TEditorNotices() = default;

void TEditorNotices::PostNotice(std::string_view text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_ || waiting_.size() >= kMaxWaiting) return;
  if (text == shown_ || std::find(waiting_.begin(), waiting_.end(), text) != waiting_.end()) return;
  waiting_.emplace_back(text);
}

void TEditorNotices::EditorOpened() {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = true;
}

void TEditorNotices::EditorClosed() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
    waiting_.clear();
    shown_.clear();
  }
  box_.reset();
}

void TEditorNotices::Idle() {
  if (box_ != nullptr && !box_->Closed()) return;
  box_.reset();
  std::string next;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    shown_.clear();
    if (waiting_.empty()) return;
    next = shown_ = std::move(waiting_.front());
    waiting_.pop_front();
  }
  // Shown, not run: the editor's idle calls deliver its clicks and keys.
  try {
    box_ = ui::TMsgBox::CreateMessageBox(next);
    box_->Show();
  } catch (const std::exception&) {
    box_.reset();  // the display went away: the notice was on standard error already
  }
}

}  // namespace brelix
