#include "patch/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>

#include "patch/file_names.h"
#include "patch/pinned_file.h"

namespace brelix {

namespace {

[[noreturn]] void Fail(int error) { throw FileError(FileErrorReason(error)); }

// The file a write to `path` must replace: the file a symbolic link points at, else `path`.
std::string WriteTarget(const std::string& path) {
  struct stat link{};
  if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return path;  // a link to nowhere: refused below
  return resolved;
}

}  // namespace

std::string FileErrorReason(int error) { return std::generic_category().message(error); }

bool IsWriteProtected(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

bool FileExists(const std::string& path) {
  struct stat info{};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<std::string> ReadWholeFile(const std::string& path, size_t max_bytes) {
  if (path.empty()) return std::nullopt;
  // Non-blocking, so that a pipe of that name cannot hold the caller; it is refused below.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    Fail(errno);
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  return ReadOpenFile(fd, max_bytes);
}

std::string ReadOpenFile(int fd, size_t max_bytes) {
  struct stat info{};
  if (::fstat(fd, &info) != 0) Fail(errno);
  if (!S_ISREG(info.st_mode)) throw FileError("it is not a regular file");
  const std::string too_large = "the file is larger than " + std::to_string(max_bytes) + " bytes";
  if (static_cast<uint64_t>(info.st_size) > max_bytes) throw FileError(too_large);

  std::string content(static_cast<size_t>(info.st_size), '\0');
  size_t filled = 0;
  for (;;) {
    // One byte more than the limit allows tells a file that grew beyond it while being read.
    if (content.size() - filled == 0) content.resize(std::min(max_bytes + 1, content.size() * 2 + 4096));
    const ssize_t got = ::pread(fd, content.data() + filled, content.size() - filled, static_cast<off_t>(filled));
    if (got < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    if (got == 0) break;
    filled += static_cast<size_t>(got);
    if (filled > max_bytes) throw FileError(too_large);
  }
  content.resize(filled);
  return content;
}

void ReplaceFile(const std::string& path, std::string_view content) {
  if (path.empty()) throw FileError("no file name");
  const std::string target = WriteTarget(path);
  const std::string named_folder = FolderOf(target);
  char folder[PATH_MAX];
  if (::realpath(named_folder.empty() ? "." : named_folder.c_str(), folder) == nullptr) Fail(errno);
  const TPinnedFile file(folder, FileNameOnly(target));
  if (file.Kind() == TPinnedFile::Entry::Other) throw FileError("it is not a regular file");
  // The replacement below would pass over a write-protected file; refuse as a write would.
  if (!file.Writable()) Fail(EACCES);
  file.Replace(content);
}

}  // namespace brelix
