// The per-user folders of the desktop's base-directory rules: where a user's own settings and
// data live. A variable that is unset, empty or not an absolute path is ignored, as the rules say.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brelix {

// $XDG_CONFIG_HOME, else $HOME/.config; none without either.
std::optional<std::string> UserConfigFolder();

// $XDG_DATA_HOME, else $HOME/.local/share; none without either.
std::optional<std::string> UserDataFolder();

// The absolute entries of $XDG_DATA_DIRS in their order, else /usr/local/share and /usr/share.
std::vector<std::string> SystemDataFolders();

}  // namespace brelix
