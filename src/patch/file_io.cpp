#include "patch/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <system_error>

namespace brelix {

namespace {

constexpr int kTemporaryNameTries = 100;

std::string Reason(int error) { return std::generic_category().message(error); }

[[noreturn]] void Fail(int error) { throw FileError(Reason(error)); }

// Closes the descriptor and, until the file is put in place, removes the temporary file.
class TemporaryFile {
 public:
  TemporaryFile(std::string name, int fd) : name_(std::move(name)), fd_(fd) {}
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!name_.empty()) ::unlink(name_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int fd() const { return fd_; }
  const std::string& name() const { return name_; }
  // Closes the descriptor, reporting what the last writes failed at.
  void Close() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail(errno);
  }
  // The file is in place: nothing to remove any more.
  void Keep() { name_.clear(); }

 private:
  std::string name_;
  int fd_;
};

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a write to `path` must replace: the file a symbolic link points at, else `path`.
std::string WriteTarget(const std::string& path) {
  struct stat link{};
  if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return path;  // a link to nowhere is replaced
  return resolved;
}

TemporaryFile CreateTemporaryBeside(const std::string& target) {
  static std::atomic<uint32_t> counter{0};
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  const auto now = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
    const uint64_t tag = now ^ (static_cast<uint64_t>(::getpid()) << 20) ^ (uint64_t{counter++} * 0x9E3779B97F4A7C15ull);
    const std::string name = folder + "." + base + "." + std::to_string(tag % 1000000007u) + ".tmp";
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return TemporaryFile(name, fd);
    if (errno != EEXIST) Fail(errno);
  }
  Fail(EEXIST);
}

void WriteAll(int fd, std::string_view content) {
  while (!content.empty()) {
    const ssize_t written = ::write(fd, content.data(), content.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      Fail(errno);
    }
    content.remove_prefix(static_cast<size_t>(written));
  }
}

}  // namespace

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
    const ssize_t got = ::read(fd, content.data() + filled, content.size() - filled);
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

  struct stat old{};
  const bool exists = ::stat(target.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) Fail(errno);
  if (exists && !S_ISREG(old.st_mode)) throw FileError("it is not a regular file");
  // The replacement below would pass over a write-protected file; refuse as a write would.
  if (exists && ::access(target.c_str(), W_OK) != 0) Fail(errno);

  TemporaryFile temporary = CreateTemporaryBeside(target);
  if (exists) (void)::fchmod(temporary.fd(), old.st_mode & 07777);
  WriteAll(temporary.fd(), content);
  if (::fsync(temporary.fd()) != 0) Fail(errno);
  temporary.Close();
  if (::rename(temporary.name().c_str(), target.c_str()) != 0) Fail(errno);
  temporary.Keep();

  // The new name is recorded in the folder too (best effort: some file systems refuse it).
  const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    (void)::fsync(folder);
    ::close(folder);
  }
}

}  // namespace brelix
