#include "synth/patch_dialog_folders.h"

#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <optional>
#include <system_error>

#include "patch/file_io.h"
#include "patch/file_names.h"
#include "patch/patch_library.h"
#include "plugin/plugin_module.h"
#include "synth/patch_dialogs.h"
#include "synth/synthesizer.h"

namespace brelix {

namespace {

// The folder last chosen by any instance in the process (all of them run on the host's
// user-interface thread, but a host may have more than one).
std::mutex process_folder_mutex;
std::string process_folder;

bool IsFolder(const std::string& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_directory(path, error);
}

std::optional<std::string> Library() { return FindPatchLibrary(PluginDirectory); }

// The patch's own file is known unless it is the default patch file an instance starts with and
// that does not exist (a new patch's name in an existing folder, "Init.tw", counts).
bool KnownPatchFile(const std::string& patch_file) {
  if (FileExists(patch_file)) return true;
  return patch_file != PluginDirectory + kDefaultPatchFileName && IsFolder(FolderOf(patch_file));
}

// A folder a new patch may go to: one the user can write, outside the library.
bool SavingFolder(const std::string& folder) {
  if (!IsFolder(folder) || ::access(folder.c_str(), W_OK) != 0) return false;
  const std::optional<std::string> library = Library();
  return !library || !InPatchLibrary(*library, folder + "/x.tw");
}

std::optional<std::string> MadeUserPatchFolder() {
  const std::optional<std::string> folder = UserPatchFolder();
  if (!folder) return std::nullopt;
  std::error_code error;
  std::filesystem::create_directories(*folder, error);
  if (error || !IsFolder(*folder)) return std::nullopt;
  return folder;
}

}  // namespace

std::string TPatchDialogFolders::LastFolder() const {
  if (!last_folder_.empty()) return last_folder_;
  std::lock_guard lock(process_folder_mutex);
  return process_folder;
}

void TPatchDialogFolders::Remember(const std::string& chosen_file) {
  const std::string folder = FolderOf(chosen_file);
  if (folder.empty()) return;
  last_folder_ = folder;
  std::lock_guard lock(process_folder_mutex);
  process_folder = folder;
}

FileDialogOptions TPatchDialogFolders::LoadOptions(const std::string& patch_file) const {
  FileDialogOptions options = PatchFileDialogOptions(false, patch_file);
  if (KnownPatchFile(patch_file)) return options;
  std::string start = LastFolder();
  if (!IsFolder(start)) start = Library().value_or("");
  if (!start.empty()) {
    options.initial_dir = start;
    options.file_name.clear();
  }
  return options;
}

FileDialogOptions TPatchDialogFolders::SaveOptions(const std::string& patch_file, bool propose_name) const {
  FileDialogOptions options = PatchFileDialogOptions(true, patch_file);
  std::string folder = FolderOf(patch_file);
  if (!KnownPatchFile(patch_file) || !SavingFolder(folder)) {
    if (const std::string last = LastFolder(); SavingFolder(last)) {
      folder = last;
    } else if (const std::optional<std::string> user = MadeUserPatchFolder()) {
      folder = *user;
    }
    options.file_name = FileNameOnly(patch_file);
  }
  if (!propose_name) options.file_name.clear();
  if (options.file_name.find('/') == std::string::npos) options.initial_dir = folder;
  return options;
}

}  // namespace brelix
