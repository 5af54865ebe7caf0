// The patches the project ships (every *.tw under patches/, family folders included), in a
// stable order.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace brelix::testing {

inline std::vector<std::filesystem::path> ShippedPatches() {
  std::vector<std::filesystem::path> patches;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(BRELIX_PATCHES_DIR))
    if (entry.is_regular_file() && entry.path().extension() == ".tw") patches.push_back(entry.path());
  std::sort(patches.begin(), patches.end());
  return patches;
}

// A copy of a shipped patch at `copy` with every oscillator started at a fixed phase: free-running
// ones give each note its own level (by up to about 2.5 dB for two detuned lanes), and a test
// that compares the levels of two notes needs them to differ only by what it changes.
inline void WriteFixedPhaseCopy(const std::string& shipped, const std::string& copy) {
  std::string text = ReadBytes(shipped);
  const std::string free = "OscStartPhase=-1", fixed = "OscStartPhase=0";
  for (size_t at; (at = text.find(free)) != std::string::npos;) text.replace(at, free.size(), fixed);
  WriteBytes(copy, text);
}

}  // namespace brelix::testing
