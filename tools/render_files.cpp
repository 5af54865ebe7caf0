#include "render_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "base/printable_text.h"
#include "patch/file_io.h"

namespace brelix {

namespace {

namespace fs = std::filesystem;

struct Identity {
  std::optional<std::pair<dev_t, ino_t>> Node;  // an existing file
  std::string Name;                              // a file yet to be made: its full name
  bool operator==(const Identity&) const = default;
};

Identity IdentityOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) return {std::make_pair(info.st_dev, info.st_ino), {}};
  std::error_code error;
  const fs::path full = fs::weakly_canonical(fs::absolute(path, error), error);
  return {std::nullopt, error ? path : full.string()};
}

}  // namespace

void CheckFilesDiffer(std::span<const RenderFile> files) {
  for (size_t i = 0; i < files.size(); ++i) {
    if (files[i].Path.empty()) continue;
    const Identity first = IdentityOf(files[i].Path);
    for (size_t k = i + 1; k < files.size(); ++k) {
      if (files[k].Path.empty() || !(IdentityOf(files[k].Path) == first)) continue;
      const std::string names = files[i].Path == files[k].Path
                                    ? "'" + PrintableText(files[i].Path) + "' is"
                                    : "'" + PrintableText(files[i].Path) + "' and '" + PrintableText(files[k].Path) + "' are";
      throw std::runtime_error(names + " both " + files[i].Role + " and " + files[k].Role +
                               "; a render never writes over a file it reads or writes: name different files");
    }
  }
}

void CheckStandardOutputDiffers(std::span<const RenderFile> files) {
  struct stat out {};
  if (::fstat(STDOUT_FILENO, &out) != 0) return;  // closed: the WAV writer says so
  for (const RenderFile& file : files) {
    struct stat info {};
    if (file.Path.empty() || ::stat(file.Path.c_str(), &info) != 0) continue;
    if (info.st_dev == out.st_dev && info.st_ino == out.st_ino) {
      throw std::runtime_error("standard output is " + file.Role + " '" + PrintableText(file.Path) +
                               "'; a render never writes over a file it reads or writes: send the WAV elsewhere");
    }
  }
}

void CheckMayReplace(const RenderFile& file) {
  struct stat info {};
  if (::stat(file.Path.c_str(), &info) != 0) return;  // a new file: its folder is checked when it is made
  const auto refuse = [&](const std::string& reason) {
    return std::runtime_error("will not replace " + file.Role + " '" + PrintableText(file.Path) + "': " + reason);
  };
  if (S_ISDIR(info.st_mode)) throw refuse("it is a folder");
  if (!S_ISREG(info.st_mode)) throw refuse("it is not a regular file");
  if (IsWriteProtected(info.st_mode) || ::access(file.Path.c_str(), W_OK) != 0) {
    throw refuse("it is write-protected");
  }
}

}  // namespace brelix
