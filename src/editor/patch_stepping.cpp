#include "editor/patch_stepping.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <tuple>
#include <vector>

#include "patch/patch_library.h"
#include "toolkit/edit.h"
#include "toolkit/list_box.h"
#include "ui/input.h"

namespace brelix {

namespace {

namespace fs = std::filesystem;

// A patch's place in the order stepped through: its family (empty within one folder), then its
// file name.
struct Place {
  std::string family;
  std::string name;
  std::string file;
};

bool Before(const Place& a, const Place& b) { return std::tie(a.family, a.name) < std::tie(b.family, b.name); }

std::optional<std::vector<Place>> FolderPlaces(const fs::path& folder) {
  std::vector<Place> places;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->path().extension() == ".tw" && it->is_regular_file(error))
      places.push_back({"", it->path().filename().string(), it->path().string()});
  }
  if (error) return std::nullopt;
  std::sort(places.begin(), places.end(), Before);
  return places;
}

std::vector<Place> LibraryPlaces(const std::string& library) {
  std::vector<Place> places;
  for (const LibraryPatch& patch : LibraryPatches(library))
    places.push_back({patch.Family, fs::path(patch.File).filename().string(), patch.File});
  return places;
}

}  // namespace

int PatchStepOfKey(int key, const TWidget* focused) {
  if (dynamic_cast<const TEdit*>(focused) != nullptr || dynamic_cast<const TListBox*>(focused) != nullptr) return 0;
  if (key == ui::keys::kPageUp) return -1;
  if (key == ui::keys::kPageDown) return 1;
  return 0;
}

std::optional<std::string> NeighbourPatchFile(const std::string& current, int step, const std::string& library) {
  const fs::path path(current);
  if (step == 0 || !path.has_parent_path()) return std::nullopt;
  const bool in_library = !library.empty() && InPatchLibrary(library, current);
  const Place here{in_library ? path.parent_path().filename().string() : "", path.filename().string(), current};
  const std::optional<std::vector<Place>> places =
      in_library ? LibraryPlaces(library) : FolderPlaces(path.parent_path());
  if (!places) return std::nullopt;
  if (step > 0) {
    const auto next = std::upper_bound(places->begin(), places->end(), here, Before);
    if (next == places->end()) return std::nullopt;
    return next->file;
  }
  const auto at = std::lower_bound(places->begin(), places->end(), here, Before);
  if (at == places->begin()) return std::nullopt;
  return std::prev(at)->file;
}

}  // namespace brelix
