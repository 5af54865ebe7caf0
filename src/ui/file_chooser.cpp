#include "ui/file_chooser.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <strings.h>

#include "ui/file_dialog_program.h"

namespace brelix::ui {

namespace {

bool IsFolder(const std::string& path) {
  struct stat info{};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat info{};
  return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string ParentOf(const std::string& folder) {
  const size_t slash = folder.rfind('/');
  if (slash == std::string::npos || slash == 0) return "/";
  return folder.substr(0, slash);
}

// `path` without trailing slashes ("/" stays).
std::string Trimmed(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The nearest existing folder at or above `path`; the home folder (or the root) when none.
std::string ExistingFolder(std::string path) {
  if (path.empty() || path.front() != '/') {
    const char* home = std::getenv("HOME");
    path = home != nullptr && *home == '/' ? home : "/";
  }
  path = Trimmed(path);
  while (path != "/" && !IsFolder(path)) path = ParentOf(path);
  return path;
}

bool NameLess(const FolderEntry& a, const FolderEntry& b) {
  const int c = ::strcasecmp(a.name.c_str(), b.name.c_str());
  return c != 0 ? c < 0 : a.name < b.name;
}

}  // namespace

std::vector<FolderEntry> ListFolder(const std::string& folder, const FileFilter& filter) {
  std::vector<FolderEntry> folders, files;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.empty() || name.front() == '.') continue;
      const std::string path = (folder == "/" ? "" : folder) + "/" + name;
      if (IsFolder(path))
        folders.push_back({name, true});
      else if (MatchesFilter(filter, name))
        files.push_back({name, false});
    }
    ::closedir(dir);
  }
  std::sort(folders.begin(), folders.end(), NameLess);
  std::sort(files.begin(), files.end(), NameLess);
  std::vector<FolderEntry> entries;
  if (folder != "/") entries.push_back({"..", true});
  entries.insert(entries.end(), folders.begin(), folders.end());
  entries.insert(entries.end(), files.begin(), files.end());
  return entries;
}

TFileChooser::TFileChooser(const FileDialogOptions& options, bool save)
    : options_(options), save_(save), title_(options.title) {
  filters_ = ParseFileFilter(options.filter, options.filter_index);
  if (filters_.empty()) filters_.push_back({"All Files", {"*"}});
  // The proposed file: its folder is where the dialog starts, its name is in the name box.
  std::string start = options.initial_dir;
  const std::string& proposed = options.file_name;
  if (!proposed.empty()) {
    const size_t slash = proposed.rfind('/');
    if (slash == std::string::npos) {
      name_ = proposed;
    } else {
      if (proposed.front() == '/') start = proposed.substr(0, slash + 1);
      name_ = proposed.substr(slash + 1);
    }
  }
  if (start.empty()) {
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd) != nullptr) start = cwd;
  }
  Enter(ExistingFolder(start));
  // The proposed file is selected when the list shows it.
  for (size_t i = 0; i < entries_.size(); ++i)
    if (!entries_[i].folder && entries_[i].name == name_) selected_ = static_cast<int>(i);
}

void TFileChooser::Enter(const std::string& folder) {
  folder_ = Trimmed(folder);
  message_.clear();
  Refresh();
  selected_ = entries_.empty() ? -1 : 0;
}

void TFileChooser::Refresh() {
  entries_ = ListFolder(folder_, filters_[static_cast<size_t>(filter_)]);
  if (selected_ >= static_cast<int>(entries_.size())) selected_ = static_cast<int>(entries_.size()) - 1;
}

std::string TFileChooser::InFolder(const std::string& name) const {
  if (!name.empty() && name.front() == '/') return name;
  return (folder_ == "/" ? "" : folder_) + "/" + name;
}

void TFileChooser::Select(int index) {
  if (entries_.empty()) return;
  selected_ = std::clamp(index, 0, static_cast<int>(entries_.size()) - 1);
  const FolderEntry& entry = entries_[static_cast<size_t>(selected_)];
  if (!entry.folder) name_ = entry.name;
}

void TFileChooser::MoveSelection(int lines) { Select(selected_ < 0 ? 0 : selected_ + lines); }

TFileChooser::Step TFileChooser::ActivateSelected() {
  if (selected_ < 0 || selected_ >= static_cast<int>(entries_.size())) return Accept();
  const FolderEntry entry = entries_[static_cast<size_t>(selected_)];
  if (entry.name == "..") {
    Parent();
    return Step::Stay;
  }
  if (entry.folder) {
    Enter(InFolder(entry.name));
    return Step::Stay;
  }
  name_ = entry.name;
  return Accept();
}

void TFileChooser::Parent() {
  if (folder_ == "/") return;
  const std::string left = folder_.substr(folder_.rfind('/') + 1);
  Enter(ParentOf(folder_));
  // The folder just left stays selected, so that Enter goes back into it.
  for (size_t i = 0; i < entries_.size(); ++i)
    if (entries_[i].folder && entries_[i].name == left) selected_ = static_cast<int>(i);
}

void TFileChooser::NextFilter() {
  filter_ = (filter_ + 1) % static_cast<int>(filters_.size());
  Refresh();
}

void TFileChooser::SetName(std::string name) {
  name_ = std::move(name);
  message_.clear();
}

TFileChooser::Step TFileChooser::Accept() {
  message_.clear();
  if (name_.empty()) {
    if (selected_ >= 0 && entries_[static_cast<size_t>(selected_)].folder) return ActivateSelected();
    message_ = "Type a file name or choose a file.";
    return Step::Stay;
  }
  const std::string path = InFolder(name_);
  if (IsFolder(path)) {
    name_.clear();
    Enter(path);
    return Step::Stay;
  }
  const std::string with_extension = WithDefaultExtension(path, options_.default_extension);
  if (!save_) {
    // A name typed without extension means the file with the default one, if only that exists.
    if (IsFile(path)) {
      chosen_ = path;
    } else if (IsFile(with_extension)) {
      chosen_ = with_extension;
    } else if (options_.must_exist) {
      message_ = "File not found.";
      return Step::Stay;
    } else {
      chosen_ = path;
    }
    return Step::Done;
  }
  if (!IsFolder(ParentOf(with_extension))) {
    message_ = "Folder not found.";
    return Step::Stay;
  }
  chosen_ = with_extension;
  if (IsFolder(chosen_)) {
    message_ = "That name is a folder.";
    return Step::Stay;
  }
  return options_.overwrite_prompt && IsFile(chosen_) ? Step::ConfirmReplace : Step::Done;
}

}  // namespace brelix::ui
