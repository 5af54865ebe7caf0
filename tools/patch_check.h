// The check of a patch file that brelix-render makes before it plays one, and on its own with
// --check-patch: the file is read with the plug-in's own reader, and everything the plug-in would
// take otherwise than a sound designer wrote it is reported with its line.
//
// Errors mean the file is no patch the plug-in can play (missing, unreadable, not text, or
// without a single patch section; the plug-in would play its default patch or keep the old one).
// Warnings name keys whose text the plug-in reads as 0 (not a number), lines it ignores (neither a
// section, a key=value line nor a comment), keys and sections it ignores (unknown or repeated),
// values outside the range the patch reference gives, codes that name nothing, filter types whose
// weights the file contradicts, and sample files that cannot be loaded.
#pragma once

#include <string>
#include <vector>

namespace brelix {

struct PatchProblem {
  enum class Severity { Error, Warning };
  Severity Level;
  int Line;  // 1 for the file's first line; 0 for the file as a whole
  std::string Text;
};

struct PatchCheck {
  std::vector<PatchProblem> Problems;  // in the order of their lines
  bool IsPatch() const;                // no errors
  int Warnings() const;
};

// `samples`: whether sample files are tried too (a render leaves that to the plug-in, which says
// so itself when it loads the patch).
PatchCheck CheckPatchFile(const std::string& path, bool samples = true);

// "path:12: warning: text", or "path: error: text" for the whole file, its control characters
// escaped (base/printable_text.h).
std::string DescribeProblem(const std::string& path, const PatchProblem& problem);

}  // namespace brelix
