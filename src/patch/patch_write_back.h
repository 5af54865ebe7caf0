// Writing a changed patch back without a file dialog (the host's state request, the close
// question's Yes, the editor's "Save"): only into a patch file. A project from someone else names
// whatever file it likes in its chunk, and a save nobody watched must never turn a text file, a
// shell start-up file or the plug-in's own settings into a patch, whatever someone who can rename
// files in that folder does meanwhile.
#pragma once

#include <string>
#include <vector>

#include "engine/patch.h"

namespace brelix {

enum class WriteBackResult {
  Saved,    // written (or the file asked not to be written)
  Refused,  // not ours to write; one line on standard error says so, nothing was touched
  Failed,   // ours, but the write failed; reported in the message box, the file as it was
};

// Writes the patch into the patch file named `patch_file`, its symbolic links resolved once. Ours
// to write are
//  - an existing regular file whose name (and the name it was reached by) ends in ".tw" (any
//    case), that has a write permission bit (root too) and whose whole text is a patch's
//    (ReadsWhollyAsPatch),
//  - a new file, whose name is absolute, free of "." and ".." steps and ends in ".tw", in a
//    folder that exists;
// never one of the settings files `settings_files` (nor another name of one). The file is opened once
// without following a link, checked and read from that descriptor, and replaced only while its
// entry still is that file (patch/pinned_file.h); a new name is only created, never put over
// something that appeared meanwhile.
WriteBackResult PatchWriteBack(const XPatch& p, const std::string& patch_file,
                               const std::vector<std::string>& settings_files);

}  // namespace brelix
