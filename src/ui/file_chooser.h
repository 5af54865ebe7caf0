// What the built-in file dialog shows and does, without a window: the folder, its sub-folders and
// the files that match the chosen filter, the selected line, the name box, and what OK makes of
// them. The window (ui/file_dialog_window.h) draws this and turns clicks and keys into its calls.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ui/dialogs.h"
#include "ui/file_filter.h"

namespace brelix::ui {

struct FolderEntry {
  std::string name;  // without folder; ".." for the parent
  bool folder = false;
};

// The folder's entries: ".." unless it is the root, then the sub-folders, then the files that
// match `filter`, each group sorted by name without regard to case; hidden names (".x") are left
// out. An unreadable folder has only "..".
std::vector<FolderEntry> ListFolder(const std::string& folder, const FileFilter& filter);

class TFileChooser {
 public:
  enum class Step {
    Stay,            // the dialog goes on (a folder was entered, or Message says what is wrong)
    Done,            // Chosen() is the answer
    ConfirmReplace,  // Chosen() exists: ask before it is replaced, then Done or Stay
  };

  TFileChooser(const FileDialogOptions& options, bool save);

  bool Saving() const { return save_; }
  const std::string& Title() const { return title_; }
  const std::string& Folder() const { return folder_; }
  const std::vector<FolderEntry>& Entries() const { return entries_; }
  int Selected() const { return selected_; }  // -1: none
  const std::string& Name() const { return name_; }
  const std::vector<FileFilter>& Filters() const { return filters_; }
  int FilterIndex() const { return filter_; }
  const std::string& Message() const { return message_; }
  const std::string& Chosen() const { return chosen_; }

  // Selects line `index` (clamped); a file's name goes into the name box.
  void Select(int index);
  // Moves the selection by `lines` (arrow keys, page keys).
  void MoveSelection(int lines);
  // Enter on the list or a double click: a folder is entered, a file is the answer (as OK).
  Step ActivateSelected();
  // The folder above this one (Backspace on the list).
  void Parent();
  // The next filter of the list, around to the first.
  void NextFilter();
  void SetName(std::string name);
  // OK or Enter in the name box: the typed name (a full path, or a name in the folder); a name
  // that is a folder is entered. Saving adds the default extension to a name without one.
  Step Accept();
  // Re-reads the folder.
  void Refresh();

 private:
  void Enter(const std::string& folder);
  std::string InFolder(const std::string& name) const;

  FileDialogOptions options_;
  bool save_;
  std::string title_;
  std::vector<FileFilter> filters_;
  int filter_ = 0;
  std::string folder_;  // without trailing "/", except the root
  std::vector<FolderEntry> entries_;
  int selected_ = -1;
  std::string name_;
  std::string message_;
  std::string chosen_;
};

}  // namespace brelix::ui
