// The parts of a full file name as the user sees them: the name without its folder (shown in
// questions, headers and hints) and the folder (where a new file beside it goes).
#pragma once

#include <string>

namespace brelix {

// "/a/b/Pad.tw" -> "Pad.tw"; a name without folder stays as it is.
std::string FileNameOnly(const std::string& path);

// "/a/b/Pad.tw" -> "/a/b/"; empty for a name without folder.
std::string FolderOf(const std::string& path);

}  // namespace brelix
