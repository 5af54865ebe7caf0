// The shipped patch library: family folders ("basses", "keys", "pads", ...) of patch files, with
// the samples they play in "samples", installed without write bits in a shared data folder
// (<prefix>/share/brelix/patches, or ~/.local/share/brelix/patches for one user). The plug-in
// finds it from its own folder, the programs from theirs; a patch in it is found by name.
//
// The user's own patches go to $XDG_DATA_HOME/brelix/patches/user, which for an installation of
// one user lies inside the library's folder; that folder is never one of the library's families.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brelix {

// Names the library's folder, before every other place (a build tree, a test).
inline constexpr const char* kLibraryVariable = "BRELIX_LIBRARY";
inline constexpr const char* kUserPatchFolderName = "user";

// Where the library is looked for, in order: $BRELIX_LIBRARY; <prefix>/share/brelix/patches for
// the installation prefix `installed_folder` lies in (the folder above its nearest "lib",
// "lib64" or "bin" folder: /usr/local for /usr/local/lib/vst/); $XDG_DATA_HOME/brelix/patches
// (~/.local/share/...); brelix/patches in each $XDG_DATA_DIRS folder.
std::vector<std::string> PatchLibraryCandidates(const std::string& installed_folder);

// The first candidate that holds at least one family; none when no library is installed.
std::optional<std::string> FindPatchLibrary(const std::string& installed_folder);

struct LibraryPatch {
  std::string Family;  // "pads"
  std::string Name;    // "warm-pad", without ".tw"
  std::string File;    // the full file name
};

// The library's patches: the families (its sub-folders holding *.tw files, the user's folder
// left out) in name order, each family's patches in name order.
std::vector<LibraryPatch> LibraryPatches(const std::string& library);

// The patch file a library name means: "pads/warm-pad" or "warm-pad", with or without ".tw" (a
// name alone is looked for in the families in their order). None for a name of any other form or
// one the library does not hold.
std::optional<std::string> FindLibraryPatch(const std::string& library, const std::string& name);

// Whether `file` lies in one of the library's family folders (compared by name, not by what the
// folders link to).
bool InPatchLibrary(const std::string& library, const std::string& file);

// $XDG_DATA_HOME/brelix/patches/user (it may not exist yet); none without a home folder.
std::optional<std::string> UserPatchFolder();

}  // namespace brelix
