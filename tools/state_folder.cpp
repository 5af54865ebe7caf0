#include "state_folder.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <system_error>

#include "base/printable_text.h"

namespace brelix {

namespace {

// Names tried when a file is moved aside: NAME.bad, then NAME.bad.2 up to this.
constexpr int kAsideNames = 99;
// Rounds of look, write and put in place before a file that keeps changing under us is given up.
constexpr int kWriteRounds = 4;

std::string Quoted(const std::string& path) { return "'" + PrintableText(path) + "'"; }

std::string Reason(int error) { return std::generic_category().message(error); }

std::runtime_error Failure(const char* doing, const std::string& path, const std::string& why) {
  return std::runtime_error(std::string("cannot ") + doing + " " + Quoted(path) + ": " + why);
}

// A descriptor closed with its holder.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// What stands under a kept file's name.
struct Found {
  enum class What { Nothing, Ours, Foreign } Is = What::Nothing;
  dev_t Device = 0;
  ino_t Inode = 0;
  mode_t Mode = 0;
  std::string Content;
  std::string Why;  // for a foreign entry: "it is a symbolic link" and the like

  static Found Foreign(std::string why) {
    Found found;
    found.Is = What::Foreign;
    found.Why = std::move(why);
    return found;
  }
  static Found Ours(const struct stat& file, std::string content) {
    Found found;
    found.Is = What::Ours;
    found.Device = file.st_dev;
    found.Inode = file.st_ino;
    found.Mode = file.st_mode;
    found.Content = std::move(content);
    return found;
  }
};

std::string KindOfEntry(mode_t mode) {
  if (S_ISLNK(mode)) return "it is a symbolic link";
  if (S_ISDIR(mode)) return "it is a folder";
  return "it is not a regular file";
}

bool SameFile(const struct stat& entry, const Found& found) {
  return entry.st_dev == found.Device && entry.st_ino == found.Inode;
}

// Looks at `name` in the folder without following a link and without opening anything but a
// regular file (opening a device can do something; a pipe could block). What is judged is what
// the descriptor shows. Throws the errno for a name that cannot be looked at or read.
Found Examine(int folder, const std::string& name, const KeptFileKind& kind) {
  struct stat entry {};
  if (::fstatat(folder, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) return {};
    throw std::system_error(errno, std::generic_category());
  }
  if (!S_ISREG(entry.st_mode)) return Found::Foreign(KindOfEntry(entry.st_mode));
  const Descriptor fd(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT) return {};
    if (errno == ELOOP) return Found::Foreign(KindOfEntry(S_IFLNK));
    throw std::system_error(errno, std::generic_category());
  }
  struct stat opened {};
  if (::fstat(fd.get(), &opened) != 0) throw std::system_error(errno, std::generic_category());
  if (!S_ISREG(opened.st_mode)) return Found::Foreign(KindOfEntry(opened.st_mode));
  const std::string tooLarge = "it is larger than " + std::to_string(kind.Largest) + " bytes";
  if (static_cast<uint64_t>(opened.st_size) > kind.Largest) return Found::Foreign(tooLarge);

