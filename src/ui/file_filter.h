// A file dialog's filter text, "Name|*.a;*.b|Other|*.*", as name and pattern pairs, and the
// test of a file name against a filter's patterns.
#pragma once

#include <string>
#include <vector>

namespace brelix::ui {

struct FileFilter {
  std::string name;
  std::vector<std::string> patterns;
};

// The filters in their order, the chosen one (from 1) moved first. Patterns with letters also
// come in their upper-case spelling ("*.wav" and "*.WAV"), as on the file systems the patches
// come from.
std::vector<FileFilter> ParseFileFilter(const std::string& filter, int chosen);

// True when `file_name` (without folder) matches one of the patterns; "*" and "*.*" match every
// name, as a user of "All Files (*.*)" expects of names without a dot too.
bool MatchesFilter(const FileFilter& filter, const std::string& file_name);

std::vector<std::string> SplitText(const std::string& text, char separator);

}  // namespace brelix::ui
