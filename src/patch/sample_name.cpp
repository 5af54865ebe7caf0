#include "patch/sample_name.h"

#include <filesystem>
#include <system_error>

#include "patch/file_names.h"

namespace brelix {

std::string SampleFileToOpen(const std::string& sample, const std::string& patch_file) {
  if (sample.empty() || patch_file.empty() || std::filesystem::path(sample).is_absolute()) return sample;
  const std::string beside = FolderOf(patch_file) + sample;
  std::error_code error;
  return std::filesystem::is_regular_file(beside, error) ? beside : sample;
}

}  // namespace brelix
