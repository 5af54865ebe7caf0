// Whole-file reading and writing for the plug-in's small text files (patch files, settings):
// reading refuses anything that is not a regular file of sane size, and writing replaces a file
// only once its new content is completely on disk, so a failed write never damages the old file.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace brelix {

// A file that could not be read or written; what() is the reason, for the user.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The text of a system error number, for a FileError.
std::string FileErrorReason(int error);

// True for a file that no one may write by its permission bits (chmod a-w). Such a file is never
// replaced, by root either: replacing it through a new file and a rename would pass over a
// protection that a write into it would meet.
bool IsWriteProtected(mode_t mode);

// True when `path` names an existing regular file (through symbolic links).
bool FileExists(const std::string& path);

// The whole content of the file, or none when no file of that name exists. Throws FileError for
// a name that is not a regular file (a folder, a device, a pipe), a file that cannot be read, or
// one larger than `max_bytes`.
std::optional<std::string> ReadWholeFile(const std::string& path, size_t max_bytes);

// The whole content of the regular file open as `fd`, from its start; throws FileError as
// ReadWholeFile does.
std::string ReadOpenFile(int fd, size_t max_bytes);

// Writes `content` to a new temporary file in the same folder, flushes it to the disk and then
// puts it in place of `path` in one step (patch/pinned_file.h: resolved once, replaced only while
// it is the file checked). An existing file keeps its permission bits; a symbolic link keeps
// pointing at its file, which is the one replaced. Throws FileError when the file is
// write-protected (for this user, or for everyone by IsWriteProtected), the folder cannot take a new file, or any write fails; the old file is then
// untouched and no temporary file is left behind.
void ReplaceFile(const std::string& path, std::string_view content);

}  // namespace brelix
