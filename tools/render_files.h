// The files a render reads and writes, checked before the render starts: no file is both read and
// written (or written twice), and no file the user protected is replaced.
#pragma once

#include <span>
#include <string>

namespace brelix {

struct RenderFile {
  std::string Role;  // "the MIDI file", "the output", ...
  std::string Path;  // empty: not used in this render
};

// Throws std::runtime_error naming both roles when two of the files are one: the same name after
// following symbolic links, or the same device and inode (a hard link).
void CheckFilesDiffer(std::span<const RenderFile> files);

// For a render to standard output: throws std::runtime_error when standard output is one of
// `files` (the same device and inode, however it was opened, appending too): a file the render
// reads would be written over, or a second output (--save-state /dev/stdout) would be mixed
// into the WAV.
void CheckStandardOutputDiffers(std::span<const RenderFile> files);

// Throws std::runtime_error when an existing `path` is no file a render may replace: a folder or
// something else that is not a regular file, or a file the user may not write. A file without any
// write permission bit (chmod a-w) counts as protected for every user, root too: replacing it
// through a new file and a rename would pass over the protection where a write would not.
void CheckMayReplace(const RenderFile& file);

}  // namespace brelix
