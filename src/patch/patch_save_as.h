// Saving a patch into another file than its own (the editor's Save As, the save dialog of the
// host's state request and of the close): the new file keeps what the patch needs. Its sample
// names still name the same files from the new place, and it carries the comment lines at the
// head of the patch's own file (the description and the notes on wheel, velocity and level).
#pragma once

#include <string>

#include "engine/patch.h"

namespace brelix {

// PatchSave of the patch loaded from `from_file` into `to_file`, with its sample names moved
// (patch/sample_name.h: MovedSampleName) and the leading comments of `from_file`, when that is a
// patch file that has some, in place of those `to_file` had. On success the patch's own sample
// names become the moved ones too, so that it goes on naming the same files from its new file;
// true then (or when the file asked not to be written). A failure is shown in the message box and
// leaves the patch and the files as they were.
bool PatchSaveAsOrReport(XPatch& p, const std::string& from_file, const std::string& to_file);

}  // namespace brelix
