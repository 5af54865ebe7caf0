#include "base/user_folders.h"

#include <cstdlib>
#include <sstream>

namespace brelix {

namespace {

std::optional<std::string> AbsoluteVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value != '/') return std::nullopt;
  return std::string(value);
}

std::optional<std::string> FolderOrHome(const char* variable, const char* under_home) {
  if (std::optional<std::string> folder = AbsoluteVariable(variable)) return folder;
  if (std::optional<std::string> home = AbsoluteVariable("HOME")) return *home + under_home;
  return std::nullopt;
}

}  // namespace

std::optional<std::string> UserConfigFolder() { return FolderOrHome("XDG_CONFIG_HOME", "/.config"); }

std::optional<std::string> UserDataFolder() { return FolderOrHome("XDG_DATA_HOME", "/.local/share"); }

std::vector<std::string> SystemDataFolders() {
  std::vector<std::string> folders;
  if (const char* value = std::getenv("XDG_DATA_DIRS"); value != nullptr) {
    std::istringstream entries{std::string(value)};
    for (std::string entry; std::getline(entries, entry, ':');)
      if (!entry.empty() && entry.front() == '/') folders.push_back(entry);
  }
  if (folders.empty()) folders = {"/usr/local/share", "/usr/share"};
  return folders;
}

}  // namespace brelix
