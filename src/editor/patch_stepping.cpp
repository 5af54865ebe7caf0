#include "editor/patch_stepping.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "toolkit/edit.h"
#include "toolkit/list_box.h"
#include "ui/input.h"

namespace brelix {

int PatchStepOfKey(int key, const TWidget* focused) {
  if (dynamic_cast<const TEdit*>(focused) != nullptr || dynamic_cast<const TListBox*>(focused) != nullptr) return 0;
  if (key == ui::keys::kPageUp) return -1;
  if (key == ui::keys::kPageDown) return 1;
  return 0;
}

std::optional<std::string> NeighbourPatchFile(const std::string& current, int step) {
  const std::filesystem::path path(current);
  if (step == 0 || !path.has_parent_path()) return std::nullopt;
  std::vector<std::filesystem::path> patches;
  std::error_code error;
  for (std::filesystem::directory_iterator it(path.parent_path(), error), end; !error && it != end; it.increment(error)) {
    if (it->path().extension() == ".tw" && it->is_regular_file(error)) patches.push_back(it->path());
  }
  if (error) return std::nullopt;
  std::sort(patches.begin(), patches.end());
  const std::filesystem::path name = path.filename();
  if (step > 0) {
    const auto next = std::upper_bound(patches.begin(), patches.end(), name,
                                       [](const auto& a, const auto& b) { return a < b.filename(); });
    if (next == patches.end()) return std::nullopt;
    return next->string();
  }
  const auto at = std::lower_bound(patches.begin(), patches.end(), name,
                                   [](const auto& a, const auto& b) { return a.filename() < b; });
  if (at == patches.begin()) return std::nullopt;
  return std::prev(at)->string();
}

}  // namespace brelix
