// Where a patch's sample file is looked for, and how its name is written when the patch moves. A
// full name means that file. A relative name is looked up beside the patch file first, so that a
// folder of patches and their samples plays from wherever it lies; when no such file is there,
// the name is taken as it stands (relative to the working folder), as before.
#pragma once

#include <string>

namespace brelix {

// The file to open for the sample name `sample` of the patch file `patch_file` (empty when the
// sample is not read for a patch file: then the name as it stands).
std::string SampleFileToOpen(const std::string& sample, const std::string& patch_file);

// The full name of the file the sample name means: the file SampleFileToOpen opens when it exists,
// else the place beside the patch file where it was looked for first.
std::string SampleFileMeant(const std::string& sample, const std::string& patch_file);

// The sample name `sample` of the patch file `from_patch` as the patch saved into `to_patch` must
// write it to name the same file: relative to the new patch's folder when the file lies in the
// tree of that folder's parent (as the shipped library names "../samples/x.wav"), otherwise the
// full name. The name as it was when no such name fits a patch.
std::string MovedSampleName(const std::string& sample, const std::string& from_patch, const std::string& to_patch);

}  // namespace brelix
