#include "patch/pinned_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>

#include "patch/file_io.h"

namespace brelix {

namespace {

constexpr int kTemporaryNameTries = 100;

[[noreturn]] void Fail(int error) { throw FileError(FileErrorReason(error)); }

bool SameNode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The folder, opened one step at a time from the root, each step a real folder: a symbolic link
// anywhere on the way is refused (ELOOP, ENOTDIR), so the descriptor is the folder the name meant
// when it was resolved.
int OpenFolderWithoutLinks(const std::string& folder) {
  if (folder.empty() || folder.front() != '/') Fail(EINVAL);
  int fd = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) Fail(errno);
  size_t start = 1;
  while (start < folder.size()) {
    size_t end = folder.find('/', start);
    if (end == std::string::npos) end = folder.size();
    const std::string step = folder.substr(start, end - start);
    start = end + 1;
    if (step.empty()) continue;
    const int next = step == "." || step == ".." ? (errno = EINVAL, -1)
                                                 : ::openat(fd, step.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int error = errno;
    ::close(fd);
    if (next < 0) Fail(error == ELOOP ? ENOTDIR : error);
    fd = next;
  }
  return fd;
}

bool EntryStatus(int folder, const std::string& name, struct stat& info) {
  if (::fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) return true;
  if (errno != ENOENT) Fail(errno);
  return false;
}

// A new file in the folder for the content on its way; removed again unless it was put in place.
class TemporaryFile {
 public:
  TemporaryFile(int folder, const std::string& beside) : folder_(folder) {
    static std::atomic<uint32_t> counter{0};
    const auto now = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < kTemporaryNameTries; ++attempt) {
      const uint64_t tag = now ^ (static_cast<uint64_t>(::getpid()) << 20) ^ (uint64_t{counter++} * 0x9E3779B97F4A7C15ull);
      name_ = "." + beside + "." + std::to_string(tag % 1000000007u) + ".tmp";
      fd_ = ::openat(folder_, name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd_ >= 0) return;
      if (errno != EEXIST) Fail(errno);
    }
    Fail(EEXIST);
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!name_.empty()) ::unlinkat(folder_, name_.c_str(), 0);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::string& name() const { return name_; }

  // The content on the disk, the descriptor closed; the file's own status.
  struct stat Write(std::string_view content, const std::optional<mode_t>& mode) {
    if (mode) (void)::fchmod(fd_, *mode & 07777);
    while (!content.empty()) {
      const ssize_t written = ::write(fd_, content.data(), content.size());
      if (written < 0) {
        if (errno == EINTR) continue;
        Fail(errno);
      }
      content.remove_prefix(static_cast<size_t>(written));
    }
    struct stat info{};
    if (::fsync(fd_) != 0 || ::fstat(fd_, &info) != 0) Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail(errno);
    return info;
  }
  // The file is in place: nothing to remove any more.
  void Keep() { name_.clear(); }

 private:
  int folder_;
  std::string name_;
  int fd_ = -1;
};

// File systems without the exchanging or the exclusive rename answer with one of these.
bool RenameFlagsUnsupported(int error) { return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }

}  // namespace

TPinnedFile::TPinnedFile(const std::string& folder, const std::string& name) : name_(name) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) Fail(EINVAL);
  full_name_ = (folder.ends_with('/') ? folder : folder + "/") + name;
  folder_ = OpenFolderWithoutLinks(folder);
  struct stat entry{};
  if (!EntryStatus(folder_, name_, entry)) return;
  kind_ = Entry::Other;
  // Nothing but a regular file is opened: a pipe could hold the caller, a device act on opening.
  if (!S_ISREG(entry.st_mode)) return;
  file_ = ::openat(folder_, name_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (file_ < 0) {
    if (errno == ELOOP) return;  // a link took its place since
    if (errno == ENOENT) {
      kind_ = Entry::None;
      return;
    }
    Fail(errno);
  }
  // The descriptor stays open: the inode cannot be reused for another file while it is pinned.
  if (::fstat(file_, &info_) != 0) Fail(errno);
  if (S_ISREG(info_.st_mode) && SameNode(info_, entry)) kind_ = Entry::RegularFile;
}

TPinnedFile::~TPinnedFile() {
  if (file_ >= 0) ::close(file_);
  if (folder_ >= 0) ::close(folder_);
}

bool TPinnedFile::IsSameFile(const struct stat& other) const {
  return kind_ == Entry::RegularFile && SameNode(info_, other);
}

std::string TPinnedFile::Read(size_t max_bytes) const {
  if (kind_ != Entry::RegularFile) return {};
  return ReadOpenFile(file_, max_bytes);
}

bool TPinnedFile::Writable() const {
  return kind_ == Entry::None || (!IsWriteProtected(info_.st_mode) && ::faccessat(folder_, name_.c_str(), W_OK, 0) == 0);
}

void TPinnedFile::Replace(std::string_view content) const {
  if (kind_ == Entry::Other) throw FileError("it is not a regular file");
  TemporaryFile temporary(folder_, name_);
  const struct stat written =
      temporary.Write(content, kind_ == Entry::RegularFile ? std::optional<mode_t>(info_.st_mode) : std::nullopt);
  const char* from = temporary.name().c_str();
  const char* to = name_.c_str();
  struct stat now{};
  const bool exists = EntryStatus(folder_, name_, now);

  if (kind_ == Entry::None) {
    if (exists) Fail(EEXIST);
    // Created, never put over something that appeared meanwhile.
    if (::renameat2(folder_, from, folder_, to, RENAME_NOREPLACE) == 0) {
      temporary.Keep();
    } else {
      if (!RenameFlagsUnsupported(errno)) Fail(errno);
      // A hard link never replaces either; the temporary's name goes at its end.
      if (::linkat(folder_, from, folder_, to, 0) != 0) Fail(errno);
    }
  } else {
    if (!exists || !SameNode(now, info_)) throw FileError("the file was replaced while it was being saved");
    if (::renameat2(folder_, from, folder_, to, RENAME_EXCHANGE) == 0) {
      // The entry swapped out must be the file checked; else everything goes back as it was.
      struct stat swapped{};
      if (!EntryStatus(folder_, from, swapped) || !SameNode(swapped, info_)) {
        (void)::renameat2(folder_, from, folder_, to, RENAME_EXCHANGE);
        struct stat ours{};
        if (!EntryStatus(folder_, from, ours) || !SameNode(ours, written)) temporary.Keep();  // not ours to remove
        throw FileError("the file was replaced while it was being saved");
      }
      // The temporary's name now holds the old file, which goes at the temporary's end.
    } else {
      if (!RenameFlagsUnsupported(errno)) Fail(errno);
      // Without the exchange a short window remains between the check above and this rename:
      // whatever was put there meanwhile is replaced as an entry, never written through.
      if (::renameat(folder_, from, folder_, to) != 0) Fail(errno);
      temporary.Keep();
    }
  }

  // The new name is recorded in the folder too (best effort: some file systems refuse it).
  const int folder = ::openat(folder_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    (void)::fsync(folder);
    ::close(folder);
  }
}

}  // namespace brelix
