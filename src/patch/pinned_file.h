// A file pinned down for replacing: what is checked is what is written. Its folder is opened
// once, one real folder at a time from the root (no symbolic link on the way), and every later
// step names the file through that folder's descriptor. The entry itself is opened without
// following a link, checked from the descriptor, read from it, and replaced by a new file only
// while the entry still is the file that was checked; a new name is only ever created, never put
// over something that appeared there meanwhile.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace brelix {

class TPinnedFile {
 public:
  // What the entry was when it was pinned.
  enum class Entry {
    None,         // nothing of that name: a new file
    RegularFile,  // opened, checked and read
    Other,        // a symbolic link, a folder, a pipe, a device: never opened
  };

  // Pins `name` (no "/") in the folder `folder` (an absolute name without symbolic links, as
  // realpath gives); a regular file there is opened for reading and held open. Throws FileError
  // when the folder cannot be opened that way (a link or a missing folder on the way: it is not
  // the folder that was named) or the regular file cannot be opened.
  TPinnedFile(const std::string& folder, const std::string& name);
  ~TPinnedFile();
  TPinnedFile(const TPinnedFile&) = delete;
  TPinnedFile& operator=(const TPinnedFile&) = delete;

  Entry Kind() const { return kind_; }
  // The regular file's status, from its descriptor.
  const struct stat& Info() const { return info_; }
  // The regular file's whole content, read from its descriptor (ReadWholeFile's limits); empty
  // for any other entry.
  std::string Read(size_t max_bytes) const;
  // False for a regular file this user may not write, or that no one may (IsWriteProtected).
  bool Writable() const;
  // The folder and the name, joined.
  const std::string& FullName() const { return full_name_; }
  // True when `other` names the file pinned (same device and inode).
  bool IsSameFile(const struct stat& other) const;

  // Writes `content` to a new temporary file in the folder, flushes it and puts it in place:
  // for a regular file by exchanging it with the entry, keeping the file's permission bits, and
  // only when the entry that was swapped out is the file that was checked (otherwise the
  // exchange is undone); for no entry as a new name that must still be free. Throws FileError
  // when any step fails or the entry is no longer what was pinned; the entry is then as it was
  // and no temporary file is left behind.
  void Replace(std::string_view content) const;

 private:
  int folder_ = -1;
  int file_ = -1;
  std::string name_;
  std::string full_name_;
  Entry kind_ = Entry::None;
  struct stat info_ {};
};

}  // namespace brelix