  // One byte more than the file holds tells a file that grew while it was read.
  std::string content(static_cast<size_t>(opened.st_size) + 1, '\0');
  size_t filled = 0;
  for (;;) {
    if (filled == content.size()) {
      if (filled > kind.Largest) break;
      content.resize(std::min(kind.Largest + 1, 2 * content.size()));
    }
    const ssize_t got = ::read(fd.get(), content.data() + filled, content.size() - filled);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw std::system_error(errno, std::generic_category());
    if (got == 0) break;
    filled += static_cast<size_t>(got);
  }
  if (filled > kind.Largest) return Found::Foreign(tooLarge);
  content.resize(filled);
  if (!kind.ReadsAsOurs(content)) return Found::Foreign("its content is something else");
  return Found::Ours(opened, std::move(content));
}

// renameat2 with `flags`; on a file system that knows no such flags (NFS, some others) the
// condition is looked at just before a plain rename instead, which leaves a short window.
// Returns 0 or the errno.
int RenameChecked(int folder, const std::string& from, const std::string& to, unsigned flags,
                  const std::function<bool()>& stillAsChecked) {
  if (::renameat2(folder, from.c_str(), folder, to.c_str(), flags) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  if (!stillAsChecked()) return EEXIST;
  return ::renameat(folder, from.c_str(), folder, to.c_str()) == 0 ? 0 : errno;
}

bool Absent(int folder, const std::string& name) {
  struct stat entry {};
  return ::fstatat(folder, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
}

// A new file beside the kept one, removed with its holder unless it was put in place.
class Temporary {
 public:
  Temporary(int folder, const std::string& name, mode_t mode) : folder_(folder) {
    static std::atomic<uint32_t> counter{0};
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
      name_ = "." + name + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + ".tmp";
      fd_ = ::openat(folder, name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
      if (fd_ < 0 && errno != EEXIST) throw std::system_error(errno, std::generic_category());
    }
    if (fd_ < 0) throw std::system_error(EEXIST, std::generic_category());
  }
  ~Temporary() {
    if (fd_ >= 0) ::close(fd_);
    if (!kept_) ::unlinkat(folder_, name_.c_str(), 0);
  }
  Temporary(const Temporary&) = delete;
  Temporary& operator=(const Temporary&) = delete;

  const std::string& Name() const { return name_; }

  // The whole content, on the disk.
  void Fill(std::string_view content) {
    while (!content.empty()) {
      const ssize_t written = ::write(fd_, content.data(), content.size());
      if (written < 0 && errno == EINTR) continue;
      if (written < 0) throw std::system_error(errno, std::generic_category());
      content.remove_prefix(static_cast<size_t>(written));
    }
    if (::fsync(fd_) != 0) throw std::system_error(errno, std::generic_category());
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) throw std::system_error(errno, std::generic_category());
  }
  // The name no longer holds this file's content alone (it was put in place, or exchanged for
  // what stood there): it is not removed.
  void Keep() { kept_ = true; }

 private:
  int folder_;
  std::string name_;
  int fd_ = -1;
  bool kept_ = false;
};

// Renames `from` (the kept file's own name, or the name it was exchanged to) aside to a free
// NAME.bad; an older .bad is never replaced. Returns the name chosen.
std::string MoveAside(int folder, const std::string& from, const std::string& name) {
  for (int n = 1; n <= kAsideNames; ++n) {
    const std::string aside = name + ".bad" + (n == 1 ? "" : "." + std::to_string(n));
    const int error = RenameChecked(folder, from, aside, RENAME_NOREPLACE, [&] { return Absent(folder, aside); });
    if (error == 0) return aside;
    if (error != EEXIST) throw std::system_error(error, std::generic_category());
  }
  throw std::runtime_error(name + ".bad to " + name + ".bad." + std::to_string(kAsideNames) + " are all taken");
}

// Puts the filled temporary file in place of `name` if that is still `checked` (the same file,
// or still nothing). False when it is not: the caller looks again.
bool PutInPlace(int folder, Temporary& temporary, const std::string& name, const Found& checked,
                const std::function<void(const std::string& aside)>& movedAside) {
  if (checked.Is == Found::What::Nothing) {
    const int error =
        RenameChecked(folder, temporary.Name(), name, RENAME_NOREPLACE, [&] { return Absent(folder, name); });
    if (error == EEXIST) return false;
    if (error != 0) throw std::system_error(error, std::generic_category());
    temporary.Keep();
    return true;
  }
  const auto stillChecked = [&] {
    struct stat entry {};
    return ::fstatat(folder, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(entry.st_mode) &&
           SameFile(entry, checked);
  };
  if (::renameat2(folder, temporary.Name().c_str(), folder, name.c_str(), RENAME_EXCHANGE) == 0) {
    // The new file is in place and the temporary name holds what stood there: that is removed
    // only when it is the file checked; anything that took its place meanwhile goes aside.
    temporary.Keep();
    struct stat displaced {};
    if (::fstatat(folder, temporary.Name().c_str(), &displaced, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(displaced.st_mode) &&
        SameFile(displaced, checked)) {
      ::unlinkat(folder, temporary.Name().c_str(), 0);
    } else {
      movedAside(MoveAside(folder, temporary.Name(), name));
    }
    return true;
  }
  if (errno == ENOENT) return false;  // gone meanwhile
  if (errno != EINVAL && errno != ENOSYS) throw std::system_error(errno, std::generic_category());
  // A file system without the exchange: looked at just before a plain rename.
  if (!stillChecked()) return false;
  if (::renameat(folder, temporary.Name().c_str(), folder, name.c_str()) != 0)
    throw std::system_error(errno, std::generic_category());
  temporary.Keep();
  return true;
}

}  // namespace

StateFolder::StateFolder(std::string path, Notify notify) : path_(std::move(path)), notify_(std::move(notify)) {}

void StateFolder::NoteMovedAside(const KeptFileKind& kind, const std::string& why, const std::string& aside) const {
  notify_(Quoted(FilePath(kind.Name)) + " is not " + kind.Holds + " (" + why + "); moved it aside to " +
          Quoted(FilePath(aside)));
}

std::optional<std::string> StateFolder::Read(const KeptFileKind& kind) const {
  const std::string path = FilePath(kind.Name);
  const Descriptor folder(::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() < 0) {
    if (errno == ENOENT) return std::nullopt;  // nothing kept yet
    throw Failure("read", path, Reason(errno));
  }
  Found found;
  try {
    found = Examine(folder.get(), kind.Name, kind);
  } catch (const std::system_error& error) {
    throw Failure("read", path, Reason(error.code().value()));
  }
  if (found.Is == Found::What::Foreign) {
    try {
      NoteMovedAside(kind, found.Why, MoveAside(folder.get(), kind.Name, kind.Name));
    } catch (const std::runtime_error& error) {
      throw Failure("move aside", path, std::string("it is not ") + kind.Holds + " (" + found.Why + "), and " + error.what());
    }
  }
  if (found.Is != Found::What::Ours) return std::nullopt;
  return std::move(found.Content);
}

void StateFolder::Write(const KeptFileKind& kind, std::string_view content) const {
  const std::string path = FilePath(kind.Name);
  std::error_code made;
  std::filesystem::create_directories(path_, made);
  if (made) throw Failure("make the folder", path_, made.message());
  const Descriptor folder(::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() < 0) throw Failure("open the folder", path_, Reason(errno));
  try {
    for (int round = 0; round < kWriteRounds; ++round) {
      const Found now = Examine(folder.get(), kind.Name, kind);
      if (now.Is == Found::What::Foreign) {
        NoteMovedAside(kind, now.Why, MoveAside(folder.get(), kind.Name, kind.Name));
        continue;
      }
      Temporary temporary(folder.get(), kind.Name, now.Is == Found::What::Ours ? (now.Mode & 0777) : 0666);
      temporary.Fill(content);
      const auto movedAside = [&](const std::string& aside) {
        NoteMovedAside(kind, "it took the place of the file checked while brelix wrote it", aside);
      };
      if (!PutInPlace(folder.get(), temporary, kind.Name, now, movedAside)) continue;
      (void)::fsync(folder.get());  // the new name recorded too (best effort: some file systems refuse)
      return;
    }
  } catch (const std::system_error& error) {
    throw Failure("write", path, Reason(error.code().value()));
  } catch (const std::runtime_error& error) {
    throw Failure("write", path, error.what());
  }
  throw Failure("write", path, "it kept changing while brelix replaced it");
}

}  // namespace brelix
