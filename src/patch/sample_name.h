// Where a patch's sample file is looked for. A full name means that file. A relative name is
// looked up beside the patch file first, so that a folder of patches and their samples plays
// from wherever it lies; when no such file is there, the name is taken as it stands (relative
// to the working folder), as before.
#pragma once

#include <string>

namespace brelix {

// The file to open for the sample name `sample` of the patch file `patch_file` (empty when the
// sample is not read for a patch file: then the name as it stands).
std::string SampleFileToOpen(const std::string& sample, const std::string& patch_file);

}  // namespace brelix
