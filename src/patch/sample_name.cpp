#include "patch/sample_name.h"

#include <filesystem>
#include <system_error>

#include "engine/patch.h"
#include "patch/file_names.h"

namespace brelix {

namespace {

namespace fs = std::filesystem;

bool IsFile(const std::string& name) {
  std::error_code error;
  return fs::is_regular_file(name, error);
}

fs::path FullName(const fs::path& name) {
  std::error_code error;
  const fs::path full = fs::absolute(name, error);
  return (error ? name : full).lexically_normal();
}

// True when `file` lies inside `folder` (by their names).
bool Inside(const fs::path& file, const fs::path& folder) {
  const fs::path relative = file.lexically_relative(folder);
  return !relative.empty() && *relative.begin() != "..";
}

}  // namespace

std::string SampleFileToOpen(const std::string& sample, const std::string& patch_file) {
  if (sample.empty() || patch_file.empty() || fs::path(sample).is_absolute()) return sample;
  const std::string beside = FolderOf(patch_file) + sample;
  return IsFile(beside) ? beside : sample;
}

std::string SampleFileMeant(const std::string& sample, const std::string& patch_file) {
  if (sample.empty()) return sample;
  const std::string opened = SampleFileToOpen(sample, patch_file);
  const bool looked_beside = !patch_file.empty() && !fs::path(sample).is_absolute();
  return FullName(IsFile(opened) || !looked_beside ? opened : FolderOf(patch_file) + sample).string();
}

std::string MovedSampleName(const std::string& sample, const std::string& from_patch, const std::string& to_patch) {
  if (sample.empty()) return sample;
  const fs::path file = SampleFileMeant(sample, from_patch);
  const fs::path folder = FullName(to_patch).parent_path();
  // The tree of the folder's parent; never the whole file system.
  fs::path tree = folder.parent_path();
  if (tree == tree.root_path()) tree = folder;
  const std::string moved = Inside(file, tree) ? file.lexically_relative(folder).string() : file.string();
  return moved.size() < kSampleFileNameSize ? moved : sample;
}

}  // namespace brelix
