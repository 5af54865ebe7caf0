#include "patch/patch_library.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/user_folders.h"

namespace brelix {

namespace fs = std::filesystem;

namespace {

constexpr const char* kPatchExtension = ".tw";
constexpr const char* kLibraryUnderData = "/brelix/patches";

// The folder's absolute name without "." or ".." parts or a trailing "/".
fs::path NormalFolder(const std::string& folder) {
  std::error_code error;
  fs::path path = fs::absolute(folder, error).lexically_normal();
  if (!path.has_filename() && path.has_relative_path()) path = path.parent_path();
  return path;
}

// The installation prefix of a folder: the folder above its nearest "lib", "lib64" or "bin".
std::optional<fs::path> InstallationPrefix(const std::string& installed_folder) {
  if (installed_folder.empty()) return std::nullopt;
  for (fs::path folder = NormalFolder(installed_folder); folder.has_relative_path(); folder = folder.parent_path()) {
    const std::string name = folder.filename().string();
    if (name == "lib" || name == "lib64" || name == "bin") return folder.parent_path();
  }
  return std::nullopt;
}

std::vector<fs::path> SortedEntries(const fs::path& folder, bool folders) {
  std::vector<fs::path> entries;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::error_code kind_error;
    const bool is_folder = it->is_directory(kind_error);
    if (kind_error) continue;
    if (folders ? is_folder : it->is_regular_file(kind_error) && it->path().extension() == kPatchExtension)
      entries.push_back(it->path());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

bool IsPlainName(const std::string& part) { return !part.empty() && part != "." && part != ".."; }

}  // namespace

std::vector<std::string> PatchLibraryCandidates(const std::string& installed_folder) {
  std::vector<std::string> candidates;
  if (const char* named = std::getenv(kLibraryVariable); named != nullptr && *named != '\0') candidates.push_back(named);
  if (const std::optional<fs::path> prefix = InstallationPrefix(installed_folder))
    candidates.push_back(prefix->string() + "/share" + kLibraryUnderData);
  if (const std::optional<std::string> data = UserDataFolder()) candidates.push_back(*data + kLibraryUnderData);
  for (const std::string& data : SystemDataFolders()) candidates.push_back(data + kLibraryUnderData);
  return candidates;
}

std::optional<std::string> FindPatchLibrary(const std::string& installed_folder) {
  for (const std::string& candidate : PatchLibraryCandidates(installed_folder))
    if (!LibraryPatches(candidate).empty()) return NormalFolder(candidate).string();
  return std::nullopt;
}

std::vector<LibraryPatch> LibraryPatches(const std::string& library) {
  std::vector<LibraryPatch> patches;
  for (const fs::path& family : SortedEntries(library, true)) {
    if (family.filename() == kUserPatchFolderName) continue;
    for (const fs::path& file : SortedEntries(family, false))
      patches.push_back({family.filename().string(), file.stem().string(), file.string()});
  }
  return patches;
}

std::optional<std::string> FindLibraryPatch(const std::string& library, const std::string& name) {
  std::string wanted = name;
  if (!wanted.ends_with(kPatchExtension)) wanted += kPatchExtension;
  const size_t slash = wanted.find('/');
  const std::string family = slash == std::string::npos ? std::string() : wanted.substr(0, slash);
  const std::string file = slash == std::string::npos ? wanted : wanted.substr(slash + 1);
  if (!IsPlainName(file) || file.find('/') != std::string::npos) return std::nullopt;
  if (slash != std::string::npos && (!IsPlainName(family) || family == kUserPatchFolderName)) return std::nullopt;
  for (const LibraryPatch& patch : LibraryPatches(library)) {
    if ((family.empty() || patch.Family == family) && fs::path(patch.File).filename() == file) return patch.File;
  }
  return std::nullopt;
}

bool InPatchLibrary(const std::string& library, const std::string& file) {
  const fs::path family = NormalFolder(file).parent_path();
  return family.has_relative_path() && family.filename() != kUserPatchFolderName &&
         family.parent_path() == NormalFolder(library);
}

std::optional<std::string> UserPatchFolder() {
  const std::optional<std::string> data = UserDataFolder();
  if (!data) return std::nullopt;
  return *data + kLibraryUnderData + "/" + kUserPatchFolderName;
}

}  // namespace brelix
