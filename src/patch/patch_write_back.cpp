#include "patch/patch_write_back.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "patch/file_names.h"
#include "patch/ini_file.h"
#include "patch/patch_file.h"

namespace brelix {

namespace {

constexpr std::string_view kPatchExtension = ".tw";

std::optional<std::string> ResolvedName(const std::string& name) {
  char resolved[PATH_MAX];
  if (::realpath(name.c_str(), resolved) == nullptr) return std::nullopt;
  return std::string(resolved);
}

bool SameFile(const struct stat& file, const std::string& other) {
  struct stat info{};
  return ::stat(other.c_str(), &info) == 0 && info.st_dev == file.st_dev && info.st_ino == file.st_ino;
}

bool EndsInPatchExtension(const std::string& name) {
  return name.size() > kPatchExtension.size() &&
         SameName(std::string_view(name).substr(name.size() - kPatchExtension.size()), kPatchExtension);
}

// "/a/./b.tw" and "/a/x/../b.tw" do not say where the file lands.
bool HasDotSteps(const std::string& name) {
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find('/', start);
    if (end == std::string::npos) end = name.size();
    const std::string_view step = std::string_view(name).substr(start, end - start);
    if (step == "." || step == "..") return true;
    start = end + 1;
  }
  return false;
}

std::optional<std::string> ExistingPatchFile(const std::string& resolved, const std::string& settings_file) {
  struct stat info{};
  if (::stat(resolved.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  if (SameFile(info, settings_file)) return std::nullopt;
  try {
    if (!ReadsAsPatch(TIniFile(resolved))) return std::nullopt;
  } catch (const std::exception&) {  // unreadable, too large, not text
    return std::nullopt;
  }
  return resolved;
}

std::optional<std::string> NewPatchFile(const std::string& name) {
  if (name.empty() || name.front() != '/' || !EndsInPatchExtension(name) || HasDotSteps(name)) return std::nullopt;
  // A link of that name that points nowhere would create its target, wherever that is.
  struct stat link{};
  if (::lstat(name.c_str(), &link) == 0 || errno != ENOENT) return std::nullopt;
  const std::optional<std::string> folder = ResolvedName(FolderOf(name));
  struct stat info{};
  if (!folder || ::stat(folder->c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
  return (*folder == "/" ? "" : *folder) + "/" + FileNameOnly(name);
}

}  // namespace

std::optional<std::string> PatchWriteBackTarget(const std::string& patch_file, const std::string& settings_file) {
  if (patch_file.empty()) return std::nullopt;
  if (const std::optional<std::string> resolved = ResolvedName(patch_file))
    return ExistingPatchFile(*resolved, settings_file);
  if (errno != ENOENT) return std::nullopt;
  return NewPatchFile(patch_file);
}

void ReportRefusedWriteBack(const std::string& patch_file) {
  std::fprintf(stderr, "Brelix: the changed patch was not saved into \"%s\": it is not a patch file\n",
               patch_file.c_str());
}

}  // namespace brelix
