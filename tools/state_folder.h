// The folder where the standalone program keeps its own files, and the rules for touching them:
// a kept file is opened without following links and checked from its descriptor (a regular
// file, small enough, whose content reads as the kind of file it should be); it is replaced in
// one step by a new file written beside it, and only over the entry that was checked (or where
// there was none). Whatever else stands under one of our names (a link, a folder, a pipe, a file
// that is not ours) is never read through, written to or replaced: it is renamed aside to
// NAME.bad (NAME.bad.2, NAME.bad.3 ... when that is taken; an older .bad is never replaced) and
// the user is told in one line.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace brelix {

// One kind of kept file.
struct KeptFileKind {
  const char* Name;                      // the file's name in the folder
  const char* Holds;                     // what it holds, for messages: "a program chunk"
  size_t Largest;                        // the largest such file in bytes
  bool (*ReadsAsOurs)(std::string_view);  // whether a content is one of ours
};

class StateFolder {
 public:
  using Notify = std::function<void(const std::string& line)>;

  // `path` is the folder (made when a file is first stored); a link to a folder is followed,
  // since the user may keep the configuration elsewhere. `notify` hears of every file moved
  // aside, in one line.
  StateFolder(std::string path, Notify notify);

  const std::string& Path() const { return path_; }

  // The content of the kept file when it reads as ours; none when there is none (or what stood
  // there was moved aside). Throws std::runtime_error naming the file when it cannot be read
  // (or cannot be moved aside).
  std::optional<std::string> Read(const KeptFileKind& kind) const;

  // Puts `content` in place of the kept file in one step. Throws std::runtime_error naming the
  // file when the folder cannot be made or opened, or the write fails; the file in place is then
  // left as it was.
  void Write(const KeptFileKind& kind, std::string_view content) const;

 private:
  std::string FilePath(const std::string& name) const { return path_ + "/" + name; }
  // Tells the user, in one line, that what stood under the kind's name went to `aside`.
  void NoteMovedAside(const KeptFileKind& kind, const std::string& why, const std::string& aside) const;

  std::string path_;
  Notify notify_;
};

}  // namespace brelix
