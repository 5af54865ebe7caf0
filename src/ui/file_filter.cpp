#include "ui/file_filter.h"

#include <fnmatch.h>

#include <cctype>

namespace brelix::ui {

std::vector<std::string> SplitText(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

std::vector<FileFilter> ParseFileFilter(const std::string& filter, int chosen) {
  std::vector<FileFilter> filters;
  const std::vector<std::string> parts = SplitText(filter, '|');
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    FileFilter f{parts[i], {}};
    for (const std::string& pattern : SplitText(parts[i + 1], ';')) {
      if (pattern.empty()) continue;
      f.patterns.push_back(pattern);
      std::string upper = pattern;
      for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (upper != pattern) f.patterns.push_back(upper);
    }
    filters.push_back(f);
  }
  if (chosen >= 2 && chosen <= static_cast<int>(filters.size())) {
    FileFilter first = filters[chosen - 1];
    filters.erase(filters.begin() + (chosen - 1));
    filters.insert(filters.begin(), first);
  }
  return filters;
}

bool MatchesFilter(const FileFilter& filter, const std::string& file_name) {
  for (const std::string& pattern : filter.patterns) {
    if (pattern == "*" || pattern == "*.*") return true;
    if (::fnmatch(pattern.c_str(), file_name.c_str(), FNM_PERIOD) == 0) return true;
  }
  return false;
}

}  // namespace brelix::ui
