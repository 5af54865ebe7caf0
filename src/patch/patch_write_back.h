// Where a changed patch may be written without a file dialog (the host's state request, the
// close question's Yes, the editor's "Save"): only into a patch file. A project from someone else
// names whatever file it likes in its chunk, and a save nobody watched must never turn a text
// file, a shell start-up file or the plug-in's own settings into a patch.
#pragma once

#include <optional>
#include <string>

namespace brelix {

// The file to write for the patch file name `patch_file`, with every symbolic link resolved, or
// none when the name is not ours to write. Ours are
//  - an existing regular file that reads as a patch (at least one section a patch file holds),
//  - a file that does not exist yet, whose name is absolute, free of "." and ".." steps and ends
//    in ".tw" (any case), in a folder that exists;
// never the settings file `settings_file` (nor another name of it).
std::optional<std::string> PatchWriteBackTarget(const std::string& patch_file, const std::string& settings_file);

// The one line on standard error that names a file a save without a dialog left alone.
void ReportRefusedWriteBack(const std::string& patch_file);

}  // namespace brelix
