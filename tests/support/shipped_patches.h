// The patches the project ships (every *.tw under patches/, family folders included), in a
// stable order.
#pragma once

#include <algorithm>
#include <filesystem>
#include <vector>

namespace brelix::testing {

inline std::vector<std::filesystem::path> ShippedPatches() {
  std::vector<std::filesystem::path> patches;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(BRELIX_PATCHES_DIR))
    if (entry.is_regular_file() && entry.path().extension() == ".tw") patches.push_back(entry.path());
  std::sort(patches.begin(), patches.end());
  return patches;
}

}  // namespace brelix::testing
